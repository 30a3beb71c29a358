#include "Bannerwick/serviceinfo.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceInfo, StartsAsAnUntypedEntryThatNeverExpires) {
  CServiceInfo entry;
  EXPECT_EQ(entry.get_name(), nullptr);
  EXPECT_EQ(entry.get_btype(), BTYPE_LIST);
  EXPECT_EQ(entry.get_type(), SERVICETYPE_NONE);
  EXPECT_EQ(entry.get_expiration(), -1);
  EXPECT_EQ(entry.get_localization(), 1);
  EXPECT_EQ(entry.get_class(), 0);
  EXPECT_EQ(entry.get_advertised(), 0);
  EXPECT_EQ(entry.get_gone(), 0);
  EXPECT_EQ(entry.get_new(), 1);
  EXPECT_EQ(entry.get_modified(), 0);
  EXPECT_EQ(entry.get_item(), nullptr);
  EXPECT_EQ(entry.get_location(), nullptr);
  ASSERT_NE(entry.get_extended(), nullptr);
  EXPECT_EQ(entry.get_extended()->get_nr_elements(), 0);
}

TEST(ServiceInfo, MatchmakerAndNameServerKeepTheirType) {
  struct Case {
    int from;
    int to;
    int expected;
  };
  const Case cases[] = {
      {SERVICETYPE_ANS_SERVER, SERVICETYPE_AGENT, SERVICETYPE_ANS_SERVER},
      {SERVICETYPE_ANS_SERVER, SERVICETYPE_NONE, SERVICETYPE_ANS_SERVER},
      {SERVICETYPE_MATCHMAKER, SERVICETYPE_ANS_SERVER, SERVICETYPE_MATCHMAKER},
      {SERVICETYPE_MATCHMAKER, SERVICETYPE_MATCHMAKER, SERVICETYPE_MATCHMAKER},
      {SERVICETYPE_AGENT, SERVICETYPE_ANS_SERVER, SERVICETYPE_ANS_SERVER},
      {SERVICETYPE_NONE, SERVICETYPE_MATCHMAKER, SERVICETYPE_MATCHMAKER},
      {SERVICETYPE_SHOWBOARD, SERVICETYPE_PELVAN_SERVER, SERVICETYPE_PELVAN_SERVER},
      {SERVICETYPE_FERRINSERVER, 0, 0},
  };
  for (const Case& c : cases) {
    CServiceInfo entry;
    entry.set_type(c.from);
    entry.set_type(c.to);
    EXPECT_EQ(entry.get_type(), c.expected) << c.from << " -> " << c.to;
  }
}

TEST(ServiceInfo, LocationFromTextReplacesTheOldOne) {
  CServiceInfo entry;
  entry.set_location("tcp://alpha:6678");
  ASSERT_NE(entry.get_location(), nullptr);
  EXPECT_STREQ(entry.get_location()->get_host(), "alpha");
  EXPECT_EQ(entry.get_location()->get_port(), 6678);

  entry.set_location(static_cast<const char*>(nullptr));
  EXPECT_STREQ(entry.get_location()->get_host(), "alpha");

  // A text that is no URL still replaces the location, with one without a host.
  entry.set_location("not a url");
  ASSERT_NE(entry.get_location(), nullptr);
  EXPECT_EQ(entry.get_location()->get_host(), nullptr);
}

TEST(ServiceInfo, TakesOverAGivenLocation) {
  CServiceInfo entry;
  auto* location = new CURL("http://beta:80/");
  entry.set_location(location);
  EXPECT_EQ(entry.get_location(), location);

  entry.set_location(static_cast<CURL*>(nullptr));
  EXPECT_EQ(entry.get_location(), location);

  // Handing the entry its own location back must not free it.
  entry.set_location(entry.get_location());
  EXPECT_STREQ(entry.get_location()->get_host(), "beta");

  entry.set_location(new CURL("http://gamma:81/"));
  EXPECT_STREQ(entry.get_location()->get_host(), "gamma");
}

TEST(ServiceInfo, KeepsItsPlainFields) {
  CServiceInfo entry;
  int tree_item_storage = 0;
  const auto item = reinterpret_cast<HTREEITEM>(&tree_item_storage);
  entry.set_localization(0);
  entry.set_expiration(3);
  entry.set_class(5);
  entry.set_advertised(1);
  entry.set_gone(1);
  entry.set_new(0);
  entry.set_modified(1);
  entry.set_item(item);
  EXPECT_EQ(entry.get_localization(), 0);
  EXPECT_EQ(entry.get_expiration(), 3);
  EXPECT_EQ(entry.get_class(), 5);
  EXPECT_EQ(entry.get_advertised(), 1);
  EXPECT_EQ(entry.get_gone(), 1);
  EXPECT_EQ(entry.get_new(), 0);
  EXPECT_EQ(entry.get_modified(), 1);
  EXPECT_EQ(entry.get_item(), item);
}

}  // namespace
