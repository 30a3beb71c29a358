#include "TesselMapsLib/latlng.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

namespace {

TEST(LatLng, TextConstructorReadsLikeAtof) {
  const struct {
    const char* lat;
    const char* lng;
    double want_lat;
    double want_lng;
  } cases[] = {
      {"12.5abc", "", 12.5, 0.0},
      {"  -3", "7e1", -3.0, 70.0},
      {"x1", nullptr, 0.0, 0.0},
      {"+0.25", "\t1.5 2", 0.25, 1.5},
  };
  for (const auto& c : cases) {
    const CLatLng p(c.lat, c.lng);
    EXPECT_EQ(p.latitude, c.want_lat) << c.lat;
    EXPECT_EQ(p.longitude, c.want_lng) << c.lat;
  }
}

TEST(LatLng, TextsUseSixDecimals) {
  const CLatLng p(0.1, -3);
  EXPECT_STREQ(p.GetLatStr().get(), "0.100000");
  EXPECT_STREQ(p.GetLngStr().get(), "-3.000000");
}

TEST(LatLng, SettersAndCopies) {
  CLatLng p(1.0, 2.0);
  EXPECT_FALSE(p.SetLatLng(nullptr));
  EXPECT_EQ(p.latitude, 1.0);
  EXPECT_EQ(p.longitude, 2.0);

  const CLatLng other(-4.5, 8.25);
  EXPECT_TRUE(p.SetLatLng(&other));
  EXPECT_EQ(p.latitude, -4.5);
  EXPECT_EQ(p.longitude, 8.25);

  const CLatLng copy(&other);
  EXPECT_EQ(copy.latitude, -4.5);
  EXPECT_EQ(copy.longitude, 8.25);
  const CLatLng from_null(static_cast<const CLatLng*>(nullptr));
  EXPECT_EQ(from_null.latitude, 0.0);
  EXPECT_EQ(from_null.longitude, 0.0);
}

TEST(LatLng, ArchiveIsTwoLittleEndianDoubles) {
  CLatLng p(0.1, -1e300);
  CArchive out;
  p.Serialize(out);
  ASSERT_EQ(out.GetBytes().size(), 16u);
  // 0.1 is 0x3FB999999999999A.
  const unsigned char first[8] = {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F};
  EXPECT_EQ(std::memcmp(out.GetBytes().data(), first, 8), 0);

  CArchive in(out.GetBytes().data(), out.GetBytes().size());
  CLatLng back;
  back.Serialize(in);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_EQ(std::bit_cast<uint64_t>(back.latitude), std::bit_cast<uint64_t>(0.1));
  EXPECT_EQ(std::bit_cast<uint64_t>(back.longitude), std::bit_cast<uint64_t>(-1e300));
}

TEST(LatLng, MadeByClassName) {
  const CRuntimeClass* runtime = CRuntimeClass::FromName("CLatLng");
  ASSERT_NE(runtime, nullptr);
  EXPECT_EQ(runtime, RUNTIME_CLASS(CLatLng));
  EXPECT_EQ(runtime->m_wSchema, 0u);
  const auto object = runtime->CreateObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetRuntimeClass(), RUNTIME_CLASS(CLatLng));
}

}  // namespace
