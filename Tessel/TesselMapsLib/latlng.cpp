#include "TesselMapsLib/latlng.h"

#include "Toolwick/numbers.h"

IMPLEMENT_SERIAL(CLatLng, CObject, 0)

CLatLng::CLatLng() = default;

CLatLng::CLatLng(double lat, double lng) : latitude(lat), longitude(lng) {}

CLatLng::CLatLng(const CLatLng* other) { SetLatLng(other); }

CLatLng::CLatLng(const char* lat, const char* lng)
    : latitude(read_real(lat)), longitude(read_real(lng)) {}

CLatLng::~CLatLng() = default;

void CLatLng::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << latitude << longitude;
  } else {
    ar >> latitude >> longitude;
  }
}

void CLatLng::SetLatLng(double lat, double lng) {
  latitude = lat;
  longitude = lng;
}

bool CLatLng::SetLatLng(const CLatLng* other) {
  if (other == nullptr) return false;
  SetLatLng(other->latitude, other->longitude);
  return true;
}

HeapText CLatLng::GetLatStr() const { return HeapText(fixed_text(latitude, 6)); }

HeapText CLatLng::GetLngStr() const { return HeapText(fixed_text(longitude, 6)); }
