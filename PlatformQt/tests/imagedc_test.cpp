#include "PlatformQt/imagedc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "Platform/recordingdc.h"

#include "PlatformQt/screenshot.h"
#include "testsupport/pixelart.h"
#include "testsupport/tempdir.h"

namespace {

using platform::ImageDC;
using testsupport::Art;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGray = RGB(128, 128, 128);

QImage white_image(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// One character a pixel: '.' white, '#' black, 'g' gray, 'r' red, 'b' blue,
// 'c' cyan, '?' anything else.
Art art(const QImage& image) {
  return testsupport::pixel_art(image, {{0xFFFFFF, '.'}, {0x000000, '#'}, {0x808080, 'g'},
                                        {0xFF0000, 'r'}, {0x0000FF, 'b'}, {0x00FFFF, 'c'}});
}

struct PixelCase {
  const char* name;
  int width, height;
  std::function<void(CDC&)> draw;
  Art expected;
};

void select_gray_brush(CDC& dc) { dc.SelectStockObject(GRAY_BRUSH); }

const PixelCase kShapes[] = {
    {"rectangle leaves out its right and bottom edge", 7, 5,
     [](CDC& dc) {
       select_gray_brush(dc);
       dc.Rectangle(1, 1, 5, 4);
     },
     {".......",
      ".####..",
      ".#gg#..",
      ".####..",
      "......."}},
    {"rectangle with the null pen fills its whole box", 7, 5,
     [](CDC& dc) {
       select_gray_brush(dc);
       dc.SelectStockObject(NULL_PEN);
       dc.Rectangle(5, 4, 1, 1);  // corners in any order
     },
     {".......",
      ".gggg..",
      ".gggg..",
      ".gggg..",
      "......."}},
    {"one-pixel rectangle, null brush", 4, 3,
     [](CDC& dc) {
       dc.SelectStockObject(NULL_BRUSH);
       dc.Rectangle(1, 1, 2, 2);
       dc.Rectangle(2, 0, 2, 3);  // empty: nothing
     },
     {"....",
      ".#..",
      "...."}},
    {"ellipse fits its box", 6, 6,
     [](CDC& dc) {
       select_gray_brush(dc);
       dc.Ellipse(1, 1, 5, 5);
     },
     {"......",
      "..##..",
      ".#gg#.",
      ".#gg#.",
      "..##..",
      "......"}},
    {"ellipse of one cell at zoom 1 is one pixel", 3, 3,
     [](CDC& dc) { dc.Ellipse(1, 1, 2, 2); },
     {"...",
      ".#.",
      "..."}},
    {"wide ellipse", 11, 5,
     [](CDC& dc) {
       select_gray_brush(dc);
       dc.Ellipse(0, 0, 11, 5);
     },
     {"..#######..",
      "##ggggggg##",
      "#ggggggggg#",
      "##ggggggg##",
      "..#######.."}},
    {"lines leave out their end point", 6, 5,
     [](CDC& dc) {
       dc.MoveTo(1, 1);
       dc.LineTo(5, 1);
       dc.MoveTo(0, 2);
       dc.LineTo(3, 5);
       dc.MoveTo(5, 4);
       dc.LineTo(5, 4);  // no length: nothing
     },
     {"......",
      ".####.",
      "#.....",
      ".#....",
      "..#..."}},
    {"a shallow line rounds halves up", 7, 3,
     [](CDC& dc) {
       dc.MoveTo(0, 0);
       dc.LineTo(6, 2);
     },
     {"##.....",
      "..###..",
      ".....#."}},
    {"pens of width 0 and 1 draw one pixel, width 2 stamps two", 8, 6,
     [](CDC& dc) {
       CPen thin(PS_SOLID, 0, kRed), one(PS_SOLID, 1, kBlue), two(PS_SOLID, 2, RGB(0, 0, 0));
       dc.SelectObject(&thin);
       dc.MoveTo(0, 0);
       dc.LineTo(4, 0);
       dc.SelectObject(&one);
       dc.MoveTo(0, 1);
       dc.LineTo(4, 1);
       dc.SelectObject(&two);
       dc.MoveTo(2, 4);
       dc.LineTo(5, 4);
     },
     {"rrrr....",
      "bbbb....",
      "........",
      ".#####..",
      ".#####..",
      "........"}},
    {"dotted pen, transparent: three on, three off", 14, 1,
     [](CDC& dc) {
       CPen dots(PS_DOT, 1, kRed);
       dc.SelectObject(&dots);
       dc.SetBkMode(TRANSPARENT);
       dc.MoveTo(0, 0);
       dc.LineTo(14, 0);
     },
     {"rrr...rrr...rr"}},
    {"dotted pen, opaque: the gaps take the background colour", 14, 1,
     [](CDC& dc) {
       CPen dots(PS_DOT, 0, kRed);
       dc.SelectObject(&dots);
       dc.SetBkColor(kBlue);
       dc.MoveTo(0, 0);
       dc.LineTo(14, 0);
     },
     {"rrrbbbrrrbbbrr"}},
    {"a wide dotted pen draws solid", 6, 3,
     [](CDC& dc) {
       CPen dots(PS_DOT, 2, kRed);
       dc.SelectObject(&dots);
       dc.SetBkMode(TRANSPARENT);
       dc.MoveTo(1, 1);
       dc.LineTo(4, 1);
     },
     {"rrrrr.",
      "rrrrr.",
      "......"}},
    {"dotted rectangle outline runs round the ring", 5, 3,
     [](CDC& dc) {
       CPen dots(PS_DOT, 1, kRed);
       dc.SelectObject(&dots);
       dc.SelectStockObject(NULL_BRUSH);
       dc.SetBkMode(TRANSPARENT);
       dc.Rectangle(0, 0, 5, 3);
     },
     {"rrr..",  // steps 0 to 4
      ".....",  // right 5, left 11
      "..rrr"}},  // right 6, bottom 7 to 10
    {"polygon outline passes through every point, fill by pixel centres", 6, 6,
     [](CDC& dc) {
       select_gray_brush(dc);
       const CPoint square[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
       dc.Polygon(square, 4);
     },
     {"......",
      ".####.",
      ".#gg#.",
      ".#gg#.",
      ".####.",
      "......"}},
    {"polygon fill without pen", 6, 5,
     [](CDC& dc) {
       select_gray_brush(dc);
       dc.SelectStockObject(NULL_PEN);
       const CPoint triangle[] = {{0, 0}, {4, 0}, {0, 4}};
       dc.Polygon(triangle, 3);
     },
     {"ggg...",  // (3, 0) has its centre on the edge: out
      "gg....",
      "g.....",
      "......",
      "......"}},
    {"fill rect covers exactly its area, an inverted one nothing", 5, 4,
     [](CDC& dc) {
       CBrush red(kRed);
       dc.FillRect(CRect(1, 1, 4, 3), &red);
       dc.FillRect(CRect(4, 3, 0, 0), &red);
     },
     {".....",
      ".rrr.",
      ".rrr.",
      "....."}},
};

TEST(ImageDC, ShapesFollowThePixelRules) {
  for (const PixelCase& c : kShapes) {
    QImage image = white_image(c.width, c.height);
    ImageDC dc(&image);
    c.draw(dc);
    EXPECT_EQ(art(image), c.expected) << c.name;
  }
}

TEST(ImageDC, EllipseTouchesEveryEdgeOfItsBoxAndNothingOutside) {
  const CRect boxes[] = {{2, 3, 30, 17}, {1, 1, 40, 40}, {5, 2, 8, 30}};
  for (const CRect& box : boxes) {
    QImage image = white_image(45, 45);
    ImageDC dc(&image);
    dc.Ellipse(box);
    int left = 99, top = 99, right = -1, bottom = -1;
    for (int y = 0; y < 45; ++y) {
      for (int x = 0; x < 45; ++x) {
        if ((image.pixel(x, y) & 0xFFFFFF) != 0) continue;
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
    }
    EXPECT_EQ(CRect(left, top, right, bottom), box);
  }
}

TEST(ImageDC, FarCoordinatesAreClippedQuicklyAndSafely) {
  QImage image = white_image(10, 10);
  ImageDC dc(&image);
  CPen wide(PS_SOLID, 5, kRed);
  dc.SelectObject(&wide);
  select_gray_brush(dc);
  dc.Ellipse(-100, -100, 200, 200);
  dc.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  dc.Rectangle(INT_MIN, -5, INT_MAX, 3);
  dc.MoveTo(INT_MIN, 5);
  dc.LineTo(INT_MAX, 5);
  const CPoint far[] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}};
  dc.Polygon(far, 3);
  CBrush blue(kBlue);
  dc.FillRect(CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), &blue);
  dc.PatBlt(INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, DSTINVERT);
  dc.PatBlt(INT_MIN, INT_MIN, INT_MAX, INT_MAX, DSTINVERT);
  dc.BitBlt(0, 0, INT_MAX, INT_MAX, &dc, INT_MIN, INT_MAX, SRCCOPY);
  EXPECT_EQ(image.size(), QSize(10, 10));
}

TEST(ImageDC, DotsKeepTheirPlaceWhenTheLineStartsFarOutside) {
  // 6 000 000 pixels lie before x = 0: a whole number of dot periods.
  for (const CPoint start : {CPoint(-6000000, 0), CPoint(6000013, 0)}) {
    QImage image = white_image(14, 1);
    ImageDC dc(&image);
    CPen dots(PS_DOT, 1, kRed);
    dc.SelectObject(&dots);
    dc.SetBkMode(TRANSPARENT);
    dc.MoveTo(start);
    dc.LineTo(start.x < 0 ? 14 : -1, 0);
    EXPECT_EQ(art(image), start.x < 0 ? Art{"rrr...rrr...rr"} : Art{"rr...rrr...rrr"});
  }
}

TEST(ImageDC, DottedCircleIsTheSameWhereverItIsCut) {
  // The same circle drawn whole and cut by the left edge of the image.
  QImage whole = white_image(60, 60);
  ImageDC whole_dc(&whole);
  QImage cut = white_image(40, 60);
  ImageDC cut_dc(&cut);
  for (CDC* dc : {static_cast<CDC*>(&whole_dc), static_cast<CDC*>(&cut_dc)}) {
    CPen dots(PS_DOT, 1, kRed);
    dc->SelectObject(&dots);
    dc->SelectStockObject(NULL_BRUSH);
    dc->SetBkMode(TRANSPARENT);
  }
  whole_dc.Ellipse(5, 5, 55, 55);
  cut_dc.Ellipse(-15, 5, 35, 55);
  EXPECT_EQ(whole.copy(20, 0, 40, 60), cut);
}

TEST(ImageDC, PatBltCombinesBrushAndDestination) {
  const struct {
    uint32_t rop;
    std::string row;
  } cases[] = {
      {PATCOPY, "rrrr."},   {BLACKNESS, "####."}, {WHITENESS, "....."},
      {DSTINVERT, ".ccc."}, {PATINVERT, "r###."},
  };
  for (const auto& c : cases) {
    // Before: a black column, three red ones, a white one.
    QImage image = white_image(5, 2);
    ImageDC dc(&image);
    CBrush red(kRed);
    dc.SelectObject(&red);
    dc.MoveTo(0, 0);
    dc.LineTo(0, 2);
    dc.PatBlt(1, 0, 3, 2, PATCOPY);
    EXPECT_TRUE(dc.PatBlt(0, 0, 4, 2, c.rop));
    EXPECT_EQ(art(image), (Art{c.row, c.row})) << platform::rop_text(c.rop);
  }
}

TEST(ImageDC, CheckerPatternHighlightsWithAndThenOr) {
  // A checker of 0x55 / 0xAA rows: text colour on 0 bits, background colour
  // on 1 bits.
  const uint16_t checker[] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  CBitmap bits;
  ASSERT_TRUE(bits.CreateBitmap(8, 8, 1, 1, checker));
  CBrush pattern;
  ASSERT_TRUE(pattern.CreatePatternBrush(&bits));

  QImage image = white_image(4, 2);
  ImageDC dc(&image);
  dc.SelectObject(&pattern);
  dc.PatBlt(0, 0, 4, 2, 0x00A000C9);  // destination AND pattern
  EXPECT_EQ(art(image), (Art{"#.#.", ".#.#"}));
  dc.SetTextColor(kBlue);
  dc.SetBkColor(RGB(0, 0, 0));
  dc.PatBlt(0, 0, 4, 2, 0x00FA0089);  // destination OR pattern
  EXPECT_EQ(art(image), (Art{"b.b.", ".b.b"}));
}

TEST(ImageDC, MemoryContextDrawsIntoItsBitmapAndBlitsIt) {
  QImage screen = white_image(6, 4);
  ImageDC dc(&screen);
  std::unique_ptr<CDC> memory = dc.CreateCompatibleDC();
  auto bitmap = std::make_unique<CBitmap>();
  ASSERT_TRUE(bitmap->CreateCompatibleBitmap(&dc, 3, 2));
  EXPECT_EQ(memory->SelectObject(bitmap.get()), nullptr);
  bitmap.reset();  // the context keeps the pixels
  CBrush red(kRed);
  memory->FillRect(CRect(0, 0, 3, 2), &red);
  memory->MoveTo(0, 1);
  memory->LineTo(3, 1);

  EXPECT_TRUE(dc.BitBlt(2, 1, 3, 2, memory.get(), 0, 0, SRCCOPY));
  EXPECT_EQ(art(screen), (Art{"......", "..rrr.", "..###.", "......"}));
  // Pixels whose source lies beyond the bitmap stay as they are.
  EXPECT_TRUE(dc.BitBlt(0, 0, 3, 2, memory.get(), 1, 0, SRCAND));
  EXPECT_EQ(art(screen), (Art{"rr....", "##rrr.", "..###.", "......"}));
  // Onto itself, overlapping: the source is read before it is written.
  EXPECT_TRUE(dc.BitBlt(1, 0, 5, 4, &dc, 0, 0, SRCCOPY));
  EXPECT_EQ(art(screen), (Art{"rrr...", "###rrr", "...###", "......"}));
}

// The box of the pixels that are not white; empty when none.
CRect ink(const QImage& image) {
  int left = image.width(), top = image.height(), right = 0, bottom = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x + 1);
      bottom = std::max(bottom, y + 1);
    }
  }
  return {left, top, right, bottom};
}

bool only_colours(const QImage& image, std::initializer_list<uint32_t> colours) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (std::find(colours.begin(), colours.end(), image.pixel(x, y) & 0xFFFFFF) ==
          colours.end()) {
        return false;
      }
    }
  }
  return true;
}

TEST(ImageDC, TextGoesIntoTheSelectedBitmap) {
  QImage screen = white_image(40, 20);
  ImageDC dc(&screen);
  std::unique_ptr<CDC> memory = dc.CreateCompatibleDC();
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 40, 20));
  memory->SelectObject(&bitmap);
  memory->PatBlt(0, 0, 40, 20, WHITENESS);
  memory->SetBkMode(TRANSPARENT);
  EXPECT_TRUE(memory->TextOut(2, 2, "8"));
  EXPECT_TRUE(ink(screen).IsRectEmpty());  // nothing on the screen yet
  dc.BitBlt(0, 0, 40, 20, memory.get(), 0, 0, SRCCOPY);
  EXPECT_FALSE(ink(screen).IsRectEmpty());
  EXPECT_GE(ink(screen).left, 2);
}

TEST(ImageDC, ContextsWithoutPixelsDrawNothing) {
  QImage screen = white_image(4, 4);
  ImageDC dc(&screen);
  std::unique_ptr<CDC> memory = dc.CreateCompatibleDC();
  EXPECT_FALSE(memory->Rectangle(0, 0, 2, 2));
  EXPECT_FALSE(memory->TextOut(0, 0, "x"));
  EXPECT_FALSE(dc.BitBlt(0, 0, 2, 2, memory.get(), 0, 0, SRCCOPY));

  platform::RecordingDC recorder;
  EXPECT_FALSE(dc.BitBlt(0, 0, 2, 2, &recorder, 0, 0, SRCCOPY));

  // A monochrome bitmap is a source only.
  const uint16_t rows[] = {0x40, 0x80};
  CBitmap mono;
  ASSERT_TRUE(mono.CreateBitmap(2, 2, 1, 1, rows));
  EXPECT_NE(memory->SelectObject(&mono), &mono);
  EXPECT_FALSE(memory->Rectangle(0, 0, 2, 2));
  dc.SetTextColor(kRed);
  dc.SetBkColor(kBlue);
  EXPECT_TRUE(dc.BitBlt(0, 0, 2, 2, memory.get(), 0, 0, SRCCOPY));
  EXPECT_EQ(art(screen), (Art{"rb..", "br..", "....", "...."}));

  QImage null_image;
  ImageDC on_nothing(&null_image);
  EXPECT_FALSE(on_nothing.LineTo(3, 3));
}

TEST(ImageDC, OtherImageFormatsAreTakenAsRgb) {
  QImage image(3, 1, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  ImageDC dc(&image);
  dc.MoveTo(0, 0);
  dc.LineTo(2, 0);
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(art(image), (Art{"##."}));
}

TEST(ImageDC, TextOutPaintsCrispTextFromItsTopLeft) {
  QImage image = white_image(60, 30);
  ImageDC dc(&image);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kRed);
  EXPECT_TRUE(dc.TextOut(10, 5, "47"));
  const CRect box = ink(image);
  EXPECT_FALSE(box.IsRectEmpty());
  EXPECT_GE(box.left, 10);
  EXPECT_GE(box.top, 5);
  EXPECT_LT(box.right, 10 + 20);
  EXPECT_LT(box.bottom, 5 + 16);
  EXPECT_TRUE(only_colours(image, {0xFFFFFF, 0xFF0000}));  // not antialiased

  QImage opaque = white_image(60, 30);
  ImageDC opaque_dc(&opaque);
  opaque_dc.SetBkColor(kBlue);
  opaque_dc.TextOut(10, 5, "47");
  EXPECT_EQ(opaque.pixel(10, 5) & 0xFFFFFF, 0x0000FFu);  // the cell begins at (x, y)
  EXPECT_EQ(ink(opaque).TopLeft(), CPoint(10, 5));
  EXPECT_TRUE(only_colours(opaque, {0xFFFFFF, 0x0000FF, 0x000000}));
}

TEST(ImageDC, DrawTextBreaksBetweenWordsAndClipsToItsRectangle) {
  const CRect rect(5, 5, 45, 60);
  QImage one_line = white_image(80, 70);
  ImageDC one_dc(&one_line);
  const int height = one_dc.DrawText("alpha", rect, DT_NOPREFIX);
  EXPECT_GT(height, 10);

  QImage broken = white_image(80, 70);
  ImageDC broken_dc(&broken);
  EXPECT_EQ(broken_dc.DrawText("alpha beta", rect, DT_WORDBREAK | DT_NOPREFIX), 2 * height);
  EXPECT_GT(ink(broken).bottom, rect.top + height);  // a second line
  EXPECT_TRUE(ink(broken).right <= rect.right);

  QImage clipped = white_image(80, 70);
  ImageDC clipped_dc(&clipped);
  EXPECT_EQ(clipped_dc.DrawText("alpha beta gamma", rect, DT_NOPREFIX), height);
  EXPECT_LE(ink(clipped).right, rect.right);
  EXPECT_LE(ink(clipped).bottom, rect.top + height);
  QImage unclipped = white_image(200, 70);
  ImageDC unclipped_dc(&unclipped);
  unclipped_dc.DrawText("alpha beta gamma", CRect(5, 5, 200, 60), DT_NOPREFIX);
  EXPECT_GT(ink(unclipped).right, rect.right);  // so the clip did cut it

  QImage lines = white_image(80, 70);
  ImageDC lines_dc(&lines);
  EXPECT_EQ(lines_dc.DrawText("a\r\nb\nc", rect, DT_NOPREFIX), 3 * height);
}

TEST(ImageDC, AmpersandsArePrefixesUnlessTurnedOff) {
  QImage prefixed = white_image(60, 20);
  ImageDC prefixed_dc(&prefixed);
  prefixed_dc.DrawText("R&&D", CRect(0, 0, 60, 20), 0);
  QImage plain = white_image(60, 20);
  ImageDC plain_dc(&plain);
  plain_dc.DrawText("R&D", CRect(0, 0, 60, 20), DT_NOPREFIX);
  EXPECT_EQ(prefixed, plain);
  QImage marked = white_image(60, 20);
  ImageDC marked_dc(&marked);
  marked_dc.DrawText("&RD", CRect(0, 0, 60, 20), 0);
  QImage bare = white_image(60, 20);
  ImageDC bare_dc(&bare);
  bare_dc.DrawText("RD", CRect(0, 0, 60, 20), DT_NOPREFIX);
  EXPECT_EQ(marked, bare);
}

TEST(Screenshot, SavesThePixelsAsPng) {
  testsupport::TempDir dir;
  QImage image = white_image(8, 8);
  ImageDC dc(&image);
  dc.SelectStockObject(GRAY_BRUSH);
  dc.Ellipse(0, 0, 8, 8);
  const std::string path = dir.file("map.png");
  ASSERT_TRUE(platform::save_png(image, path.c_str()));
  QImage back(QString::fromStdString(path));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);

  QWidget widget;
  widget.resize(40, 30);
  EXPECT_TRUE(platform::save_png(&widget, dir.file("widget.png").c_str()));
  EXPECT_EQ(QImage(QString::fromStdString(dir.file("widget.png"))).size(), QSize(40, 30));
  EXPECT_FALSE(platform::save_png(image, dir.file("no/dir/x.png").c_str()));
  EXPECT_FALSE(platform::save_png(QImage(), dir.file("null.png").c_str()));
}

}  // namespace
