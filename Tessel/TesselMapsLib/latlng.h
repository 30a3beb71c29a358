// CLatLng: a position of the maps library and the station, a latitude (the
// map's x axis) and a longitude (its y axis) in degrees. Serialisable as the
// class "CLatLng", schema 0; its archive form is the two doubles, latitude
// first, with no count or tag of its own.
#pragma once

#include "Platform/object.h"
#include "Toolwick/heaptext.h"

class CLatLng : public CObject {
  DECLARE_SERIAL(CLatLng)

 public:
  // The origin (0.0, 0.0); callers set the real position afterwards.
  CLatLng();
  CLatLng(double lat, double lng);
  // A copy of `other`'s position; null gives the origin.
  explicit CLatLng(const CLatLng* other);
  // Each text read like atof in the "C" locale (0.0 where no number starts).
  CLatLng(const char* lat, const char* lng);
  ~CLatLng() override;
  void Serialize(CArchive& ar) override;

  void SetLatLng(double lat, double lng);
  // Copies `other`'s position; false, and no change, for null.
  bool SetLatLng(const CLatLng* other);

  // "%f" of the value (six decimals, "C" locale).
  HeapText GetLatStr() const;
  HeapText GetLngStr() const;

  double latitude = 0.0;
  double longitude = 0.0;
};
