#include "TesselMapsLib/trajectory.h"

#include "Lexwick/parser.h"
#include "Platform/messagesink.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

#include "TesselMapsLib/worldmap.h"

IMPLEMENT_SERIAL(CTrajectory, CObject, 0)

CTrajectory::CTrajectory() = default;

CTrajectory::~CTrajectory() = default;

void CTrajectory::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << int32_t(line_.count());
    line_.store(ar);
  } else {
    int32_t count = 0;
    ar >> count;
    line_.load(ar, count);
  }
}

int CTrajectory::AddTrajectoryPoint(double lat, double lng) { return line_.add(lat, lng); }

int CTrajectory::AddTrajectoryPoint(const CLatLng* p) {
  return p != nullptr ? line_.add(p->latitude, p->longitude) : -1;
}

int CTrajectory::AddTrajectoryPoint(const char* lat, const char* lng) {
  return line_.add(read_real(lat), read_real(lng));
}

void CTrajectory::DeleteTrajectoryPoint(double lat, double lng) { line_.remove_first(lat, lng); }

void CTrajectory::RemoveTrajectory() { line_.clear(); }

void CTrajectory::OnDraw(CDC* dc, const CWorldMap* map) const {
  if (dc == nullptr || map == nullptr) return;
  CPen pen(PS_SOLID, 1, RGB(255, 255, 0));
  CPen* previous = dc->SelectObject(&pen);
  line_.draw(dc, *map);
  dc->SelectObject(previous);
  EraseAreas(dc, map);
}

void CTrajectory::EraseAreas(CDC* dc, const CWorldMap* map) const {
  if (dc == nullptr || map == nullptr) return;
  maps::erase_outside(dc, *map, {&line_});
}

int CTrajectory::ParseKQML(const char* text) {
  CParser parser;
  parser.parse_message(text);
  if (line_.read_kqml(parser) != maps::PointLine::Load::complete) {
    platform::message_box("Error Loading NLine Coordinates");
    return 0;
  }
  return 1;
}

HeapText CTrajectory::ToKQML() const {
  return HeapText(str_format("tell :count %d", line_.count()) + line_.kqml());
}

HeapText CTrajectory::ToXML() const {
  return HeapText("<Trajectory>\n" + line_.xml() + "</Trajectory>\n");
}

void CTrajectory::TrajectoryFromXML(const DOMNode& node) { line_.add_xml(node); }
