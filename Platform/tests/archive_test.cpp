#include "Platform/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "testsupport/tempdir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// One value of each width: how it is stored, its exact bytes, and a check
// that loading those bytes gives it back.
struct ValueCase {
  const char* name;
  std::function<void(CArchive&)> store;
  Bytes bytes;
  std::function<bool(CArchive&)> loads_back;
};

template <typename T>
ValueCase value_case(const char* name, T value, Bytes bytes) {
  return {name, [value](CArchive& ar) { ar << value; }, std::move(bytes),
          [value](CArchive& ar) {
            T got{};
            ar >> got;
            return std::memcmp(&got, &value, sizeof value) == 0;
          }};
}

const ValueCase kValues[] = {
    value_case("double 1.0", 1.0, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}),
    value_case("double -2.5", -2.5, {0, 0, 0, 0, 0, 0, 0x04, 0xC0}),
    value_case("double 0.1", 0.1, {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F}),
    value_case("int32 -2", int32_t(-2), {0xFE, 0xFF, 0xFF, 0xFF}),
    value_case("int32 0x12345678", int32_t(0x12345678), {0x78, 0x56, 0x34, 0x12}),
    value_case("uint32 0x00C0C0C0", uint32_t(0x00C0C0C0), {0xC0, 0xC0, 0xC0, 0x00}),
    value_case("uint32 max", uint32_t(0xFFFFFFFF), {0xFF, 0xFF, 0xFF, 0xFF}),
    value_case("int16 -2", int16_t(-2), {0xFE, 0xFF}),
    value_case("uint16 0xABCD", uint16_t(0xABCD), {0xCD, 0xAB}),
    value_case("uint8 0x21", uint8_t(0x21), {0x21}),
};

TEST(Archive, ValuesAreStoredLittleEndianByteForByteAndLoadBack) {
  for (const ValueCase& c : kValues) {
    CArchive out;
    c.store(out);
    EXPECT_EQ(out.GetBytes(), c.bytes) << c.name;

    CArchive in(c.bytes.data(), c.bytes.size());
    EXPECT_TRUE(c.loads_back(in)) << c.name;
    EXPECT_FALSE(in.IsFailed()) << c.name;
    EXPECT_EQ(in.Remaining(), 0u) << c.name;
  }
}

TEST(Archive, TruncatedValuesFailAndReadAsZero) {
  for (const ValueCase& c : kValues) {
    if (c.bytes.size() < 2) continue;
    CArchive in(c.bytes.data(), c.bytes.size() - 1);
    // Loading back must not give the value, and the archive must say why.
    EXPECT_FALSE(c.loads_back(in)) << c.name;
    EXPECT_TRUE(in.IsFailed()) << c.name;
  }
  const unsigned char three[] = {1, 2, 3};
  CArchive in(three, sizeof three);
  int32_t value = 7;
  in >> value;
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(in.IsFailed());
}

TEST(Archive, FailureStaysAndLaterReadsGiveZero) {
  const unsigned char bytes[] = {0x05, 0x00, 0x00, 0x00, 0x09};
  CArchive in(bytes, sizeof bytes);
  in << int32_t(1);  // writing to a loading archive
  EXPECT_TRUE(in.IsFailed());
  int32_t value = 7;
  uint8_t byte = 7;
  in >> value >> byte;
  EXPECT_EQ(value, 0);
  EXPECT_EQ(byte, 0);
  unsigned char raw[2] = {7, 7};
  EXPECT_EQ(in.Read(raw, 2), 0u);

  CArchive out;
  out >> value;  // reading from a storing archive
  EXPECT_TRUE(out.IsFailed());
}

TEST(Archive, ReadGivesWhatIsThereAndFailsWhenShort) {
  const unsigned char bytes[] = {1, 2, 3};
  CArchive in(bytes, sizeof bytes);
  unsigned char raw[5] = {};
  EXPECT_EQ(in.Read(raw, 2), 2u);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_EQ(in.Read(raw, 5), 1u);
  EXPECT_EQ(raw[0], 3);
  EXPECT_TRUE(in.IsFailed());
}

TEST(Archive, ModeFollowsConstruction) {
  CArchive out;
  EXPECT_TRUE(out.IsStoring());
  EXPECT_FALSE(out.IsLoading());
  CArchive in(nullptr, 0);
  EXPECT_TRUE(in.IsLoading());
  EXPECT_FALSE(in.IsStoring());
}

Bytes concat(Bytes prefix, const std::string& text) {
  prefix.insert(prefix.end(), text.begin(), text.end());
  return prefix;
}

TEST(Archive, TextLengthPrefixAtEachBoundary) {
  const struct {
    size_t length;
    Bytes prefix;
  } cases[] = {
      {0, {0x00}},
      {1, {0x01}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    std::string text(c.length, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i % 26);
    CArchive out;
    out << text;
    EXPECT_EQ(out.GetBytes(), concat(c.prefix, text)) << c.length;

    CArchive in(out.GetBytes().data(), out.GetBytes().size());
    std::string back = "stale";
    in >> back;
    EXPECT_EQ(back, text) << c.length;
    EXPECT_FALSE(in.IsFailed()) << c.length;
    EXPECT_EQ(in.Remaining(), 0u) << c.length;
  }
}

TEST(Archive, TextKeepsEveryByteAndNullStoresEmpty) {
  const std::string text("a\0\xFF\x01z", 5);
  CArchive out;
  out << text << static_cast<const char*>(nullptr) << "Forest";
  CArchive in(out.GetBytes().data(), out.GetBytes().size());
  std::string a, b, c;
  in >> a >> b >> c;
  EXPECT_EQ(a, text);
  EXPECT_EQ(b, "");
  EXPECT_EQ(c, "Forest");
  EXPECT_FALSE(in.IsFailed());
}

TEST(Archive, BadTextsFailWithoutReadingOn) {
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty input", {}},
      {"short body", {0x05, 'a', 'b'}},
      {"cut 16-bit length", {0xFF, 0x10}},
      {"cut 32-bit length", {0xFF, 0xFF, 0xFF, 0x10, 0x00}},
      {"huge 32-bit length", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}},
      {"wide-character marker", {0xFF, 0xFE, 0xFF, 0x01, 'a', 0x00}},
  };
  for (const auto& c : cases) {
    CArchive in(c.bytes.data(), c.bytes.size());
    std::string text = "stale";
    in >> text;
    EXPECT_EQ(text, "") << c.name;
    EXPECT_TRUE(in.IsFailed()) << c.name;
  }
}

TEST(Archive, FileRoundTrip) {
  testsupport::TempDir dir;
  CArchive out;
  out << int32_t(2) << 12.5 << std::string("Elipse");
  ASSERT_TRUE(out.SaveFile(dir.file("shape.bin").c_str()));
  EXPECT_EQ(testsupport::TempDir::read(dir.file("shape.bin")),
            std::string(out.GetBytes().begin(), out.GetBytes().end()));

  std::unique_ptr<CArchive> in = CArchive::LoadFile(dir.file("shape.bin").c_str());
  ASSERT_NE(in, nullptr);
  EXPECT_TRUE(in->IsLoading());
  int32_t count = 0;
  double lat = 0;
  std::string style;
  *in >> count >> lat >> style;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(lat, 12.5);
  EXPECT_EQ(style, "Elipse");
  EXPECT_FALSE(in->IsFailed());
}

TEST(Archive, FileErrorsAreResults) {
  testsupport::TempDir dir;
  EXPECT_EQ(CArchive::LoadFile(dir.file("missing.bin").c_str()), nullptr);
  CArchive out;
  out << uint8_t(1);
  EXPECT_FALSE(out.SaveFile(dir.file("no/such/dir/x.bin").c_str()));
}

}  // namespace
