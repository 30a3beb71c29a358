// CTrajectory: a polyline of positions drawn over the map. Serialisable as
// "CTrajectory", schema 0: the point count (32-bit) and each point's archive
// form. Keyword form: tell :count N :0 (tell :lat .. :lng ..) ...; XML form:
// <Trajectory> with one <Point Lat=".." Lng=".."/> a point.
//
// The trajectory owns its points; adding stores a new copy.
#pragma once

#include "Platform/dc.h"
#include "Platform/object.h"
#include "Toolwick/heaptext.h"

#include "TesselMapsLib/latlng.h"
#include "TesselMapsLib/pointline.h"

class CWorldMap;
class DOMNode;

class CTrajectory : public CObject {
  DECLARE_SERIAL(CTrajectory)

 public:
  CTrajectory();
  ~CTrajectory() override;
  // Loading appends the points read to those already held.
  void Serialize(CArchive& ar) override;

  // Each appends a new point and returns its index. The texts are read like
  // atof; a null point adds nothing and gives -1.
  int AddTrajectoryPoint(double lat, double lng);
  int AddTrajectoryPoint(const CLatLng* p);
  int AddTrajectoryPoint(const char* lat, const char* lng);
  // Destroys the first point exactly equal to (lat, lng); nothing when none is.
  void DeleteTrajectoryPoint(double lat, double lng);
  void RemoveTrajectory();
  // The points, owned by the trajectory.
  const maps::Points& GetTrajectory() const { return line_.points(); }
  int GetTrajectoryCt() const { return line_.count(); }

  // The segments in a solid yellow pen of width 1, then EraseAreas.
  void OnDraw(CDC* dc, const CWorldMap* map) const;
  // Whitens what was drawn below and right of the map's picture.
  void EraseAreas(CDC* dc, const CWorldMap* map) const;
  // Replaces the points by those of a keyword text; 1 when every point
  // counted was read. 0 (and the message box "Error Loading NLine
  // Coordinates") when some were not -- the points read stay -- or when the
  // count is missing, negative or larger than the keywords present, which
  // leaves the trajectory unchanged.
  int ParseKQML(const char* text);
  HeapText ToKQML() const;
  HeapText ToXML() const;
  // Appends the points of the children of `node` that have both a "Lat" and
  // a "Lng" attribute. Document errors (a null node included) throw
  // DOMException; points added before stay.
  void TrajectoryFromXML(const DOMNode& node);

 private:
  maps::PointLine line_;
};
