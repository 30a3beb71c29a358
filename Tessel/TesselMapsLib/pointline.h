// PointLine: a line of owned points -- a trajectory, or one line of an impact
// area -- with the keyword, XML, archive and drawing forms that every such
// line shares. The shapes keep one each; their callers see only maps::Points.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "Platform/archive.h"
#include "Platform/dc.h"

#include "TesselMapsLib/latlng.h"

class CParser;
class CWorldMap;
class DOMNode;

namespace maps {

using Points = std::vector<std::unique_ptr<CLatLng>>;

class PointLine {
 public:
  // A point of a keyword text whose value lies beyond this (or is no
  // finite number) counts as a missing one.
  static constexpr double kMaxCoordinate = 1e9;

  const Points& points() const { return points_; }
  int count() const { return static_cast<int>(points_.size()); }

  // Appends a new point; returns its index.
  int add(double lat, double lng);
  // Removes the first point equal to (lat, lng) in both values, if any.
  void remove_first(double lat, double lng);
  void clear() { points_.clear(); }

  // " :%d (tell :lat %s :lng %s)" for every point, numbered from 0.
  std::string kqml() const;
  // One <Point Lat="%f" Lng="%f"/> line for every point.
  std::string xml() const;

  enum class Load { missing_count, bad_count, complete, incomplete };
  // Reads the line from the keyword text held by `parser`: ":count N" and the
  // points ":0" .. ":N-1", each "(tell :lat .. :lng ..)". A missing count, or
  // one below 0 or above the number of keywords present, leaves the line as
  // it is. Otherwise the line is replaced by the points found (indices and
  // points without both values are skipped): complete when all N were.
  Load read_kqml(CParser& parser);

  // Appends a point for every element child of `node` that has both a "Lat"
  // and a "Lng" attribute. Document errors throw DOMException.
  void add_xml(const DOMNode& node);

  // The points' archive forms, in order.
  void store(CArchive& ar) const;
  // Appends `count` points read from `ar`, stopping at the first the archive
  // cannot give whole.
  void load(CArchive& ar, int32_t count);

  // Point i joined to point i + 1 on screen, in the pen selected in `dc`.
  void draw(CDC* dc, const CWorldMap& map) const;

 private:
  Points points_;
};

// Whitens what the lines drew beyond the map's minimum-longitude edge (below
// the picture) and beyond its maximum-latitude edge (right of it), never the
// map itself.
void erase_outside(CDC* dc, const CWorldMap& map, std::initializer_list<const PointLine*> lines);

}  // namespace maps
