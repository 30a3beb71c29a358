#include "Platform/gdiobject.h"

#include <gtest/gtest.h>

namespace {

TEST(GdiObject, ColoursAreBlueGreenRed) {
  EXPECT_EQ(RGB(255, 0, 0), 0x0000FFu);
  EXPECT_EQ(RGB(25, 125, 0), 0x007D19u);
  EXPECT_EQ(GetRValue(0x007D19), 25);
  EXPECT_EQ(GetGValue(0x007D19), 125);
  EXPECT_EQ(GetBValue(0x123456), 0x12);
}

TEST(GdiObject, PensAcceptOnlyTheSupportedStyles) {
  const struct {
    int style, width;
    bool created;
  } cases[] = {
      {PS_SOLID, 0, true}, {PS_SOLID, 2, true}, {PS_DOT, 1, true}, {PS_NULL, 0, true},
      {PS_SOLID, 100, true}, {1, 1, false},       {4, 1, false},
      {PS_SOLID, -1, false}, {PS_SOLID, 101, false},
  };
  for (const auto& c : cases) {
    CPen pen(c.style, c.width, RGB(1, 2, 3));
    EXPECT_EQ(pen.IsCreated(), c.created) << c.style << "," << c.width;
  }
  CPen pen;
  EXPECT_FALSE(pen.IsCreated());
  EXPECT_TRUE(pen.CreatePen(PS_DOT, 1, RGB(0, 0x63, 0x63)));
  EXPECT_EQ(platform::describe(pen.logical()), "pen(dot,1,0x636300)");
}

TEST(GdiObject, StockObjectsCannotBeChanged) {
  auto* gray = static_cast<CBrush*>(platform::stock_object(GRAY_BRUSH));
  EXPECT_FALSE(gray->CreateSolidBrush(RGB(1, 1, 1)));
  EXPECT_EQ(platform::describe(gray->logical()), "brush(solid,0x808080)");
  auto* black = static_cast<CPen*>(platform::stock_object(BLACK_PEN));
  EXPECT_FALSE(black->CreatePen(PS_SOLID, 3, RGB(1, 1, 1)));
  EXPECT_EQ(platform::describe(static_cast<CBrush*>(platform::stock_object(NULL_BRUSH))->logical()),
            "brush(null)");
  EXPECT_EQ(platform::describe(static_cast<CPen*>(platform::stock_object(NULL_PEN))->logical()),
            "pen(null)");
  EXPECT_EQ(platform::stock_object(-1), nullptr);
  EXPECT_EQ(platform::stock_object(9), nullptr);
}

TEST(GdiObject, MonochromeBitmapRowsArePaddedTo16Bits) {
  // 10 pixels a row take two bytes; the second byte holds pixels 8 and 9.
  const unsigned char bits[] = {0x80, 0x40, 0x01, 0x80};
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap(10, 2, 1, 1, bits));
  EXPECT_EQ(bitmap.GetSize(), CSize(10, 2));
  std::string rows;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 10; ++x) rows += bitmap.data()->row(y)[x] == 0xFFFFFFFFu ? '1' : '0';
    rows += '|';
  }
  EXPECT_EQ(rows, "1000000001|0000000110|");
  EXPECT_TRUE(bitmap.data()->monochrome);
}

TEST(GdiObject, BitmapsRefuseBadSizesAndFormats) {
  const unsigned char bits[2] = {};
  CBitmap bitmap;
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 0, 5));
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 5, -1));
  EXPECT_FALSE(bitmap.CreateCompatibleBitmap(nullptr, 1 << 16, 1 << 16));
  EXPECT_FALSE(bitmap.CreateBitmap(1, 1, 1, 8, bits));
  EXPECT_FALSE(bitmap.CreateBitmap(1, 1, 1, 1, nullptr));
  EXPECT_FALSE(bitmap.IsCreated());
  EXPECT_EQ(bitmap.GetSize(), CSize());
  CBrush brush;
  EXPECT_FALSE(brush.CreatePatternBrush(&bitmap));
  EXPECT_FALSE(brush.CreatePatternBrush(nullptr));
}

TEST(GdiObject, PatternBrushKeepsItsOwnCopy) {
  const unsigned char bits[] = {0xFF, 0x00};
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap(8, 1, 1, 1, bits));
  CBrush brush;
  ASSERT_TRUE(brush.CreatePatternBrush(&bitmap));
  bitmap.data()->row(0)[0] = 0xFF000000u;
  EXPECT_EQ(brush.logical().pattern->pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(platform::describe(brush.logical()), "brush(pattern,8x1)");
}

}  // namespace
