// A device context that draws nothing and records every call with its exact
// arguments and the drawing state in effect, for tests that compare call
// lists. State changes are recorded when they take effect: a refused
// selection leaves no entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/dc.h"

namespace platform {

struct DrawCall {
  int dc = 0;          // 0: the recorder made directly; n: its n-th compatible context
  bool state = false;  // a state change (SelectObject, SetBkMode, MoveTo, ...) rather than output
  std::string op;      // "Rectangle", "SelectObject", ...
  // Output calls: the integer arguments as given (Polygon: x, y of each point;
  // BitBlt: x, y, width, height, source context number or -1, source x,
  // source y, rop).
  std::vector<int> args;
  // TextOut, DrawText: the text; state changes: the readable arguments.
  std::string text;

  // State in effect. FillRect: `brush` is the brush given.
  LogPen pen;
  LogBrush brush;
  COLORREF text_colour = 0;
  COLORREF bk_colour = 0;
  int bk_mode = OPAQUE;
  CPoint position;  // LineTo: where the line starts

  // One line, with the state that the call uses, e.g.
  //   "Rectangle(0,0,3,3) pen(solid,1,0x000000) brush(solid,0x808080)"
  //   "LineTo(3,3) from(0,0) pen(solid,2,0x0000FF)"
  //   "TextOut(12,40,\"7\") text(0x000000) bk(transparent)"
  //   "#1 PatBlt(0,0,9,9,PATCOPY) brush(solid,0xFFFFFF)"
  //   "SetBkMode(TRANSPARENT)"
  // A compatible context's calls begin with "#n ".
  std::string str() const;
};

class RecordingDC : public CDC {
 public:
  // A window's context: not a memory context.
  RecordingDC();

  // Every call of this context and of the contexts made from it (and from
  // those), in the order made. Text metrics: a line of text is 16 pixels high.
  const std::vector<DrawCall>& calls() const { return *log_; }
  // str() of every call, or of the output calls only.
  std::vector<std::string> lines() const;
  std::vector<std::string> output_lines() const;
  void clear() { log_->clear(); }
  // 0 for this recorder, n for its n-th compatible context.
  int number() const { return number_; }

 protected:
  void state_changed(const char* call, const std::string& args) override;
  std::unique_ptr<CDC> create_compatible() override;
  bool draw_line(CPoint from, CPoint to) override;
  bool draw_rectangle(const CRect& r) override;
  bool draw_ellipse(const CRect& r) override;
  bool draw_polygon(const CPoint* points, int count) override;
  void fill_rect(const CRect& rect, const LogBrush& brush) override;
  bool text_out(int x, int y, const char* text) override;
  int draw_text(const char* text, const CRect& rect, unsigned format) override;
  bool pat_blt(int x, int y, int width, int height, uint32_t rop) override;
  bool bit_blt(int x, int y, int width, int height, CDC* source, int source_x, int source_y,
               uint32_t rop) override;

 private:
  RecordingDC(std::shared_ptr<std::vector<DrawCall>> log, std::shared_ptr<int> contexts,
              int number);
  DrawCall& add(const char* op, std::vector<int> args, bool state = false);

  std::shared_ptr<std::vector<DrawCall>> log_;
  std::shared_ptr<int> contexts_;  // compatible contexts made so far, shared
  int number_;
};

}  // namespace platform
