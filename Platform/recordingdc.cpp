#include "Platform/recordingdc.h"

#include <cstdio>

namespace platform {

namespace {

std::string join(const std::vector<int>& args, size_t from, size_t count) {
  std::string out;
  for (size_t i = from; i < from + count && i < args.size(); ++i) {
    if (i > from) out += ",";
    out += std::to_string(args[i]);
  }
  return out;
}

std::string background_text(const DrawCall& call) {
  return call.bk_mode == TRANSPARENT ? "bk(transparent)"
                                     : "bk(opaque," + colour_text(call.bk_colour) + ")";
}

// The pen and what else decides its pixels: a dotted pen's gaps take the
// background colour when the mode is opaque.
std::string pen_text(const DrawCall& call) {
  std::string out = describe(call.pen);
  if (call.pen.style == PS_DOT && call.pen.width <= 1 && call.bk_mode == OPAQUE) {
    out += " " + background_text(call);
  }
  return out;
}

// The brush and, for a monochrome pattern, the colours of its two kinds of bits.
std::string brush_text(const DrawCall& call) {
  std::string out = describe(call.brush);
  if (call.brush.kind == BrushKind::pattern && call.brush.pattern->monochrome) {
    out += " text(" + colour_text(call.text_colour) + ") bk(" + colour_text(call.bk_colour) + ")";
  }
  return out;
}

std::string text_state(const DrawCall& call) {
  return "text(" + colour_text(call.text_colour) + ") " + background_text(call);
}

}  // namespace

std::string DrawCall::str() const {
  std::string out = dc > 0 ? "#" + std::to_string(dc) + " " : "";
  out += op + "(";
  if (state) return out + text + ")";
  if (op == "LineTo") {
    out += join(args, 0, 2) + ") from(" + std::to_string(position.x) + "," +
           std::to_string(position.y) + ") " + pen_text(*this);
  } else if (op == "Rectangle" || op == "Ellipse") {
    out += join(args, 0, 4) + ") " + pen_text(*this) + " " + brush_text(*this);
  } else if (op == "Polygon") {
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
      out += (i > 0 ? ",(" : "(") + join(args, i, 2) + ")";
    }
    out += ") " + pen_text(*this) + " " + brush_text(*this);
  } else if (op == "FillRect") {
    out += join(args, 0, 4) + ") " + brush_text(*this);
  } else if (op == "TextOut") {
    out += join(args, 0, 2) + ",\"" + text + "\") " + text_state(*this);
  } else if (op == "DrawText") {
    char format[16];
    std::snprintf(format, sizeof format, "0x%04X", unsigned(args.at(4)));
    out += "\"" + text + "\"," + join(args, 0, 4) + "," + format + ") " + text_state(*this);
  } else if (op == "PatBlt" || op == "BitBlt") {
    const bool bit = op == "BitBlt";
    const uint32_t rop = uint32_t(args.back());
    out += join(args, 0, 4) + ",";
    if (bit) {
      out += (args[4] < 0 ? std::string("?") : "#" + std::to_string(args[4])) + "," +
             join(args, 5, 2) + ",";
    }
    out += rop_text(rop) + ")";
    if (rop_uses_pattern(rop)) out += " " + brush_text(*this);
  } else {
    out += join(args, 0, args.size()) + ")";
  }
  return out;
}

RecordingDC::RecordingDC()
    : RecordingDC(std::make_shared<std::vector<DrawCall>>(), std::make_shared<int>(0), 0) {}

RecordingDC::RecordingDC(std::shared_ptr<std::vector<DrawCall>> log,
                         std::shared_ptr<int> contexts, int number)
    : CDC(number > 0), log_(std::move(log)), contexts_(std::move(contexts)), number_(number) {}

std::vector<std::string> RecordingDC::lines() const {
  std::vector<std::string> out;
  for (const DrawCall& call : *log_) out.push_back(call.str());
  return out;
}

std::vector<std::string> RecordingDC::output_lines() const {
  std::vector<std::string> out;
  for (const DrawCall& call : *log_) {
    if (!call.state) out.push_back(call.str());
  }
  return out;
}

DrawCall& RecordingDC::add(const char* op, std::vector<int> args, bool state) {
  DrawCall& call = log_->emplace_back();
  call.dc = number_;
  call.state = state;
  call.op = op;
  call.args = std::move(args);
  call.pen = pen();
  call.brush = brush();
  call.text_colour = GetTextColor();
  call.bk_colour = GetBkColor();
  call.bk_mode = GetBkMode();
  call.position = GetCurrentPosition();
  return call;
}

void RecordingDC::state_changed(const char* call, const std::string& args) {
  add(call, {}, true).text = args;
}

std::unique_ptr<CDC> RecordingDC::create_compatible() {
  const int number = ++*contexts_;
  add("CreateCompatibleDC", {}, true).text = "#" + std::to_string(number);
  return std::unique_ptr<CDC>(new RecordingDC(log_, contexts_, number));
}

bool RecordingDC::draw_line(CPoint from, CPoint to) {
  add("LineTo", {to.x, to.y}).position = from;
  return true;
}

bool RecordingDC::draw_rectangle(const CRect& r) {
  add("Rectangle", {r.left, r.top, r.right, r.bottom});
  return true;
}

bool RecordingDC::draw_ellipse(const CRect& r) {
  add("Ellipse", {r.left, r.top, r.right, r.bottom});
  return true;
}

bool RecordingDC::draw_polygon(const CPoint* points, int count) {
  std::vector<int> args;
  for (int i = 0; i < count; ++i) {
    args.push_back(points[i].x);
    args.push_back(points[i].y);
  }
  add("Polygon", std::move(args));
  return true;
}

void RecordingDC::fill_rect(const CRect& rect, const LogBrush& brush) {
  add("FillRect", {rect.left, rect.top, rect.right, rect.bottom}).brush = brush;
}

bool RecordingDC::text_out(int x, int y, const char* text) {
  add("TextOut", {x, y}).text = text;
  return true;
}

int RecordingDC::draw_text(const char* text, const CRect& rect, unsigned format) {
  add("DrawText", {rect.left, rect.top, rect.right, rect.bottom, int(format)}).text = text;
  int lines = 1;
  for (const char* p = text; *p; ++p) lines += *p == '\n';
  return 16 * lines;
}

bool RecordingDC::pat_blt(int x, int y, int width, int height, uint32_t rop) {
  add("PatBlt", {x, y, width, height, int(rop)});
  return true;
}

bool RecordingDC::bit_blt(int x, int y, int width, int height, CDC* source, int source_x,
                          int source_y, uint32_t rop) {
  const auto* recorder = dynamic_cast<const RecordingDC*>(source);
  add("BitBlt", {x, y, width, height, recorder ? recorder->number_ : -1, source_x, source_y,
                 int(rop)});
  return true;
}

}  // namespace platform
