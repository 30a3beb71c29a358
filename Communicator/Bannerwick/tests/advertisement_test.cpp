#include "Bannerwick/advertisement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Bannerwick/category.h"
#include "testsupport/logfile.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

constexpr const char* kFull =
    "(advertise :name \"weather\" :ontology \"geo\" :queryLanguage sql"
    " :agentName \"met_office\" :contactPerson Jo_Bloggs :email \"jo@example.org\""
    " :agentDescription \"gives_forecasts\" :sampleQuery \"select_*_from_rain\""
    " :lineage \"agent_of_record\" :interface (yes) :PrimaryMatchmaker grid"
    " :requiredFieldCategories (listof place time) :optionalFieldCategories (extra)"
    " :constraintFieldCategories (listof) :outputonlyFieldCategories (x y z)"
    " :responseIncludesFieldCategories ((category :name c :fields (f) :attributes (g)))"
    " :postConditions \"(listof done)\" :url \"http://forecast:8080/cgi?a=1\")";

int count(const CLList* list) { return list != nullptr ? list->get_nr_elements() : -1; }

// An advertisement that logs into a fresh directory.
class Advertisement : public ::testing::Test {
 protected:
  Advertisement() { ad.set_file("ad.log"); }

  // from_string of a copy of `text`.
  int read(const std::string& text) {
    std::string copy = text;
    return ad.from_string(copy.data());
  }
  Lines messages() const { return log_messages(dir.file("ad.log")); }

  TempDir dir;
  CGINAdvertisement ad;
};

TEST_F(Advertisement, StartsEmptyWithTheDefaultLineage) {
  EXPECT_EQ(ad.get_ad_type(), AD_TYPE_GIN);
  EXPECT_EQ(CAdvertisementBase().get_ad_type(), AD_TYPE_NONE);
  EXPECT_EQ(ad.generate_query(), nullptr);
  EXPECT_STREQ(ad.get_lineage(), "agent");
  EXPECT_EQ(ad.get_name(), nullptr);
  EXPECT_EQ(ad.get_ontology(), nullptr);
  EXPECT_EQ(ad.get_interface(), 0);
  EXPECT_EQ(ad.get_grid(), 0);
  EXPECT_EQ(ad.get_url(), nullptr);
  EXPECT_EQ(ad.get_requiredfieldcategories(), nullptr);
  EXPECT_EQ(ad.get_postconditions(), nullptr);
  EXPECT_EQ(ad.to_string(), nullptr);
}

TEST_F(Advertisement, ReadsEveryKeyword) {
  ASSERT_EQ(read(kFull), 1);
  EXPECT_STREQ(ad.get_name(), "weather");
  EXPECT_STREQ(ad.get_ontology(), "geo");
  EXPECT_STREQ(ad.get_querylanguage(), "sql");
  EXPECT_STREQ(ad.get_agentname(), "met office");
  EXPECT_STREQ(ad.get_contactperson(), "Jo Bloggs");
  EXPECT_STREQ(ad.get_email(), "jo@example.org");
  EXPECT_STREQ(ad.get_agentdescription(), "gives forecasts");
  EXPECT_STREQ(ad.get_samplequery(), "select * from rain");
  EXPECT_STREQ(ad.get_lineage(), "agent of record");
  EXPECT_EQ(ad.get_interface(), 1);
  EXPECT_EQ(ad.get_grid(), 1);
  ASSERT_NE(ad.get_url(), nullptr);
  EXPECT_STREQ(ad.get_url()->get_host(), "forecast");
  EXPECT_EQ(ad.get_url()->get_port(), 8080);
  EXPECT_STREQ(ad.get_url()->get_cgi(), "/cgi");
  // One empty category per token that is not "listof".
  EXPECT_EQ(count(ad.get_requiredfieldcategories()), 2);
  EXPECT_EQ(count(ad.get_optionalfieldcategories()), 1);
  EXPECT_EQ(count(ad.get_constraintfieldcategories()), 0);
  EXPECT_EQ(count(ad.get_outputonlyfieldcategories()), 3);
  EXPECT_EQ(count(ad.get_responseincludesfieldcategories()), 1);
  EXPECT_EQ(count(ad.get_postconditions()), 1);
  auto* category = dynamic_cast<CCategory*>(ad.get_responseincludesfieldcategories()->get_element(0));
  ASSERT_NE(category, nullptr);
  EXPECT_EQ(category->get_name(), nullptr);
  EXPECT_EQ(category->get_fields(), nullptr);
  EXPECT_STREQ(ad.to_string(), kFull);

  EXPECT_EQ(messages(), (Lines{
                            "<CGINAdvertisement> Processing 'from_string'",
                            "<CGINAdvertisement> Processing 'set_ontology'",
                            "<CGINAdvertisement> Processing 'set_querylanguage'",
                            "<CGINAdvertisement> Processing 'set_agentname'",
                            "<CGINAdvertisement> Processing 'set_contactperson'",
                            "<CGINAdvertisement> Processing 'set_email'",
                            "<CGINAdvertisement> Processing 'set_agentdescription'",
                            "<CGINAdvertisement> Processing 'set_samplequery'",
                            "<CGINAdvertisement> Processing 'set_lineage'",
                            "<CGINAdvertisement> Advertisement indicates a GRID agent",
                            "<CGINAdvertisement> Processing 'set_url'",
                            "<CGINAdvertisement> Processing 'to_string'",
                        }));
}

TEST_F(Advertisement, MissingKeywordsAreLoggedAndLeaveTheFields) {
  ASSERT_EQ(read(kFull), 1);
  ASSERT_EQ(read("(advertise :lineage other)"), 1);
  EXPECT_STREQ(ad.get_name(), "weather");
  EXPECT_STREQ(ad.get_ontology(), "geo");
  EXPECT_STREQ(ad.get_samplequery(), "select * from rain");
  EXPECT_STREQ(ad.get_lineage(), "other");
  EXPECT_EQ(ad.get_interface(), 1);
  EXPECT_EQ(ad.get_grid(), 1);
  EXPECT_STREQ(ad.get_url()->get_host(), "forecast");
  EXPECT_EQ(count(ad.get_outputonlyfieldcategories()), 3);
  EXPECT_STREQ(ad.to_string(), "(advertise :lineage other)");

  const Lines lines = messages();
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(Lines(lines.end() - 12, lines.end()),
            (Lines{
                "<CGINAdvertisement> Processing 'from_string'",
                "<CGINAdvertisement> No advertisement name found",
                "<CGINAdvertisement> No ontology found",
                "<CGINAdvertisement> No query language found",
                "<CGINAdvertisement> No agent name found",
                "<CGINAdvertisement> No contact details found",
                "<CGINAdvertisement> No contact email found",
                "<CGINAdvertisement> No agent description found",
                "<CGINAdvertisement> No sample query found",
                "<CGINAdvertisement> Processing 'set_lineage'",
                "<CGINAdvertisement> No Grid information found",
                "<CGINAdvertisement> Processing 'to_string'",
            }));
}

TEST_F(Advertisement, MissingLineageFallsBackToAgent) {
  ASSERT_EQ(read(kFull), 1);
  ASSERT_EQ(read("(advertise :name other)"), 1);
  EXPECT_STREQ(ad.get_name(), "other");
  EXPECT_STREQ(ad.get_lineage(), "agent");
}

TEST_F(Advertisement, TextsLoseTheirQuotesAndUnderscores) {
  struct Case {
    const char* text;
    const char* agent_name;
    const char* ontology;
  };
  const Case cases[] = {
      {"(ad :agentName my_agent :ontology a_b)", "my agent", "a_b"},
      {"(ad :agentName \"my_agent\" :ontology \"a_b\")", "my agent", "a_b"},
      {"(ad :agentName \"my agent\")", "my agent", nullptr},
      {"(ad :agentName \"\" :ontology \"\")", "", ""},
  };
  for (const Case& c : cases) {
    CGINAdvertisement fresh;
    std::string copy = c.text;
    ASSERT_EQ(fresh.from_string(copy.data()), 1) << c.text;
    EXPECT_STREQ(fresh.get_agentname(), c.agent_name) << c.text;
    if (c.ontology == nullptr) {
      EXPECT_EQ(fresh.get_ontology(), nullptr) << c.text;
    } else {
      EXPECT_STREQ(fresh.get_ontology(), c.ontology) << c.text;
    }
  }
}

TEST_F(Advertisement, InterfaceIsYesOnlyInTwoSpellings) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {{"(yes)", 1}, {"(YES)", 1}, {"(Yes)", 0}, {"yes", 0}, {"(no)", 0}};
  for (const Case& c : cases) {
    ad.set_interface(1 - c.expected);
    ASSERT_EQ(read(std::string("(ad :interface ") + c.value + ")"), 1);
    EXPECT_EQ(ad.get_interface(), c.expected) << c.value;
  }
  // Without the keyword the flag stays.
  ad.set_interface(1);
  ASSERT_EQ(read("(ad)"), 1);
  EXPECT_EQ(ad.get_interface(), 1);
}

TEST_F(Advertisement, GridLabelInThreeSpellings) {
  struct Case {
    const char* text;
    int grid;
    const char* line;
  };
  const Case cases[] = {
      {"(ad :PrimaryMatchmaker Grid)", 1, "<CGINAdvertisement> Advertisement indicates a GRID agent"},
      {"(ad :PrimaryMatchmaker GRID)", 1, "<CGINAdvertisement> Advertisement indicates a GRID agent"},
      {"(ad :PrimaryMatchmaker \"grid\")", 1,
       "<CGINAdvertisement> Advertisement indicates a GRID agent"},
      {"(ad :PrimaryMatchmaker gRid)", 0,
       "<CGINAdvertisement> Grid label found but contents does not contain grid label"},
      {"(ad :PrimaryMatchmaker (grid))", 0,
       "<CGINAdvertisement> Grid label found but contents does not contain grid label"},
      {"(ad)", 0, "<CGINAdvertisement> No Grid information found"},
  };
  for (const Case& c : cases) {
    TempDir local;
    CGINAdvertisement fresh;
    fresh.set_file("grid.log");
    std::string copy = c.text;
    ASSERT_EQ(fresh.from_string(copy.data()), 1) << c.text;
    EXPECT_EQ(fresh.get_grid(), c.grid) << c.text;
    const Lines lines = log_messages(local.file("grid.log"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.line) << c.text;
  }
}

TEST_F(Advertisement, CategoryListsInEveryWrittenForm) {
  struct Case {
    const char* value;
    int categories;
  };
  const Case cases[] = {
      {"(listof a b)", 2},
      {"(a b)", 2},
      {"(listof)", 0},
      {"\"(listof a)\"", 1},
      {"((category :name c :fields (f) :attributes (g)) (category :name d))", 2},
      {"(listof listof a)", 1},
      {"word", 0},  // no list at all: the list is there, empty
      {"()", 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(read(std::string("(ad :requiredFieldCategories ") + c.value +
                   " :postConditions " + c.value + ")"),
              1)
        << c.value;
    EXPECT_EQ(count(ad.get_requiredfieldcategories()), c.categories) << c.value;
    EXPECT_EQ(count(ad.get_postconditions()), c.categories) << c.value;
    EXPECT_EQ(ad.get_optionalfieldcategories(), nullptr) << c.value;
  }
}

TEST_F(Advertisement, ANewListReplacesTheOldOne) {
  ASSERT_EQ(read("(ad :requiredFieldCategories (a b c))"), 1);
  ASSERT_EQ(read("(ad :requiredFieldCategories (d))"), 1);
  EXPECT_EQ(count(ad.get_requiredfieldcategories()), 1);
  // A text without the keyword keeps the list.
  ASSERT_EQ(read("(ad)"), 1);
  EXPECT_EQ(count(ad.get_requiredfieldcategories()), 1);
}

TEST_F(Advertisement, RefusesNullAndUnparsableTexts) {
  EXPECT_EQ(ad.from_string(nullptr), 0);
  EXPECT_EQ(ad.to_string(), nullptr);
  EXPECT_EQ(read("no message here"), 0);
  // The raw text is kept even when it does not parse.
  EXPECT_STREQ(ad.to_string(), "no message here");
  EXPECT_EQ(read("(ad :name x"), 0);
  EXPECT_EQ(ad.get_name(), nullptr);
  EXPECT_EQ(messages(), (Lines{
                            "<CGINAdvertisement> Processing 'from_string'",
                            "<CGINAdvertisement> No date given, can't process advertisement",
                            "<CGINAdvertisement> Processing 'to_string'",
                            "<CGINAdvertisement> Processing 'from_string'",
                            "<CGINAdvertisement> Unable to parse advertisement string, aborting",
                            "<CGINAdvertisement> Processing 'to_string'",
                            "<CGINAdvertisement> Processing 'from_string'",
                            "<CGINAdvertisement> Unable to parse advertisement string, aborting",
                        }));
}

TEST_F(Advertisement, ReadsItsOwnRawText) {
  ASSERT_EQ(read(kFull), 1);
  ASSERT_EQ(ad.from_string(ad.to_string()), 1);
  EXPECT_STREQ(ad.to_string(), kFull);
  EXPECT_STREQ(ad.get_agentname(), "met office");
}

TEST_F(Advertisement, SettersCopyAndLog) {
  std::string text = "value";
  ad.set_ontology(text.c_str());
  ad.set_querylanguage(text.c_str());
  ad.set_agentname(text.c_str());
  ad.set_contactperson(text.c_str());
  ad.set_email(text.c_str());
  ad.set_agentdescription(text.c_str());
  ad.set_samplequery(nullptr);
  ad.set_lineage(text.c_str());
  ad.set_lineage(nullptr);
  ad.set_url("tcp://h:1");
  ad.set_url(nullptr);
  text = "changed";
  EXPECT_STREQ(ad.get_ontology(), "value");
  EXPECT_STREQ(ad.get_querylanguage(), "value");
  EXPECT_STREQ(ad.get_agentname(), "value");
  EXPECT_STREQ(ad.get_contactperson(), "value");
  EXPECT_STREQ(ad.get_email(), "value");
  EXPECT_STREQ(ad.get_agentdescription(), "value");
  EXPECT_EQ(ad.get_samplequery(), nullptr);
  EXPECT_STREQ(ad.get_lineage(), "value");
  EXPECT_EQ(ad.get_url(), nullptr);
  ad.set_grid(1);
  EXPECT_EQ(ad.get_grid(), 1);
  EXPECT_EQ(messages(), (Lines{
                            "<CGINAdvertisement> Processing 'set_ontology'",
                            "<CGINAdvertisement> Processing 'set_querylanguage'",
                            "<CGINAdvertisement> Processing 'set_agentname'",
                            "<CGINAdvertisement> Processing 'set_contactperson'",
                            "<CGINAdvertisement> Processing 'set_email'",
                            "<CGINAdvertisement> Processing 'set_agentdescription'",
                            "<CGINAdvertisement> Processing 'set_samplequery'",
                            "<CGINAdvertisement> Processing 'set_lineage'",
                            "<CGINAdvertisement> Processing 'set_lineage'",
                            "<CGINAdvertisement> No lineage specification found",
                            "<CGINAdvertisement> Processing 'set_url'",
                            "<CGINAdvertisement> Processing 'set_url'",
                        }));
}

// Each setter copies its argument before it lets go of the old value, so a
// field can be given its own text back.
TEST_F(Advertisement, SettersAcceptTheirOwnValues) {
  ASSERT_EQ(read(kFull), 1);
  ad.set_url(ad.get_url()->get_name());
  ASSERT_NE(ad.get_url(), nullptr);
  EXPECT_STREQ(ad.get_url()->get_name(), "http://forecast:8080/cgi?a=1");
  EXPECT_STREQ(ad.get_url()->get_host(), "forecast");
  EXPECT_EQ(ad.get_url()->get_port(), 8080);
  EXPECT_STREQ(ad.get_url()->get_webpage(), "a=1");

  ad.set_ontology(ad.get_ontology());
  ad.set_agentname(ad.get_agentname());
  ad.set_lineage(ad.get_lineage());
  EXPECT_STREQ(ad.get_ontology(), "geo");
  EXPECT_STREQ(ad.get_agentname(), "met office");
  EXPECT_STREQ(ad.get_lineage(), "agent of record");
}

TEST(AdvertisementLifetime, DestructorLogs) {
  TempDir dir;
  {
    CGINAdvertisement ad;
    ad.set_file("ad.log");
    std::string text = kFull;
    ASSERT_EQ(ad.from_string(text.data()), 1);
  }
  const Lines lines = log_messages(dir.file("ad.log"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "<CGINAdvertisement> Processing '~CGINAdvertisement'");
}

}  // namespace
