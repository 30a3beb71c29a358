#include "Toolwick/guid.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <set>
#include <string>

#include "Toolwick/uuid.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

TEST(GuidTest, TextHasTheVersion1FormInUpperCase) {
  TempDir dir;
  const std::regex form("\\{[0-9A-F]{8}-[0-9A-F]{4}-1[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}");
  CGUID guid;
  ASSERT_NE(guid.get_guid(), nullptr);
  EXPECT_EQ(std::string(guid.get_guid()).size(), 38u);
  EXPECT_TRUE(std::regex_match(guid.get_guid(), form)) << guid.get_guid();
}

// Made back to back, many fall into one millisecond of the clock.
TEST(GuidTest, GuidsMadeBackToBackDiffer) {
  TempDir dir;
  std::set<std::string> seen;
  for (int i = 0; i < 3000; ++i) seen.insert(CGUID().get_guid());
  EXPECT_EQ(seen.size(), 3000u);
}

// Field order, widths, the node's byte order and the clock sequence's
// reserved bits, from a known clock, node and state.
TEST(GuidTest, FormatsTheFieldsOfTheUuid) {
  // Made away from the fixture files: the process-wide generator would read
  // and rewrite them.
  std::unique_ptr<CGUID> guid;
  {
    TempDir scratch;
    guid = std::make_unique<CGUID>();
  }

  TempDir dir;
  TempDir::write("nodeid", std::string("\x01\x23\x45\x67\x89\xab", 6));
  // Last UUID 2023-12-31, clock sequence 0x1234 (little-endian).
  TempDir::write("state", std::string("\x00\xc0\x62\x8a\x6f\xa7\xee\x01\x01\x23\x45\x67\x89\xab\x34\x12", 16));
  CUuidGenerator generator([] { return 133485408000000000ULL; });  // 2024-01-01 00:00 UTC

  EXPECT_STREQ(guid->generate_guid(generator), "{B4CC8000-A838-11EE-9234-0123456789AB}");
  EXPECT_STREQ(guid->get_guid(), "{B4CC8000-A838-11EE-9234-0123456789AB}");
}

}  // namespace
