#include "TesselStationCore/incursion.h"

#include "Toolwick/format.h"

CIncursion::CIncursion() : CResourceUnit(UNIT_INCURSION) {}

HeapText CIncursion::GetDescription() const {
  return HeapText(str_format("Incursion: %s\nSpeed: %0.0f\nHeading: %0.0f", GetName(), GetSpeed(),
                             GetHeading()));
}

void CIncursion::Draw(CDC* dc) const {
  const std::unique_ptr<CLatLng> at = PositionAt(Now());
  DrawSymbol(dc, at->latitude, at->longitude, station::HeadingRadians(GetHeading()), 8, 2, 0,
             GetSpeed() >= 500 ? 10 : 0, true, kColour, kColour);
}
