// The numbers the document takes from messages and scenarios: only those
// that the units, the map and the costs can work with. A NaN, an infinity
// or a coordinate a world away would reach the unit positions, the pixels
// and the totals; the field is taken as missing instead.
#include <algorithm>
#include <cmath>

#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/numbers.h"

namespace {

// The bounds widened by their span on either side.
void widened(double low, double high, double* from, double* to) {
  const double span = std::fabs(high - low);
  *from = std::min(low, high) - span;
  *to = std::max(low, high) + span;
}

}  // namespace

const char* CTesselStationDoc::Accepted(const char* text, Quantity quantity) {
  const CWorldMap* map = worldMap_.get();
  const bool bounded = map != nullptr && map->GetMaxLat() != map->GetMinLat() &&
                       map->GetMaxLng() != map->GetMinLng() &&
                       std::isfinite(map->GetMaxLat() - map->GetMinLat()) &&
                       std::isfinite(map->GetMaxLng() - map->GetMinLng());
  double low = 0.0;
  double high = 0.0;
  switch (quantity) {
    case Quantity::kLatitude:
    case Quantity::kLongitude:
      if (!bounded) {
        low = -kMaxCoordinate;
        high = kMaxCoordinate;
      } else if (quantity == Quantity::kLatitude) {
        widened(map->GetMinLat(), map->GetMaxLat(), &low, &high);
      } else {
        widened(map->GetMinLng(), map->GetMaxLng(), &low, &high);
      }
      break;
    case Quantity::kRange:
      high = bounded ? 3 * std::max(std::fabs(map->GetMaxLat() - map->GetMinLat()),
                                    std::fabs(map->GetMaxLng() - map->GetMinLng()))
                     : kMaxCoordinate;
      low = -high;
      break;
    case Quantity::kSpeed:
      low = -kMaxSpeed;
      high = kMaxSpeed;
      break;
    case Quantity::kHeading:
      low = -kMaxHeading;
      high = kMaxHeading;
      break;
    case Quantity::kCost:
      high = kMaxCost;
      break;
    case Quantity::kReading:
      low = -kMaxReading;
      high = kMaxReading;
      break;
  }
  double value = 0.0;
  if (read_real_within(text, low, high, &value)) return text;
  if (text != nullptr) {
    debug("<CTesselStationDoc> Number [%.40s] out of bounds, taken as missing", text);
  }
  return nullptr;
}
