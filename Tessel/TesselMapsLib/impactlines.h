// CImpactLines: the impact area, bounded by a northern and a southern line of
// positions. Its boundary is the closed polygon of the northern points in
// order, the southern points in reverse order, and back to the first
// northern point. Coordinates: x = latitude, y = longitude, in degrees.
//
// Serialisable as "CImpactLines", schema 0: the northern and the southern
// count (32-bit each), the northern points, the southern points. Keyword
// form: tell :nline (tell :count N :0 (tell :lat .. :lng ..) ..) :sline (..);
// XML form: <ImpactLines> with a <NorthernLine> and a <SouthernLine> of
// <Point Lat=".." Lng=".."/> elements.
//
// The area owns its points; adding stores a new copy. The angle sums use
// 22/7 for pi, as every angle computation of the station does.
#pragma once

#include "Platform/dc.h"
#include "Platform/object.h"
#include "Toolwick/heaptext.h"

#include "TesselMapsLib/latlng.h"
#include "TesselMapsLib/pointline.h"

class CWorldMap;
class DOMNode;

class CImpactLines : public CObject {
  DECLARE_SERIAL(CImpactLines)

 public:
  CImpactLines();
  ~CImpactLines() override;
  // Loading appends the points read to those already held.
  void Serialize(CArchive& ar) override;

  // Each appends a new point to one line and returns its index; a null point
  // adds nothing and gives -1; texts are read like atof.
  int AddNLinePoint(double lat, double lng);
  int AddNLinePoint(const CLatLng* p);
  int AddNLinePoint(const char* lat, const char* lng);
  int AddSLinePoint(double lat, double lng);
  int AddSLinePoint(const CLatLng* p);
  int AddSLinePoint(const char* lat, const char* lng);
  // Destroy the first point of the line exactly equal to (lat, lng).
  void DeleteNLinePoint(double lat, double lng);
  void DeleteSLinePoint(double lat, double lng);
  void RemoveNLine();
  void RemoveSLine();
  // The points, owned by the area.
  const maps::Points& GetNLine() const { return north_.points(); }
  const maps::Points& GetSLine() const { return south_.points(); }
  int GetNLineCt() const { return north_.count(); }
  int GetSLineCt() const { return south_.count(); }

  // True (1) when the boundary's angles seen from (lat, lng) sum to at least
  // 22/7 in size; false when either line is empty.
  int Inside(double lat, double lng) const;
  // The point of the boundary nearest to (lat0, lng0), when one lies nearer
  // than 1000.0; otherwise, and when a line is empty, the outputs stay as
  // they were.
  void GetExitPoint(double* lat, double* lng, double lat0, double lng0) const;
  // The point F of the segment (x1, y1)-(x2, y2) nearest to (px, py), and
  // its distance.
  static double ShortDist(double* fx, double* fy, double x1, double y1, double x2, double y2,
                          double px, double py);
  static double DotProduct(double x1, double y1, double x2, double y2);
  static double Dist(double x1, double y1, double x2, double y2);
  // The angle from the first vector to the second, brought into -22/7..22/7.
  static double VectAngle(double x1, double y1, double x2, double y2);

  // Both lines in a solid red pen of width 2, not joined, then the areas
  // beyond the map are whitened.
  void OnDraw(CDC* dc, const CWorldMap* map) const;
  // Reads "nline" and then "sline", each replacing its line; 1 when both
  // were read whole. 0 with the message box "Error Loading NLine
  // Coordinates" otherwise: a line whose count is missing (for "sline":
  // whose count is missing while the northern count is not 0), negative or
  // larger than its keywords stays unchanged; a line with points missing
  // keeps those read.
  int ParseKQML(const char* text);
  HeapText ToKQML() const;
  HeapText ToXML() const;
  // Empties both lines, then reads every child of `node` named NorthernLine
  // or SouthernLine into that line. Document errors (a null node included)
  // throw DOMException; points added before stay.
  void IILFromXML(const DOMNode& node);

 protected:
  void EraseAreas(CDC* dc, const CWorldMap* map) const;
  // Appends the points of `node`'s children to the northern line when
  // `northern`, else to the southern one.
  void LineFromXML(const DOMNode& node, int northern);

 private:
  // Calls `visit(a, b)` for every edge of the boundary, in order.
  template <typename Visit>
  void for_each_edge(Visit visit) const;

  maps::PointLine north_;
  maps::PointLine south_;
};
