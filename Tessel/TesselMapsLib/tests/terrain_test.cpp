#include "TesselMapsLib/terrain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Terrain, StartsWithoutStyleCodeOrColour) {
  const CTerrain terrain;
  EXPECT_STREQ(terrain.name(), "");
  EXPECT_EQ(terrain.style(), TerrainStyle(4));
  EXPECT_STREQ(terrain.GetStyleStr(), "ERROR");
  EXPECT_EQ(terrain.code(), 0);
  EXPECT_EQ(terrain.colour(), 0u);
  EXPECT_EQ(terrain.pen(), nullptr);
  EXPECT_EQ(terrain.brush(), nullptr);
}

TEST(Terrain, StyleFromText) {
  const struct {
    const char* text;
    TerrainStyle want;  // starting from STYLE_FOREST
  } cases[] = {
      {"Solid", STYLE_SOLID},     {"Ellipse", STYLE_ELLIPSE}, {"Elipse", STYLE_ELLIPSE},
      {"Cross", STYLE_CROSS},     {"Forest", STYLE_FOREST},   {"solid", STYLE_FOREST},
      {"Solid ", STYLE_FOREST},   {"", STYLE_FOREST},         {"ERROR", STYLE_FOREST},
      {nullptr, STYLE_FOREST},
  };
  for (const auto& c : cases) {
    CTerrain terrain;
    terrain.style(STYLE_FOREST);
    terrain.style(c.text);
    EXPECT_EQ(terrain.style(), c.want) << (c.text ? c.text : "(null)");
  }
}

TEST(Terrain, StyleTexts) {
  EXPECT_EQ(CTerrain::stylesize(), 4);
  const struct {
    int style;
    const char* want;
  } cases[] = {{0, "Solid"}, {1, "Elipse"}, {2, "Cross"}, {3, "Forest"},
               {4, "ERROR"}, {7, "ERROR"},  {-1, "ERROR"}};
  for (const auto& c : cases) EXPECT_STREQ(CTerrain::stylestring(c.style), c.want) << c.style;
  CTerrain terrain;
  terrain.style(STYLE_ELLIPSE);
  EXPECT_STREQ(terrain.GetStyleStr(), "Elipse");
}

TEST(Terrain, CodeAndColour) {
  CTerrain terrain;
  EXPECT_TRUE(terrain.code(33));
  EXPECT_STREQ(terrain.GetCodeStr().get(), "33");
  EXPECT_TRUE(terrain.code(255));
  EXPECT_STREQ(terrain.GetCodeStr().get(), "255");
  terrain.colour(RGB(1, 2, 3));
  EXPECT_EQ(terrain.colour(), 0x030201u);
  terrain.name("Sea");
  EXPECT_STREQ(terrain.name(), "Sea");
  terrain.name(nullptr);
  EXPECT_STREQ(terrain.name(), "");
}

TEST(Terrain, PenAndBrushLiveBetweenConstructAndDestroy) {
  CTerrain terrain;
  terrain.colour(RGB(10, 20, 30));
  terrain.construct_pen();
  terrain.construct_brush();
  ASSERT_NE(terrain.pen(), nullptr);
  ASSERT_NE(terrain.brush(), nullptr);
  EXPECT_EQ(terrain.pen()->logical(), (platform::LogPen{PS_SOLID, 1, RGB(10, 20, 30)}));
  EXPECT_EQ(terrain.brush()->logical().colour, RGB(10, 20, 30));
  terrain.destroy_pen();
  terrain.destroy_brush();
  EXPECT_EQ(terrain.pen(), nullptr);
  EXPECT_EQ(terrain.brush(), nullptr);
}

TEST(Terrain, ArchiveForm) {
  CTerrain terrain;
  terrain.name("Sea");
  terrain.style(STYLE_CROSS);
  terrain.code('A');
  terrain.colour(0x00112233);
  CArchive out;
  terrain.Serialize(out);
  const std::vector<unsigned char> want = {3,    'S',  'e',  'a',  2,    0,   0,
                                           0,    0x41, 0x33, 0x22, 0x11, 0x00};
  EXPECT_EQ(out.GetBytes(), want);

  CArchive in(want.data(), want.size());
  const auto object = CRuntimeClass::CreateObject("CTerrain");
  ASSERT_NE(object, nullptr);
  auto* back = dynamic_cast<CTerrain*>(object.get());
  ASSERT_NE(back, nullptr);
  back->Serialize(in);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_STREQ(back->name(), "Sea");
  EXPECT_EQ(back->style(), STYLE_CROSS);
  EXPECT_EQ(back->code(), 'A');
  EXPECT_EQ(back->colour(), 0x00112233u);

  CArchive again;
  back->Serialize(again);
  EXPECT_EQ(again.GetBytes(), want);
}

}  // namespace
