#include "Sidewick/eperson.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "Sidewick/filecopy.h"
#include "recordinglogger.h"
#include "testsupport/tempdir.h"

namespace {

using Lines = std::vector<std::string>;
using testsupport::TempDir;

// One parameter of each kind as the tests use them.
struct Param {
  std::string name;
  int type;
  std::string value;  // decimal for integers, "list;..." items for lists
  int visibility;
  int usage;
};

CParameterBase* make(const Param& p) {
  CParameterBase* made = nullptr;
  if (p.type == PARAMETER_INT) {
    auto* q = new CIntParameter(p.name.c_str());
    q->set_parameter(std::stoi(p.value));
    made = q;
  } else if (p.type == PARAMETER_CHAR) {
    auto* q = new CCharParameter(p.name.c_str());
    q->set_parameter(p.value.c_str());
    made = q;
  } else {
    auto* q = new CListParameter(p.name.c_str());
    q->set_parameter(p.value.c_str());
    made = q;
  }
  made->set_visibility(p.visibility);
  made->set_usage(p.usage);
  return made;
}

// The parameters of a profile as Params (list values as "list;a,b").
std::vector<Param> read(CEPerson& person) {
  std::vector<Param> out;
  CLList* list = person.get_parameters();
  for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
    auto* p = dynamic_cast<CParameterBase*>(e);
    std::string value;
    if (auto* i = dynamic_cast<CIntParameter*>(p)) value = std::to_string(i->get_parameter());
    if (auto* c = dynamic_cast<CCharParameter*>(p)) value = c->get_parameter();
    if (auto* l = dynamic_cast<CListParameter*>(p); l != nullptr && l->get_parameter() == nullptr) {
      value = "(no list)";
    } else if (l != nullptr) {
      value = "list;";
      for (CListElement* item = l->get_parameter()->get_element(0); item != nullptr;
           item = item->get_next()) {
        value += std::string(item->get_name()) + (item->get_next() != nullptr ? "," : "");
      }
    }
    out.push_back({p->get_name(), p->get_type(), value, p->get_visibility(), p->get_usage()});
  }
  return out;
}

bool operator==(const Param& a, const Param& b) {
  return a.name == b.name && a.type == b.type && a.value == b.value &&
         a.visibility == b.visibility && a.usage == b.usage;
}

void PrintTo(const Param& p, std::ostream* out) {
  *out << p.name << "/" << p.type << "/" << p.value << "/" << p.visibility << "/" << p.usage;
}

class EPersonTest : public testing::Test {
 protected:
  EPersonTest() { person.set_logger(&logger); }
  void add(const Param& p) { person.get_parameters()->add_element(make(p)); }

  TempDir dir;  // GUIDs keep their state files here
  RecordingLogger logger;
  CEPerson person;
};

TEST_F(EPersonTest, SavesTheInternalForm) {
  add({"age", PARAMETER_INT, "42", VISIBILITY_PRIVATE, USAGE_PRIMARY});
  ASSERT_EQ(person.save_profile(dir.file("p.txt").c_str()), 1);
  EXPECT_EQ(TempDir::read(dir.file("p.txt")),
            "(\n (int :parameter (value :name (age) :content (42) :type 0) :visibility 1 :usage "
            "0)\n)\n");
  EXPECT_EQ(person.get_profile_file(), dir.file("p.txt"));
}

struct LineCase {
  std::string name;
  Param param;
  std::string line;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class EPersonLine : public testing::TestWithParam<LineCase> {
 protected:
  TempDir dir;
};

TEST_P(EPersonLine, OneLineAParameterThatReadsBack) {
  const LineCase& c = GetParam();
  CEPerson person;
  person.get_parameters()->add_element(make(c.param));
  const HeapText text = person.create_string();
  ASSERT_TRUE(text.is_set());
  EXPECT_EQ(text.get(), "(\n" + c.line + ")\n");

  CEPerson back;
  ASSERT_EQ(back.load_profile_string(text.get()), 1);
  EXPECT_EQ(read(back), std::vector<Param>{c.param});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EPersonLine,
    testing::Values(
        LineCase{"integer", {"age", PARAMETER_INT, "-7", 0, 1},
                 " (int :parameter (value :name (age) :content (-7) :type 0) :visibility 0 "
                 ":usage 1)\n"},
        LineCase{"text", {"colour", PARAMETER_CHAR, "light blue", 1, 0},
                 " (char :parameter (value :name (colour) :content (light blue) :type 1) "
                 ":visibility 1 :usage 0)\n"},
        LineCase{"text_with_parentheses", {"note", PARAMETER_CHAR, "a (b) c", 0, 0},
                 " (char :parameter (value :name (note) :content (a (b) c) :type 1) "
                 ":visibility 0 :usage 0)\n"},
        LineCase{"list", {"friends", PARAMETER_LIST, "list;ann,bob", 1, 1},
                 " (list :parameter (value :name (friends) :content (list;ann,bob) :type 2) "
                 ":visibility 1 :usage 1)\n"},
        // Texts that parentheses would not carry go as strings.
        LineCase{"text_with_a_quote", {"height", PARAMETER_CHAR, "5'11\"", 0, 0},
                 R"( (char :parameter (value :name (height) :content "5'11\"" :type 1) )"
                 ":visibility 0 :usage 0)\n"},
        LineCase{"quoted_windows_path", {"home", PARAMETER_CHAR, R"("C:\dir\")", 0, 0},
                 R"( (char :parameter (value :name (home) :content "\"C:\\dir\\\"" :type 1) )"
                 ":visibility 0 :usage 0)\n"},
        LineCase{"unpaired_parenthesis", {"note", PARAMETER_CHAR, "a) :usage (1", 0, 0},
                 R"( (char :parameter (value :name (note) :content "a) :usage (1" :type 1) )"
                 ":visibility 0 :usage 0)\n"},
        LineCase{"name_and_list_with_quotes", {"a\"b", PARAMETER_LIST, "list;x\"y,z", 0, 0},
                 R"( (list :parameter (value :name "a\"b" :content "list;x\"y,z" :type 2) )"
                 ":visibility 0 :usage 0)\n"}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST_F(EPersonTest, ListWithoutAListWritesNothingAndTextWithoutValueEmpty) {
  person.get_parameters()->add_element(new CListParameter("none"));
  auto* cleared = new CCharParameter("cleared");
  cleared->reset();
  person.get_parameters()->add_element(cleared);
  const HeapText text = person.create_string();
  ASSERT_TRUE(text.is_set());
  EXPECT_STREQ(text.get(),
               "(\n (char :parameter (value :name (cleared) :content () :type 1) :visibility 0 "
               ":usage 1)\n)\n");
}

TEST_F(EPersonTest, NoStringWithoutParametersOrWithAnUntypedOne) {
  EXPECT_FALSE(person.create_string().is_set());
  EXPECT_EQ(logger.lines, Lines{"<CEPerson> Unable to create profile string"});
  // Nor when no parameter writes a line: "(\n)\n" would read as no profile.
  person.get_parameters()->add_element(new CListParameter("none"));
  EXPECT_FALSE(person.create_string().is_set());
  EXPECT_EQ(logger.lines.back(), "<CEPerson> Unable to create profile string");
  add({"age", PARAMETER_INT, "1", 0, 0});
  person.get_parameters()->add_element(new CParameterBase("bare"));
  EXPECT_FALSE(person.create_string().is_set());
  EXPECT_EQ(logger.lines.back(), "<CEPerson> create_string returned a NULL pointer!");
  EXPECT_EQ(logger.directions.back(), DIRECTION_INTERNAL);
}

// The caller's buffer gets at most its size, the closing NUL included.
TEST_F(EPersonTest, ParameterLineIsBoundedByTheCallersBuffer) {
  CIntParameter age("age");
  age.set_parameter(42);
  const std::string line =
      " (int :parameter (value :name (age) :content (42) :type 0) :visibility 0 :usage 1)\n";
  struct Case {
    size_t size;
    size_t written;
  };
  for (const Case& c : {Case{line.size() + 10, line.size()}, Case{line.size() + 1, line.size()},
                        Case{line.size(), line.size() - 1}, Case{10, 9}, Case{1, 0}}) {
    SCOPED_TRACE(c.size);
    std::vector<char> buffer(c.size + 4, '#');
    char* end = person.create_param_string(&age, buffer.data(), c.size);
    EXPECT_EQ(end, buffer.data() + c.written);
    EXPECT_EQ(std::string(buffer.data()), line.substr(0, c.written));
    EXPECT_EQ(std::string(buffer.data() + c.size, 4), "####");  // nothing beyond the size
  }
  char buffer[8] = "#######";
  EXPECT_EQ(person.create_param_string(&age, buffer, 0), buffer);
  EXPECT_STREQ(buffer, "#######");
  EXPECT_EQ(person.create_param_string(nullptr, buffer, sizeof buffer), buffer);
  CParameterBase bare("bare");
  EXPECT_EQ(person.create_param_string(&bare, buffer, sizeof buffer), nullptr);
  CListParameter empty("empty");
  EXPECT_EQ(person.create_param_string(&empty, buffer, sizeof buffer), buffer);
  EXPECT_STREQ(buffer, "");
}

struct StoredCase {
  std::string name;
  std::string text;
  int result;
  std::vector<Param> params;
};

void PrintTo(const StoredCase& c, std::ostream* out) { *out << c.name; }

class EPersonStored : public testing::TestWithParam<StoredCase> {};

// A profile as earlier writers stored it, one line a parameter, every value
// in parentheses as it stands, loads every parameter as written, or fails.
TEST_P(EPersonStored, LoadsEveryParameterOrFails) {
  const StoredCase& c = GetParam();
  CEPerson person;
  EXPECT_EQ(person.load_profile_string(c.text.c_str()), c.result);
  EXPECT_EQ(read(person), c.params);
}

std::string stored_line(const std::string& value) {
  return " (char :parameter (value :name (v) :content (" + value +
         ") :type 1) :visibility 0 :usage 0)\n";
}

const std::string kStoredAge =
    " (int :parameter (value :name (age) :content (42) :type 0) :visibility 0 :usage 0)\n";

INSTANTIATE_TEST_SUITE_P(
    Profiles, EPersonStored,
    testing::Values(
        StoredCase{"text_with_a_quote",
                   "(\n" + stored_line("5'11\"") + kStoredAge + ")\n",
                   1,
                   {{"v", PARAMETER_CHAR, "5'11\"", 0, 0}, {"age", PARAMETER_INT, "42", 0, 0}}},
        StoredCase{"quoted_windows_path",
                   "(\n" + kStoredAge + stored_line(R"("C:\dir\")") + ")\n",
                   1,
                   {{"age", PARAMETER_INT, "42", 0, 0},
                    {"v", PARAMETER_CHAR, R"("C:\dir\")", 0, 0}}},
        // Each line is read alone: its quote does not pair up with the next;
        // an entry laid over two lines is read whole.
        StoredCase{"quotes_on_two_lines",
                   "(\n" + stored_line("5'11\"") +
                       " (int :parameter (value :name (age) :content (42)\n :type 0) :visibility 0 "
                       ":usage 0)\n" +
                       stored_line("say \"hi") + ")\n",
                   1,
                   {{"v", PARAMETER_CHAR, "5'11\"", 0, 0},
                    {"age", PARAMETER_INT, "42", 0, 0},
                    {"v", PARAMETER_CHAR, "say \"hi", 0, 0}}},
        // Lines that do not read together are not joined without end.
        StoredCase{"entry_over_too_many_lines",
                   "(\n (char :parameter (value :name (v)" + std::string(64, '\n') +
                       " :content (x) :type 1) :visibility 0 :usage 0)\n)\n",
                   0,
                   {}}),
    [](const testing::TestParamInfo<StoredCase>& info) { return info.param.name; });

TEST_F(EPersonTest, ReadingLogsEachParameter) {
  const char* text =
      "(\n (int :parameter (value :name (age) :content (42) :type 0) :visibility 0 :usage 0)\n"
      " (list :parameter (value :name (friends) :content (list;ann,bob) :type 2) :visibility 0 "
      ":usage 0)\n"
      " (list :parameter (value :name (nobody) :content (ann) :type 2) :visibility 0 :usage 0)\n)\n";
  ASSERT_EQ(person.load_profile_string(text), 1);
  EXPECT_EQ(logger.lines,
            (Lines{"<CEPerson> Created new (integer) key, see next line", "age", "42",
                   "<CEPerson> Created new (list) key, see next line", "friends", "list;ann,bob",
                   "<CEPerson> Displaying contents of list", "<CEPerson> Element:", "ann",
                   "<CEPerson> Element:", "bob",
                   "<CEPerson> Created new (list) key, see next line", "nobody", "ann",
                   "<CEPerson> Unable to parse list, empty content"}));
  EXPECT_EQ(person.get_parameters()->get_nr_elements(), 3);
}

struct BadEntryCase {
  std::string name;
  const char* entry;
  const char* line;  // logged
};

void PrintTo(const BadEntryCase& c, std::ostream* out) { *out << c.name; }

class EPersonBadEntry : public testing::TestWithParam<BadEntryCase> {};

// A bad entry between two good ones fails the load: a profile without one
// of its parameters would pass for the one stored.
TEST_P(EPersonBadEntry, FailsTheLoad) {
  const BadEntryCase& c = GetParam();
  RecordingLogger logger;
  CEPerson person;
  person.set_logger(&logger);
  const std::string text =
      std::string("(\n (char :parameter (value :name (a) :content (x) :type 1) :visibility 0 "
                  ":usage 0)\n ") +
      c.entry +
      "\n (char :parameter (value :name (b) :content (y) :type 1) :visibility 0 :usage 0)\n)\n";
  EXPECT_EQ(person.load_profile_string(text.c_str()), 0);
  EXPECT_EQ(person.get_parameters()->get_nr_elements(), 0);
  EXPECT_TRUE(logger.has(c.line)) << c.line;
  EXPECT_EQ(logger.lines.back(), "<CEPerson> Unable to load profile, a parameter cannot be read");
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EPersonBadEntry,
    testing::Values(
        BadEntryCase{"no_name",
                     "(char :parameter (value :content (z) :type 1) :visibility 0 :usage 0)",
                     "<CEPerson> Error finding either: name, content, type"},
        BadEntryCase{"no_content",
                     "(char :parameter (value :name (z) :type 1) :visibility 0 :usage 0)",
                     "<CEPerson> Error finding either: name, content, type"},
        BadEntryCase{"name_without_value",
                     "(char :parameter (value :name :content (z) :type 1) :visibility 0 :usage 0)",
                     "<CEPerson> Error finding either: name, content, type"},
        BadEntryCase{"no_type", "(char :parameter (value :name (z) :content (z)) :visibility 0 "
                     ":usage 0)",
                     "<CEPerson> Error finding either: name, content, type"},
        BadEntryCase{"no_usage",
                     "(char :parameter (value :name (z) :content (z) :type 1) :visibility 0)",
                     "<CEPerson> Error finding either: parameter, visibility, usage"},
        BadEntryCase{"parameter_not_a_message",
                     "(char :parameter value :visibility 0 :usage 0)",
                     "<CEPerson> Unable to parse field"},
        BadEntryCase{"unknown_type",
                     "(char :parameter (value :name (z) :content (z) :type 7) :visibility 0 "
                     ":usage 0)",
                     "<CEPerson> Unknown parameter type 7"},
        BadEntryCase{"plain_word", "word", "<CEPerson> Unable to parse primary field"}),
    [](const testing::TestParamInfo<BadEntryCase>& info) { return info.param.name; });

TEST_F(EPersonTest, ProfileFilesSaveAndLoad) {
  add({"age", PARAMETER_INT, "42", 1, 0});
  add({"friends", PARAMETER_LIST, "list;ann,bob", 0, 1});
  ASSERT_EQ(person.save_profile(dir.file("p.txt").c_str()), 1);
  CEPerson back;
  ASSERT_EQ(back.load_profile(dir.file("p.txt").c_str()), 1);
  EXPECT_EQ(read(back), read(person));
  // Saved again under the name it was loaded from.
  EXPECT_EQ(back.get_profile_file(), dir.file("p.txt"));
  back.get_parameters()->delete_element(back.get_parameters()->get_element(0));
  ASSERT_EQ(back.save_profile(nullptr), 1);
  CEPerson again;
  ASSERT_EQ(again.load_profile(dir.file("p.txt").c_str()), 1);
  EXPECT_EQ(again.get_parameters()->get_nr_elements(), 1);
}

TEST_F(EPersonTest, FileFailures) {
  // Never named: nothing written, 1.
  EXPECT_EQ(person.save_profile(nullptr), 1);
  EXPECT_EQ(person.load_profile(nullptr), 0);
  EXPECT_EQ(person.load_profile(dir.file("missing.txt").c_str()), 0);
  EXPECT_EQ(person.save_profile(dir.file("no/such/dir.txt").c_str()), 0);
  EXPECT_EQ(logger.lines, Lines{"<CEPerson> Unable to save profile"});
  EXPECT_EQ(person.load_profile_string(nullptr), 0);
  EXPECT_EQ(person.load_profile_string("no parentheses"), 0);
}

// A full disk takes nothing of the text: the save must not report success.
TEST_F(EPersonTest, SaveThatCannotBeWrittenFails) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  add({"age", PARAMETER_INT, "42", 1, 0});
  EXPECT_EQ(person.save_profile("/dev/full"), 0);
  EXPECT_EQ(logger.lines, Lines{"<CEPerson> Unable to save profile"});
}

TEST_F(EPersonTest, IdIsMadeOnce) {
  EXPECT_EQ(person.get_id(), nullptr);
  // An "id" that is no text cannot hold the GUID: it is replaced.
  add({"id", PARAMETER_INT, "5", 1, 1});
  EXPECT_EQ(person.create_id(), 1);
  const std::string id = person.get_id();
  EXPECT_EQ(id.size(), 38u);
  EXPECT_EQ(id.front(), '{');
  const std::vector<Param> params = read(person);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0], (Param{"id", PARAMETER_CHAR, id, VISIBILITY_PUBLIC, USAGE_PRIMARY}));
  person.create();
  EXPECT_EQ(person.get_id(), id);
}

TEST_F(EPersonTest, ExternalFormGroupsByUsageAndVisibility) {
  add({"colour", PARAMETER_CHAR, "blue", VISIBILITY_PUBLIC, USAGE_PRIMARY});
  EXPECT_STREQ(person.create_string_external().get(),
               " :profile (tell :primary  (pri :public (pub  :colour (blue)\n ) :private (priv  "
               ")) :secondary (sec :public (pub  ) :private (priv  )))");

  add({"age", PARAMETER_INT, "42", VISIBILITY_PRIVATE, USAGE_PRIMARY});
  add({"friends", PARAMETER_LIST, "list;ann,bob", VISIBILITY_PUBLIC, USAGE_SECONDARY});
  add({"pin", PARAMETER_CHAR, "1234", VISIBILITY_PRIVATE, USAGE_SECONDARY});
  person.get_parameters()->add_element(new CListParameter("none"));
  EXPECT_STREQ(person.create_string_external().get(),
               " :profile (tell :primary  (pri :public (pub  :colour (blue)\n ) :private (priv  "
               ":age (42)\n )) :secondary (sec :public (pub  :friends (list;ann,bob)\n ) "
               ":private (priv  :pin (1234)\n )))");

  // Read back: the integer comes back as a text.
  CEPerson back;
  const HeapText text = person.create_string_external();
  ASSERT_EQ(back.create_agent_external(text.get()), 1);
  EXPECT_EQ(read(back), (std::vector<Param>{{"colour", PARAMETER_CHAR, "blue", 0, 0},
                                            {"age", PARAMETER_CHAR, "42", 1, 0},
                                            {"friends", PARAMETER_LIST, "list;ann,bob", 0, 1},
                                            {"pin", PARAMETER_CHAR, "1234", 1, 1}}));
}

struct ExternalCase {
  std::string name;
  const char* text;
  int result;
  size_t parameters;
  Lines lines;  // each of them logged
};

void PrintTo(const ExternalCase& c, std::ostream* out) { *out << c.name; }

class EPersonExternal : public testing::TestWithParam<ExternalCase> {};

TEST_P(EPersonExternal, ReadsWhatItFinds) {
  const ExternalCase& c = GetParam();
  RecordingLogger logger;
  CEPerson person;
  person.set_logger(&logger);
  person.get_parameters()->add_element(new CCharParameter("old"));
  EXPECT_EQ(person.create_agent_external(c.text), c.result);
  EXPECT_EQ(static_cast<size_t>(person.get_parameters()->get_nr_elements()), c.parameters);
  for (const std::string& line : c.lines) EXPECT_TRUE(logger.has(line)) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EPersonExternal,
    testing::Values(
        ExternalCase{"null", nullptr, 0, 1, {}},
        ExternalCase{"unparsable", "profile", 0, 0, {"<CEPerson> Unable to parse profile string"}},
        ExternalCase{"no_sections", "(tell :other (x))", 1, 0,
                     {"<CEPerson> Unable to find primary fields in primary profile section",
                      "<CEPerson> Unable to find secondary fields in profile"}},
        ExternalCase{"primary_not_a_message", "(tell :primary pri)", 0, 0,
                     {"<CEPerson> Processing primary profile section",
                      "<CEPerson> Unable to parser primary section"}},
        ExternalCase{"secondary_not_a_message", "(tell :primary (pri :public (pub :a (1))) "
                     ":secondary sec)",
                     0, 1, {"<CEPerson> Unable to parser secondary section"}},
        ExternalCase{"parts_missing", "(tell :primary (pri) :secondary (sec))", 1, 0,
                     {"<CEPerson> Unable to find public fields in primary profile section",
                      "<CEPerson> Unable to find private field in primary profile section",
                      "<CEPerson> Unable to find public fields in secondary profile section",
                      "<CEPerson> Unable to find private fields in secondary profile section"}},
        ExternalCase{"parts_not_messages",
                     "(tell :primary (pri :public pub :private priv) :secondary (sec :public pub "
                     ":private priv))",
                     1, 0,
                     {"<CEPerson> Unable to parse public field in profile",
                      "<CEPerson> Unable to parse private field in profile",
                      "<CEPerson> Error parsing public field in secondary profile section",
                      "<CEPerson> Error parsing private field in secondary profile section"}},
        ExternalCase{"keyword_without_value", "(tell :primary (pri :public (pub :a :b (2))))", 1,
                     1,
                     {"<CEPerson> Processing public profile section", "a",
                      "<CEPerson> Empty content found, could be performative", "b"}},
        // The form as other writers leave it, "(tell" not closed.
        ExternalCase{"tell_left_open",
                     " :profile (tell :primary  (pri :public (pub  :colour (blue)\n ) :private "
                     "(priv  )) :secondary (sec :public (pub  ) :private (priv  ))",
                     1, 1, {"<CEPerson> Processing secondary profile section"}}),
    [](const testing::TestParamInfo<ExternalCase>& info) { return info.param.name; });

struct RoundTripCase {
  std::string name;
  bool external;  // the form of the text
  std::string text;
  std::vector<Param> read;           // the parameters read from the text
  std::vector<Param> internal_back;  // read back from the internal form written
  std::vector<Param> external_back;  // read back from the external form written
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class EPersonRoundTrip : public testing::TestWithParam<RoundTripCase> {
 protected:
  TempDir dir;
};

// What a profile writes in either form reads back to the parameters that the
// form carries and writes the same text again.
TEST_P(EPersonRoundTrip, WrittenFormsReadBack) {
  const RoundTripCase& c = GetParam();
  CEPerson person;
  if (c.external) {
    person.create_agent_external(c.text.c_str());
  } else {
    person.load_profile_string(c.text.c_str());
  }
  EXPECT_EQ(read(person), c.read);

  const HeapText internal = person.create_string();
  CEPerson internal_back;
  if (internal.is_set()) {
    EXPECT_EQ(internal_back.load_profile_string(internal.get()), 1);
    EXPECT_STREQ(internal_back.create_string().get(), internal.get());
  }
  EXPECT_EQ(read(internal_back), c.internal_back);

  const HeapText external = person.create_string_external();
  CEPerson external_back;
  ASSERT_EQ(external_back.create_agent_external(external.get()), 1) << external.get();
  EXPECT_STREQ(external_back.create_string_external().get(), external.get());
  EXPECT_EQ(read(external_back), c.external_back);
}

// The texts are inputs on which writing and reading back used to disagree.
INSTANTIATE_TEST_SUITE_P(
    Found, EPersonRoundTrip,
    testing::Values(
        RoundTripCase{"list_ending_with_empty_item", false,
                      "((list :parameter (value :name (l) :content (list;a,,) :type 2) "
                      ":visibility 0 :usage 0))",
                      {{"l", PARAMETER_LIST, "list;a,", 0, 0}},
                      {{"l", PARAMETER_LIST, "list;a,", 0, 0}},
                      {{"l", PARAMETER_LIST, "list;a,", 0, 0}}},
        // Writes no line: a text of no lines would read as no profile.
        RoundTripCase{"only_a_list_without_a_list", false,
                      "((:parameter (:name n :content () :type 2) :visibility 0 :usage 0))",
                      {{"n", PARAMETER_LIST, "(no list)", 0, 0}},
                      {},
                      {}},
        // The external form would read the text back as a list.
        RoundTripCase{"text_holding_the_list_marker", false,
                      "((:parameter (:name t :content (a list;b) :type 1) :visibility 0 :usage 1))",
                      {{"t", PARAMETER_CHAR, "a list;b", 0, 1}},
                      {{"t", PARAMETER_CHAR, "a list;b", 0, 1}},
                      {}},
        // No keyword can hold the byte that ends a message.
        RoundTripCase{"name_that_no_keyword_holds", false,
                      "((:parameter (:name (a\x04) :content (7) :type 0) :visibility 1 :usage 0))",
                      {{"a\x04", PARAMETER_INT, "7", 1, 0}},
                      {{"a\x04", PARAMETER_INT, "7", 1, 0}},
                      {}},
        RoundTripCase{"name_with_blanks", false,
                      "((:parameter (:name (eye colour) :content (blue) :type 1) :visibility 0 "
                      ":usage 0))",
                      {{"eye colour", PARAMETER_CHAR, "blue", 0, 0}},
                      {{"eye colour", PARAMETER_CHAR, "blue", 0, 0}},
                      {}},
        // Neither read nor written: the parenthesis would unbalance the group.
        RoundTripCase{"name_with_an_open_parenthesis", true, "(:primary (:public (:( ))))", {}, {},
                      {}},
        RoundTripCase{"name_with_paired_parentheses", true,
                      "(tell :primary (pri :public (pub :a(b) (x))))",
                      {{"a(b)", PARAMETER_CHAR, "x", 0, 0}},
                      {{"a(b)", PARAMETER_CHAR, "x", 0, 0}},
                      {{"a(b)", PARAMETER_CHAR, "x", 0, 0}}},
        // The value of "a((" is "(": written as a string, in parentheses it
        // would swallow what follows.
        RoundTripCase{"value_with_an_unpaired_parenthesis", true,
                      "(tell :primary (pri :public (pub :a (x) :b a(( ))))",
                      {{"a", PARAMETER_CHAR, "x", 0, 0}, {"b", PARAMETER_CHAR, "(", 0, 0}},
                      {{"a", PARAMETER_CHAR, "x", 0, 0}, {"b", PARAMETER_CHAR, "(", 0, 0}},
                      {{"a", PARAMETER_CHAR, "x", 0, 0}, {"b", PARAMETER_CHAR, "(", 0, 0}}}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(CharParameter, RefusesAValueItsFormsCannotCarry) {
  CCharParameter note("note");
  for (const char* value : {"a (b) c", "a) :usage (1", "(open", "say \"hi"}) {
    EXPECT_EQ(note.set_parameter(value), 1) << value;
  }
  for (const char* value : {"two\nlines", "a\rb", "a\tb"}) {
    EXPECT_EQ(note.set_parameter(value), 0) << value;
    EXPECT_STREQ(note.get_parameter(), "say \"hi");
  }
}

// Each name alone would read back in parentheses, but the strings they
// leave open would pair up across the lines between them: the internal
// form writes them as strings, the external one, whose names are keywords,
// leaves them out.
TEST_F(EPersonTest, NamesLeavingAStringOpenAreWrittenAsStrings) {
  for (const char* name : {"a\"", "b\"", "c"}) add({name, PARAMETER_CHAR, "x", 0, 0});

  CEPerson internal_back;
  ASSERT_EQ(internal_back.load_profile_string(person.create_string().get()), 1);
  EXPECT_EQ(read(internal_back), read(person));
  CEPerson external_back;
  ASSERT_EQ(external_back.create_agent_external(person.create_string_external().get()), 1);
  EXPECT_EQ(read(external_back), (std::vector<Param>{{"c", PARAMETER_CHAR, "x", 0, 0}}));
}

TEST_F(EPersonTest, WithoutLoggerLinesGoToTheProfilesLog) {
  CEPerson quiet;
  quiet.set_file(dir.file("person.log").c_str());
  quiet.debug("%s", "outside %s text");
  quiet.debug(nullptr);
  EXPECT_NE(TempDir::read(dir.file("person.log")).find("] outside %s text\n"), std::string::npos);
}

TEST(CopyFile, CopiesEveryByte) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("from"));
  std::filesystem::create_directory(dir.file("to"));
  const std::string bytes("a\0b\r\nc", 6);
  TempDir::write(dir.file("from/p.txt"), bytes);
  EXPECT_EQ(copy_file(dir.file("to").c_str(), dir.file("from").c_str(), "p.txt"), 0);
  EXPECT_EQ(TempDir::read(dir.file("to/p.txt")), bytes);

  testing::internal::CaptureStdout();
  EXPECT_EQ(copy_file(dir.file("to").c_str(), dir.file("from").c_str(), "missing.txt"), 1);
  EXPECT_EQ(copy_file(dir.file("nowhere").c_str(), dir.file("from").c_str(), "p.txt"), 1);
  EXPECT_EQ(copy_file(nullptr, dir.file("from").c_str(), "p.txt"), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Unable to open source file\n" + dir.file("from/missing.txt") +
                "\nUnable to open target file\n" + dir.file("nowhere/p.txt") + "\n");
}

// A full disk: the copy is incomplete and says so.
TEST(CopyFile, CopyThatCannotBeWrittenFails) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  TempDir dir;
  TempDir::write(dir.file("full"), std::string(10000, 'x'));
  testing::internal::CaptureStdout();
  EXPECT_EQ(copy_file("/dev", dir.path().c_str(), "full"), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to write target file\n/dev/full\n");
}

}  // namespace
