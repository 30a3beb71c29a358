// CResourceUnit: the base of every unit on the station's map -- interceptors,
// radar stations, incursions and weather balloons. It keeps the unit's
// identity and its dead-reckoning state (speed, heading, a start point and
// the mission minute at which the unit was there), gives its position at any
// minute, converts positions to the simulation's grid cells, and draws the
// symbol and control bars that all kinds share.
//
// Positions are (first, second) = (latitude, longitude), sent as :lat and
// :lng. Headings are degrees: 0 points towards growing second coordinate and
// they grow towards growing first coordinate. Every angle uses 22/7 for pi.
//
// Ownership: a unit owns its points. Its world map and its document are not
// owned; the document deletes its units before either goes. A unit without a
// document runs on minute 0 and sends nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/dc.h"
#include "Platform/object.h"
#include "TesselMapsLib/latlng.h"
#include "Toolwick/heaptext.h"

class CTesselStationDoc;
class CWorldMap;

namespace station {

inline constexpr double kPi = 22.0 / 7.0;
inline constexpr double kHalfPi = 11.0 / 7.0;
inline constexpr double kThreeHalvesPi = 33.0 / 7.0;
inline constexpr double kTwoPi = 44.0 / 7.0;
inline constexpr double kThirdTurn = 44.0 / 21.0;
inline constexpr double kDegreesToRadians = kPi / 180.0;

inline double ToDegrees(double radians) { return radians * 180.0 / kPi; }
// A heading in degrees as the angle every unit moves, points and is drawn
// by: taken within one turn first (from 0 up to 360 degrees), so that -170
// and 190 are one course, then in radians. NaN stays NaN.
double HeadingRadians(double degrees);

}  // namespace station

// Unit type codes.
enum : int {
  UNIT_OTHER = 0,  // weather balloons
  UNIT_RADAR = 1,
  UNIT_INCURSION = 2,
  UNIT_INTERCEPTOR = 3,
};

// The simulation's grid cell of a position: columns 23.75 map units wide
// from 0, rows 14 high counted downwards from row 39 at 95.0; both divisions
// cut toward zero.
void LatLngToGrid(double first, double second, int* column, int* row);
// "%d,%d" of that cell.
HeapText GridCellText(double first, double second);

class CResourceUnit : public CObject {
 public:
  CResourceUnit();
  ~CResourceUnit() override;
  CResourceUnit(const CResourceUnit&) = delete;
  CResourceUnit& operator=(const CResourceUnit&) = delete;

  // --- The operations through which the document and the views treat all
  // units alike, in this order.

  // Back to the scenario: start := initial, startTime := 0, heading :=
  // initialHeading.
  virtual void Reset();
  // The tooltip text; empty here.
  virtual HeapText GetDescription() const;
  // What the unit has cost so far; 0.0 here.
  virtual double GetCost() const;
  // The station takes the unit over, or gives it up; nothing here.
  virtual void Activate();
  virtual void Deactivate();
  // Asks the teammate who controls the unit for it; nothing here.
  virtual void Request();
  // Where the unit is at `minute`: dead reckoning from start at startTime.
  virtual std::unique_ptr<CLatLng> PositionAt(double minute) const;
  // The bars of the stations that control the unit, under `where`; nothing
  // here.
  virtual void DrawControl(CDC* dc, const CLatLng* where);

  // --- Identity

  // The id is the unit's key in the document; a null id is refused.
  const char* GetId() const { return id_.c_str(); }
  void SetId(const char* id);
  // Stored as StoredName gives it; a null name is refused.
  const char* GetName() const { return name_.c_str(); }
  void SetName(const char* name);
  // A KQML string as the text it stands for (without its quotes, escapes
  // taken), any other name without a trailing quote.
  static std::string StoredName(const char* name);
  int GetType() const { return type_; }
  // "Radar", "Incursion", "Interceptor", any other type "Unknown".
  static const char* TypeName(int type);
  const char* TypeName() const { return TypeName(type_); }

  void SetMap(CWorldMap* map) { map_ = map; }
  CWorldMap* GetMap() const { return map_; }
  void SetDocument(CTesselStationDoc* document) { document_ = document; }
  CTesselStationDoc* GetDocument() const { return document_; }

  // --- Movement state. The text setters read the value like atof and
  // refuse a null text (false, no change); SetStart and SetInitial also
  // refuse while no map is set.

  bool SetSpeed(const char* text);
  bool SetHeading(const char* text);
  bool SetInitialHeading(const char* text);
  bool SetStart(const char* first, const char* second);
  bool SetInitial(const char* first, const char* second);
  void SetSpeed(double speed) { speed_ = speed; }
  void SetHeading(double degrees) { heading_ = degrees; }
  void SetStart(double first, double second) { start_.SetLatLng(first, second); }
  void SetDestination(double first, double second) { destination_.SetLatLng(first, second); }
  void SetStartTime(int minute) { startTime_ = minute; }
  double GetSpeed() const { return speed_; }
  double GetHeading() const { return heading_; }
  double GetInitialHeading() const { return initialHeading_; }
  const CLatLng& GetStart() const { return start_; }
  const CLatLng& GetDestination() const { return destination_; }
  const CLatLng& GetInitial() const { return initial_; }
  int GetStartTime() const { return startTime_; }

  // --- Grid, distances, angles

  // The cell of the position at the current mission minute / of the
  // destination, "%d,%d".
  HeapText GridText() const;
  HeapText DestinationGridText() const;
  // From the destination to the point.
  double DistanceTo(double first, double second) const;
  // Minutes at the unit's speed for DistanceTo, to the nearest minute
  // (halves away from zero); speed 0 gives the largest int (0 when the
  // distance is 0 as well).
  int MinutesTo(double first, double second) const;
  // The angle of atan2(to first - from first, to second - from second),
  // brought into 0 to 44/7 radians.
  static double HeadingTo(double fromFirst, double fromSecond, double toFirst, double toSecond);
  // The pixel at distance r from (x, y) at the screen angle a (radians, 0 up
  // the screen, growing clockwise), to the nearest pixel.
  static CPoint PointAt(int x, int y, double r, double a);

  // --- Drawing, on the document's map at its zoom

  // The unit symbol centred on the position's pixel: an arrow head of three
  // points a third of a turn apart, the first `noseExtra` further out; with
  // `fourPoints` the centre is a third point and the head gets a notch. With
  // lineWidth > 0 a line of that width runs from the centre along the
  // heading to radius + lineExtra. Filled in `fill`, outlined in `pen`, with
  // a 3 x 3 dot on the centre. `heading` is in radians.
  void DrawSymbol(CDC* dc, double first, double second, double heading, int radius, int lineExtra,
                  int lineWidth, int noseExtra, bool fourPoints, COLORREF fill, COLORREF pen) const;
  // A control bar: a horizontal line 2 x halfWidth long, `offset` pixels
  // below the pixel of `where`.
  void DrawMarker(CDC* dc, const CLatLng& where, COLORREF colour, int penWidth, int halfWidth,
                  int offset) const;

  // --- Unit ids

  // The local time "%H%M%S" followed by "%d%d" of the milliseconds and a
  // rand() value.
  static std::string NewUnitId();
  // A NewUnitId (or `draw`) for which `taken` is false, drawn again as often
  // as needed.
  static std::string NewFreeUnitId(const std::function<bool(const std::string&)>& taken,
                                   const std::function<std::string()>& draw = NewUnitId);

 protected:
  explicit CResourceUnit(int type);

  // The mission clock, 0 without a document.
  int Now() const;
  // Through the document's senders; nothing without a document.
  void SendToTeam(const std::string& content) const;
  void SendToSimulation(const std::string& content) const;
  void SendToAgent(const char* receiver, const std::string& content) const;
  void RedrawMainWindow() const;
  // "tell :command <command> :resource <type name> :id <id> :lat %f :lng %f
  // :gridCol %d :gridRow %d" for the unit at `at`.
  std::string UnitCommand(const char* command, const CLatLng& at) const;
  // The dead reckoning of the base, for the kinds that only move at times.
  std::unique_ptr<CLatLng> DeadReckoning(double minute) const;
  // Whether a moving unit at `p` has reached its destination since the
  // step that found it at `last` (null: this is the leg's first step, which
  // only records): it moved at least as far as the destination lay from
  // there, or it has come as far from the start as the destination lies.
  // The second test catches a leg whose first step came after the arrival.
  bool ReachedDestination(const CLatLng& p, const CLatLng* last) const;

 private:
  double speed_ = 0.0;
  double heading_ = 0.0;
  double initialHeading_ = 0.0;
  CLatLng start_;
  CLatLng destination_;
  int startTime_ = 0;
  CLatLng initial_;
  std::string id_;
  std::string name_;
  CWorldMap* map_ = nullptr;
  int type_ = UNIT_OTHER;
  CTesselStationDoc* document_ = nullptr;
};
