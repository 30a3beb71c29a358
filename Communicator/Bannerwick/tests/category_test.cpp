#include "Bannerwick/category.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bannerwick/datatype.h"
#include "testsupport/logfile.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;
using Names = std::vector<std::string>;

Names token_names(const CDataType& data_type) {
  Names out;
  CLList* tokens = data_type.get_tokens();
  for (CListElement* e = tokens->get_first_element(); e != nullptr; e = tokens->get_next_element()) {
    out.push_back(e->get_name());
  }
  return out;
}

// The tokens of each data type of a fields or attributes list.
std::vector<Names> data_types(CLList* list) {
  std::vector<Names> out;
  if (list == nullptr) return out;
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    auto* data_type = dynamic_cast<CDataType*>(e);
    EXPECT_NE(data_type, nullptr);
    if (data_type != nullptr) out.push_back(token_names(*data_type));
  }
  return out;
}

int read(CListElement& target, const std::string& text) {
  std::string copy = text;
  return target.from_string(copy.data());
}

TEST(Category, ReadsNameFieldsAndAttributes) {
  struct Case {
    const char* fields;
    std::vector<Names> expected;
  };
  const Case cases[] = {
      {"((town string) (country string))", {{"town", "string"}, {"country", "string"}}},
      // A cfield stores nothing, plain words do not parse: empty data types.
      {"((cfield :name town) (size int))", {{}, {"size", "int"}}},
      {"(town country)", {{}, {}}},
      {"((listof a) listof (b))", {{"listof", "a"}, {"b"}}},
      // A list headed by "listof" is not read at all.
      {"(listof (town) (country))", {}},
      {"word", {}},
  };
  for (const Case& c : cases) {
    CCategory category;
    ASSERT_EQ(read(category, std::string("(category :name place :fields ") + c.fields +
                                 " :attributes ((size big)))"),
              1)
        << c.fields;
    EXPECT_STREQ(category.get_name(), "place");
    ASSERT_NE(category.get_fields(), nullptr);
    EXPECT_EQ(data_types(category.get_fields()), c.expected) << c.fields;
    EXPECT_EQ(data_types(category.get_attributes()), (std::vector<Names>{{"size", "big"}}));
  }
}

TEST(Category, OtherTextsAreRefused) {
  struct Case {
    const char* text;
    const char* name;  // the category's name afterwards
  };
  const Case cases[] = {
      {"(tell :name x :fields (a) :attributes (b))", "(tell :name x :fields (a) :attributes (b))"},
      {"(Category :name x)", "(Category :name x)"},
      {"(:name x)", nullptr},  // keywords only: no performative
      {"(category :name x :fields (a))", nullptr},
      {"(category :fields (a) :attributes (b))", nullptr},
      {"category", nullptr},
      {"()", nullptr},
  };
  for (const Case& c : cases) {
    CCategory category;
    EXPECT_EQ(read(category, c.text), 0) << c.text;
    if (c.name == nullptr) {
      EXPECT_EQ(category.get_name(), nullptr) << c.text;
    } else {
      EXPECT_STREQ(category.get_name(), c.name) << c.text;
    }
    EXPECT_EQ(category.get_fields(), nullptr) << c.text;
    EXPECT_EQ(category.get_attributes(), nullptr) << c.text;
  }
  CCategory category;
  EXPECT_EQ(category.from_string(nullptr), 0);
  EXPECT_EQ(category.to_string(), nullptr);
}

// Reading twice replaces both lists; the first ones are freed (the leak
// checker of the sanitizer build sees any that is not).
TEST(Category, ReadingAgainReplacesTheLists) {
  CCategory category;
  ASSERT_EQ(read(category, "(category :name a :fields ((x) (y)) :attributes ((z)))"), 1);
  ASSERT_EQ(read(category, "(category :name b :fields ((w)) :attributes (listof))"), 1);
  EXPECT_STREQ(category.get_name(), "b");
  EXPECT_EQ(data_types(category.get_fields()), (std::vector<Names>{{"w"}}));
  EXPECT_EQ(data_types(category.get_attributes()), std::vector<Names>{});
  // A refused text keeps what was read.
  ASSERT_EQ(read(category, "(category :name c)"), 0);
  EXPECT_STREQ(category.get_name(), "b");
  EXPECT_EQ(data_types(category.get_fields()), (std::vector<Names>{{"w"}}));
}

TEST(Category, LogsItsSteps) {
  TempDir dir;
  {
    CCategory category;
    category.set_file("category.log");
    read(category, "(category :name a :fields ((x)) :attributes ((y)))");
    read(category, "(category :name a)");
    category.to_string();
  }
  EXPECT_EQ(log_messages(dir.file("category.log")),
            (Lines{
                "<CCategory> Processing 'from_string'",
                "<CCategory> Processing attributes",
                "<CCategory> Processing 'from_string'",
                "<CCategory> Required fields not found, aborting processing",
                "<CCategory> Processing 'to_string'",
                "<CCategory> Processing '~CCategory'",
            }));
}

TEST(DataType, StoresTokensUnlessTheFirstIsCfield) {
  struct Case {
    const char* text;
    int result;
    Names tokens;
  };
  const Case cases[] = {
      {"(a b c)", 1, {"a", "b", "c"}},
      {"(a :k v :j)", 1, {"a", ":k", ":j"}},
      {"(cfield :name x)", 1, {}},
      {"(x cfield)", 1, {"x", "cfield"}},
      {"word", 0, {}},
      {"(", 0, {}},
  };
  for (const Case& c : cases) {
    CDataType data_type;
    EXPECT_EQ(read(data_type, c.text), c.result) << c.text;
    EXPECT_EQ(token_names(data_type), c.tokens) << c.text;
  }
  CDataType data_type;
  EXPECT_EQ(data_type.from_string(nullptr), 0);
  EXPECT_EQ(data_type.to_string(), nullptr);
}

TEST(DataType, LogsAFailedParse) {
  TempDir dir;
  CDataType data_type;
  data_type.set_file("data.log");
  read(data_type, "no list");
  EXPECT_EQ(log_messages(dir.file("data.log")), Lines{"<CDataType> Unable to parse fields"});
}

}  // namespace
