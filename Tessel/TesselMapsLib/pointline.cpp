#include "TesselMapsLib/pointline.h"

#include <algorithm>
#include <limits>

#include "Lexwick/parser.h"
#include "MarkDOM/domnode.h"
#include "Toolwick/format.h"
#include "Toolwick/llist.h"
#include "Toolwick/numbers.h"
#include "Toolwick/token.h"

#include "TesselMapsLib/worldmap.h"

namespace maps {

namespace {

int saturate(int64_t value) {
  return int(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                 std::numeric_limits<int>::max()));
}

// The point index that find_token would find under `keyword`, when it is
// below `limit`; -1 otherwise. As there, the keyword's first character (its
// ':') is not compared, and an index is written as std::to_string writes it:
// no sign, no leading zero.
int32_t point_index(const char* keyword, int32_t limit) {
  if (keyword == nullptr || keyword[0] == '\0') return -1;
  const char* digits = keyword + 1;
  if (digits[0] == '\0' || (digits[0] == '0' && digits[1] != '\0')) return -1;
  int64_t index = 0;
  for (const char* c = digits; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return -1;
    index = index * 10 + (*c - '0');
    if (index >= limit) return -1;
  }
  return static_cast<int32_t>(index);
}

CPoint pixel_of(const CWorldMap& map, const CLatLng& p) {
  int32_t x = 0;
  int32_t y = 0;
  map.LatLng2PixelLoc(&x, &y, p.latitude, p.longitude);
  return CPoint(x, y);
}

}  // namespace

int PointLine::add(double lat, double lng) {
  points_.push_back(std::make_unique<CLatLng>(lat, lng));
  return count() - 1;
}

void PointLine::remove_first(double lat, double lng) {
  const auto found = std::find_if(points_.begin(), points_.end(), [&](const auto& p) {
    return p->latitude == lat && p->longitude == lng;
  });
  if (found != points_.end()) points_.erase(found);
}

std::string PointLine::kqml() const {
  std::string out;
  for (int i = 0; i < count(); ++i) {
    out +=
        str_format(" :%d (tell :lat %f :lng %f)", i, points_[i]->latitude, points_[i]->longitude);
  }
  return out;
}

std::string PointLine::xml() const {
  std::string out;
  for (const auto& p : points_) {
    out += str_format("<Point Lat=\"%f\" Lng=\"%f\"/>\n", p->latitude, p->longitude);
  }
  return out;
}

PointLine::Load PointLine::read_kqml(CParser& parser) {
  const char* count_text = parser.find_token("count");
  if (count_text == nullptr) return Load::missing_count;
  const int32_t wanted = read_int(count_text);
  // Every point needs a keyword of its own: a larger count cannot be met,
  // and stepping through it could take for ever.
  const CLList* tokens = parser.get_tokens();
  const int32_t present = tokens != nullptr ? tokens->get_nr_elements() : 0;
  if (wanted < 0 || wanted > present) return Load::bad_count;

  // The points' texts in one walk over the keywords (a find_token per index
  // would walk them once per point). As with find_token, the first keyword
  // naming an index counts, whether or not it has a value.
  std::vector<const char*> values(size_t(wanted), nullptr);
  std::vector<bool> named(size_t(wanted), false);
  for (const CListElement* e = tokens != nullptr ? tokens->get_element(0) : nullptr; e != nullptr;
       e = e->get_next()) {
    const auto* token = dynamic_cast<const CToken*>(e);
    if (token == nullptr || token->get_token() == nullptr) break;  // where find_token stops
    const int32_t index = point_index(token->get_token()->get_name(), wanted);
    if (index < 0 || named[size_t(index)]) continue;
    named[size_t(index)] = true;
    const CListElement* value = token->get_token_content();
    values[size_t(index)] = value != nullptr ? value->get_name() : nullptr;
  }

  clear();
  int32_t loaded = 0;
  CParser point;
  for (const char* value : values) {
    if (value == nullptr || point.parse_message(value) != 1) continue;
    // A value that is no finite number within reach counts as missing.
    double lat = 0.0;
    double lng = 0.0;
    if (!read_real_within(point.find_token("lat"), -kMaxCoordinate, kMaxCoordinate, &lat) ||
        !read_real_within(point.find_token("lng"), -kMaxCoordinate, kMaxCoordinate, &lng)) {
      continue;
    }
    add(lat, lng);
    ++loaded;
  }
  return loaded < wanted ? Load::incomplete : Load::complete;
}

void PointLine::add_xml(const DOMNode& node) {
  const DOMNodeList children = node.getChildNodes();
  for (int i = 0; i < children.getLength(); ++i) {
    const DOMNode child = children.item(i);
    if (child.getNodeType() != ELEMENT_NODE) continue;
    const DOMNamedNodeMap attributes = child.getAttributes();
    const int lat = attributes.findNamedItem("Lat");
    const int lng = attributes.findNamedItem("Lng");
    if (lat < 0 || lng < 0) continue;
    const auto lat_text = attributes.item(lat).getNodeValue();
    const auto lng_text = attributes.item(lng).getNodeValue();
    add(read_real(lat_text ? lat_text->c_str() : ""), read_real(lng_text ? lng_text->c_str() : ""));
  }
}

void PointLine::store(CArchive& ar) const {
  for (const auto& p : points_) p->Serialize(ar);
}

void PointLine::load(CArchive& ar, int32_t count) {
  for (int32_t i = 0; i < count && !ar.IsFailed(); ++i) {
    auto p = std::make_unique<CLatLng>();
    p->Serialize(ar);
    if (ar.IsFailed()) break;
    points_.push_back(std::move(p));
  }
}

void PointLine::draw(CDC* dc, const CWorldMap& map) const {
  for (size_t i = 0; i + 1 < points_.size(); ++i) {
    dc->MoveTo(pixel_of(map, *points_[i]));
    dc->LineTo(pixel_of(map, *points_[i + 1]));
  }
}

void erase_outside(CDC* dc, const CWorldMap& map, std::initializer_list<const PointLine*> lines) {
  double low = map.GetMinLng();
  double high = map.GetMaxLat();
  for (const PointLine* line : lines) {
    for (const auto& p : line->points()) {
      if (p->longitude < map.GetMinLng() && p->longitude < low) low = p->longitude;
      if (p->latitude > map.GetMaxLat() && p->latitude > high) high = p->latitude;
    }
  }
  const int64_t zoom = map.getScalefactor();
  const int64_t map_right = int64_t(map.getWidth()) * zoom;
  const int64_t map_bottom = int64_t(map.getHeight()) * zoom;
  // The corners of each strip come from the bounds and the outermost points;
  // the side facing the map is the map's own edge, and the far side takes in
  // the whole cell of the outermost point, where its line ends.
  const CPoint origin = pixel_of(map, CLatLng(map.GetMinLat(), map.GetMinLng()));
  const CPoint below = pixel_of(map, CLatLng(map.GetMaxLat(), low));
  const CPoint top_right = pixel_of(map, CLatLng(map.GetMaxLat(), map.GetMaxLng()));
  const CPoint far = pixel_of(map, CLatLng(high, low));
  CBrush white(RGB(255, 255, 255));
  dc->FillRect(CRect(origin.x, saturate(map_bottom), below.x, saturate(below.y + zoom)), &white);
  dc->FillRect(CRect(saturate(map_right), top_right.y, saturate(far.x + zoom), saturate(far.y + zoom)),
               &white);
}

}  // namespace maps
