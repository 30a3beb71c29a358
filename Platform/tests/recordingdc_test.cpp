#include "Platform/recordingdc.h"

#include <gtest/gtest.h>

namespace {

using platform::RecordingDC;
using Lines = std::vector<std::string>;

TEST(RecordingDC, DrawingCallsCarryTheStateInEffect) {
  RecordingDC dc;
  CPen pen(PS_SOLID, 2, RGB(255, 0, 0));
  CBrush brush(RGB(192, 192, 192));
  CPen* old_pen = dc.SelectObject(&pen);
  CBrush* old_brush = dc.SelectObject(&brush);
  dc.Rectangle(0, 0, 3, 3);
  dc.MoveTo(1, 2);
  dc.LineTo(4, 6);
  dc.LineTo(CPoint(0, 0));
  dc.SelectObject(old_pen);
  dc.SelectObject(old_brush);
  dc.Ellipse(CRect(CPoint(3, 3), CSize(3, 3)));
  const CPoint triangle[] = {{0, 0}, {5, 0}, {0, 5}};
  dc.Polygon(triangle, 3);

  EXPECT_EQ(dc.lines(), (Lines{
                            "SelectObject(pen(solid,2,0x0000FF))",
                            "SelectObject(brush(solid,0xC0C0C0))",
                            "Rectangle(0,0,3,3) pen(solid,2,0x0000FF) brush(solid,0xC0C0C0)",
                            "MoveTo(1,2)",
                            "LineTo(4,6) from(1,2) pen(solid,2,0x0000FF)",
                            "LineTo(0,0) from(4,6) pen(solid,2,0x0000FF)",
                            "SelectObject(pen(solid,0,0x000000))",
                            "SelectObject(brush(solid,0xFFFFFF))",
                            "Ellipse(3,3,6,6) pen(solid,0,0x000000) brush(solid,0xFFFFFF)",
                            "Polygon((0,0),(5,0),(0,5)) pen(solid,0,0x000000) "
                            "brush(solid,0xFFFFFF)",
                        }));
  EXPECT_EQ(dc.output_lines().size(), 5u);
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(0, 0));
}

TEST(RecordingDC, SelectionReturnsThePreviousObjectAndRefusesBadOnes) {
  RecordingDC dc;
  CPen* stock_pen = dc.GetCurrentPen();
  EXPECT_EQ(stock_pen, platform::stock_object(BLACK_PEN));
  EXPECT_EQ(dc.GetCurrentBrush(), platform::stock_object(WHITE_BRUSH));

  CGdiObject* old_brush = dc.SelectStockObject(GRAY_BRUSH);
  EXPECT_EQ(old_brush, platform::stock_object(WHITE_BRUSH));
  EXPECT_EQ(dc.SelectObject(old_brush), platform::stock_object(GRAY_BRUSH));

  CPen not_created;
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 4, 4));
  dc.clear();
  EXPECT_EQ(dc.SelectObject(&not_created), nullptr);
  EXPECT_EQ(dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
  EXPECT_EQ(dc.SelectObject(&bitmap), nullptr);  // a window context holds no bitmap
  EXPECT_EQ(dc.SelectStockObject(99), nullptr);
  EXPECT_EQ(dc.GetCurrentPen(), stock_pen);
  EXPECT_TRUE(dc.calls().empty());
}

TEST(RecordingDC, APenDestroyedWhileSelectedStillDrawsWithItsValues) {
  RecordingDC dc;
  CPen* old_pen;
  {
    CPen pen(PS_DOT, 1, RGB(0, 0x63, 0x63));
    old_pen = dc.SelectObject(&pen);
  }
  dc.SelectStockObject(NULL_BRUSH);
  dc.Ellipse(0, 0, 9, 9);
  dc.SetBkMode(TRANSPARENT);
  dc.Ellipse(0, 0, 9, 9);
  dc.SelectObject(old_pen);
  EXPECT_EQ(dc.output_lines(),
            (Lines{"Ellipse(0,0,9,9) pen(dot,1,0x636300) bk(opaque,0xFFFFFF) brush(null)",
                   "Ellipse(0,0,9,9) pen(dot,1,0x636300) brush(null)"}));
  EXPECT_EQ(dc.GetCurrentPen(), platform::stock_object(BLACK_PEN));
}

TEST(RecordingDC, TextCallsCarryColoursAndMode) {
  RecordingDC dc;
  EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
  EXPECT_EQ(dc.SetTextColor(RGB(255, 255, 204)), RGB(0, 0, 0));
  dc.TextOut(12, 40, "7");
  EXPECT_EQ(dc.DrawText("2,37", CRect(15, 10, 300, 50), DT_WORDBREAK | DT_NOPREFIX), 16);
  EXPECT_EQ(dc.SetBkMode(OPAQUE), TRANSPARENT);
  EXPECT_EQ(dc.SetBkColor(RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(dc.DrawText("a\nb", CRect(0, 0, 5, 5), 0), 32);
  EXPECT_FALSE(dc.TextOut(0, 0, nullptr));
  EXPECT_EQ(dc.output_lines(),
            (Lines{"TextOut(12,40,\"7\") text(0xCCFFFF) bk(transparent)",
                   "DrawText(\"2,37\",15,10,300,50,0x0810) text(0xCCFFFF) bk(transparent)",
                   "DrawText(\"a\nb\",0,0,5,5,0x0000) text(0xCCFFFF) bk(opaque,0x030201)"}));
}

TEST(RecordingDC, CompatibleContextsShareTheLogAndAreNumbered) {
  RecordingDC screen;
  std::unique_ptr<CDC> memory = screen.CreateCompatibleDC();
  std::unique_ptr<CDC> scratch = screen.CreateCompatibleDC();
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 6, 3));
  EXPECT_EQ(memory->SelectObject(&bitmap), nullptr);  // none selected before
  EXPECT_EQ(memory->GetCurrentBitmap(), &bitmap);
  memory->FillRect(CRect(0, 0, 6, 3), static_cast<CBrush*>(platform::stock_object(BLACK_BRUSH)));
  memory->PatBlt(0, 0, 6, 3, DSTINVERT);
  screen.BitBlt(0, 0, 6, 3, memory.get(), 0, 0, SRCCOPY);
  EXPECT_EQ(screen.lines(), (Lines{
                                "CreateCompatibleDC(#1)",
                                "CreateCompatibleDC(#2)",
                                "#1 SelectObject(bitmap(6,3))",
                                "#1 FillRect(0,0,6,3) brush(solid,0x000000)",
                                "#1 PatBlt(0,0,6,3,DSTINVERT)",
                                "BitBlt(0,0,6,3,#1,0,0,SRCCOPY)",
                            }));
  EXPECT_EQ(static_cast<RecordingDC*>(scratch.get())->number(), 2);
}

TEST(RecordingDC, BlitsShowTheBrushOnlyWhenTheRopReadsIt) {
  RecordingDC dc;
  const uint16_t checker[] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  CBitmap pattern;
  ASSERT_TRUE(pattern.CreateBitmap(8, 8, 1, 1, checker));
  CBrush brush;
  ASSERT_TRUE(brush.CreatePatternBrush(&pattern));
  dc.SelectObject(&brush);
  dc.PatBlt(2, 3, 10, 20, 0x00A000C9);
  dc.PatBlt(2, 3, 10, 20, BLACKNESS);
  EXPECT_FALSE(dc.PatBlt(0, 0, 1, 1, SRCCOPY));  // PatBlt has no source
  EXPECT_FALSE(dc.BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(dc.output_lines(),
            (Lines{"PatBlt(2,3,10,20,0x00A000C9) brush(pattern,8x8) text(0x000000) bk(0xFFFFFF)",
                   "PatBlt(2,3,10,20,BLACKNESS)"}));
}

TEST(RecordingDC, RecordedFieldsHoldTheExactArguments) {
  RecordingDC dc;
  dc.SetTextColor(RGB(9, 8, 7));
  dc.MoveTo(-3, 4);
  dc.LineTo(10, -20);
  const platform::DrawCall& call = dc.calls().back();
  EXPECT_EQ(call.op, "LineTo");
  EXPECT_EQ(call.args, (std::vector<int>{10, -20}));
  EXPECT_EQ(call.position, CPoint(-3, 4));
  EXPECT_EQ(call.text_colour, RGB(9, 8, 7));
  EXPECT_FALSE(call.state);
}

TEST(RasterOps, TruthTableTellsWhatARopReads) {
  const struct {
    uint32_t rop;
    bool pattern, source;
    const char* text;
  } cases[] = {
      {SRCCOPY, false, true, "SRCCOPY"},      {PATCOPY, true, false, "PATCOPY"},
      {DSTINVERT, false, false, "DSTINVERT"}, {BLACKNESS, false, false, "BLACKNESS"},
      {WHITENESS, false, false, "WHITENESS"}, {MERGECOPY, true, true, "MERGECOPY"},
      {0x00A000C9, true, false, "0x00A000C9"}, {0x00FA0089, true, false, "0x00FA0089"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::rop_uses_pattern(c.rop), c.pattern) << c.text;
    EXPECT_EQ(platform::rop_uses_source(c.rop), c.source) << c.text;
    EXPECT_EQ(platform::rop_text(c.rop), c.text);
  }
}

}  // namespace
