#include "TesselMapsLib/impactlines.h"

#include <cmath>
#include <optional>
#include <string>

#include "Lexwick/parser.h"
#include "MarkDOM/domnode.h"
#include "Platform/messagesink.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

#include "TesselMapsLib/worldmap.h"

IMPLEMENT_SERIAL(CImpactLines, CObject, 0)

namespace {

// The station's pi and two pi.
constexpr double kPi = 22.0 / 7.0;
constexpr double kTwoPi = 44.0 / 7.0;

constexpr const char* kLoadError = "Error Loading NLine Coordinates";

// The element name without a namespace prefix.
std::string base_name(const DOMNode& node) {
  const std::optional<std::string> name = node.getNodeName();
  if (!name) return "";
  const size_t colon = name->find(':');
  return colon == std::string::npos ? *name : name->substr(colon + 1);
}

}  // namespace

CImpactLines::CImpactLines() = default;

CImpactLines::~CImpactLines() = default;

void CImpactLines::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << int32_t(north_.count()) << int32_t(south_.count());
    north_.store(ar);
    south_.store(ar);
  } else {
    int32_t north = 0;
    int32_t south = 0;
    ar >> north >> south;
    north_.load(ar, north);
    south_.load(ar, south);
  }
}

int CImpactLines::AddNLinePoint(double lat, double lng) { return north_.add(lat, lng); }

int CImpactLines::AddNLinePoint(const CLatLng* p) {
  return p != nullptr ? north_.add(p->latitude, p->longitude) : -1;
}

int CImpactLines::AddNLinePoint(const char* lat, const char* lng) {
  return north_.add(read_real(lat), read_real(lng));
}

int CImpactLines::AddSLinePoint(double lat, double lng) { return south_.add(lat, lng); }

int CImpactLines::AddSLinePoint(const CLatLng* p) {
  return p != nullptr ? south_.add(p->latitude, p->longitude) : -1;
}

int CImpactLines::AddSLinePoint(const char* lat, const char* lng) {
  return south_.add(read_real(lat), read_real(lng));
}

void CImpactLines::DeleteNLinePoint(double lat, double lng) { north_.remove_first(lat, lng); }

void CImpactLines::DeleteSLinePoint(double lat, double lng) { south_.remove_first(lat, lng); }

void CImpactLines::RemoveNLine() { north_.clear(); }

void CImpactLines::RemoveSLine() { south_.clear(); }

template <typename Visit>
void CImpactLines::for_each_edge(Visit visit) const {
  const maps::Points& north = north_.points();
  const maps::Points& south = south_.points();
  if (north.empty() || south.empty()) return;
  for (size_t i = 0; i + 1 < north.size(); ++i) visit(*north[i], *north[i + 1]);
  visit(*north.back(), *south.back());
  for (size_t i = south.size() - 1; i > 0; --i) visit(*south[i], *south[i - 1]);
  visit(*south.front(), *north.front());
}

int CImpactLines::Inside(double lat, double lng) const {
  if (north_.count() == 0 || south_.count() == 0) return false;
  double sum = 0.0;
  for_each_edge([&](const CLatLng& a, const CLatLng& b) {
    sum += VectAngle(a.latitude - lat, a.longitude - lng, b.latitude - lat, b.longitude - lng);
  });
  return std::fabs(sum) >= kPi;
}

void CImpactLines::GetExitPoint(double* lat, double* lng, double lat0, double lng0) const {
  // Written only with a result: without one the caller keeps what it set.
  if (lat == nullptr || lng == nullptr) return;
  double best = 1000.0;
  for_each_edge([&](const CLatLng& a, const CLatLng& b) {
    double fx = 0.0;
    double fy = 0.0;
    const double d = ShortDist(&fx, &fy, a.latitude, a.longitude, b.latitude, b.longitude, lat0, lng0);
    if (d < best) {
      best = d;
      *lat = fx;
      *lng = fy;
    }
  });
}

double CImpactLines::ShortDist(double* fx, double* fy, double x1, double y1, double x2, double y2,
                               double px, double py) {
  const double w = DotProduct(px - x1, py - y1, x2 - x1, y2 - y1);
  const double length2 = DotProduct(x2 - x1, y2 - y1, x2 - x1, y2 - y1);
  double x = x1;
  double y = y1;
  if (w <= 0.0) {
    // A; also for a segment whose ends coincide.
  } else if (w >= length2) {
    x = x2;
    y = y2;
  } else {
    // The foot of the perpendicular, as a fraction of the segment: the
    // slope form would divide by zero on a vertical segment.
    const double t = w / length2;
    x = x1 + t * (x2 - x1);
    y = y1 + t * (y2 - y1);
  }
  if (fx != nullptr) *fx = x;
  if (fy != nullptr) *fy = y;
  return Dist(px, py, x, y);
}

double CImpactLines::DotProduct(double x1, double y1, double x2, double y2) {
  return x1 * x2 + y1 * y2;
}

double CImpactLines::Dist(double x1, double y1, double x2, double y2) {
  return std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
}

double CImpactLines::VectAngle(double x1, double y1, double x2, double y2) {
  double d = std::atan2(y2, x2) - std::atan2(y1, x1);
  while (d > kPi) d -= kTwoPi;
  while (d < -kPi) d += kTwoPi;
  return d;
}

void CImpactLines::OnDraw(CDC* dc, const CWorldMap* map) const {
  if (dc == nullptr || map == nullptr) return;
  CPen pen(PS_SOLID, 2, RGB(255, 0, 0));
  CPen* previous = dc->SelectObject(&pen);
  north_.draw(dc, *map);
  south_.draw(dc, *map);
  dc->SelectObject(previous);
  EraseAreas(dc, map);
}

void CImpactLines::EraseAreas(CDC* dc, const CWorldMap* map) const {
  if (dc == nullptr || map == nullptr) return;
  maps::erase_outside(dc, *map, {&north_, &south_});
}

int CImpactLines::ParseKQML(const char* text) {
  using Load = maps::PointLine::Load;
  CParser parser;
  parser.parse_message(text);

  const char* nline = parser.find_token("nline");
  CParser north;
  if (nline != nullptr) north.parse_message(nline);
  // Without "nline" there is no count to meet: the text is no area.
  if (nline == nullptr || north_.read_kqml(north) != Load::complete) {
    platform::message_box(kLoadError);
    return 0;
  }

  const char* sline = parser.find_token("sline");
  CParser south;
  if (sline != nullptr) south.parse_message(sline);
  const Load got = sline != nullptr ? south_.read_kqml(south) : Load::missing_count;
  // Without a southern count the northern one is the count to meet, with
  // nothing loaded.
  const bool read =
      got == Load::complete || (got == Load::missing_count && north_.count() == 0);
  if (!read) {
    platform::message_box(kLoadError);
    return 0;
  }
  return 1;
}

HeapText CImpactLines::ToKQML() const {
  return HeapText(str_format("tell :nline (tell :count %d", north_.count()) + north_.kqml() +
                  ")" + str_format(" :sline (tell :count %d", south_.count()) + south_.kqml() +
                  ")");
}

HeapText CImpactLines::ToXML() const {
  return HeapText("<ImpactLines>\n<NorthernLine>\n" + north_.xml() +
                  "</NorthernLine>\n<SouthernLine>\n" + south_.xml() +
                  "</SouthernLine>\n</ImpactLines>\n");
}

void CImpactLines::IILFromXML(const DOMNode& node) {
  const DOMNodeList children = node.getChildNodes();
  RemoveNLine();
  RemoveSLine();
  for (int i = 0; i < children.getLength(); ++i) {
    const DOMNode child = children.item(i);
    const std::string name = base_name(child);
    if (name == "NorthernLine") {
      LineFromXML(child, true);
    } else if (name == "SouthernLine") {
      LineFromXML(child, false);
    }
  }
}

void CImpactLines::LineFromXML(const DOMNode& node, int northern) {
  (northern ? north_ : south_).add_xml(node);
}
