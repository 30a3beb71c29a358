#include "Sidewick/meeting.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> attendees(CMeeting& meeting) {
  std::vector<std::string> names;
  for (CListElement* e = meeting.get_first_element(); e != nullptr;
       e = meeting.get_next_element()) {
    names.emplace_back(e->get_name() != nullptr ? e->get_name() : "(null)");
  }
  return names;
}

TEST(Meeting, NewMeetingHasDurationOneAndNothingElse) {
  CMeeting meeting;
  EXPECT_EQ(meeting.get_duration(), 1);
  EXPECT_EQ(meeting.get_time(), nullptr);
  EXPECT_EQ(meeting.get_subject(), nullptr);
  EXPECT_EQ(meeting.get_nr_elements(), 0);
  EXPECT_STREQ(meeting.to_string(),
               "tell :command appointment :profile () :start () :duration (1) :subject () "
               ":body () :location () :requiredAttendees () :optionalAttendees ()");
}

TEST(Meeting, WritesItsFieldsStartAndAttendees) {
  CMeeting meeting;
  auto* time = new CKelTime;
  time->set_day(8);
  time->set_month(12);
  time->set_year(2026);
  time->set_hour(9);
  time->set_minute(5);
  time->set_second(3);
  meeting.set_time(time);
  meeting.set_profile("weekly");
  meeting.set_subject("Review");
  meeting.set_body("Plans for (next) week");
  meeting.set_location("Room 4");
  meeting.set_duration(30);
  meeting.add_element(new CParticipant("alpha"));
  meeting.add_element(new CParticipant("beta"));
  EXPECT_STREQ(meeting.to_string(),
               "tell :command appointment :profile (weekly) :start (8-12-2026-9-5-3) "
               ":duration (30) :subject (Review) :body (Plans for (next) week) "
               ":location (Room 4) :requiredAttendees (alpha,beta) :optionalAttendees ()");
  meeting.set_subject(nullptr);
  EXPECT_EQ(meeting.get_subject(), nullptr);
}

TEST(Meeting, ReadsAnAppointmentAndAppendsItsAttendees) {
  CMeeting meeting;
  meeting.add_element(new CParticipant("chair"));
  auto* time = new CKelTime;
  time->set_year(1999);
  meeting.set_time(time);
  std::string text =
      "(tell :command appointment :profile (weekly) :start (1-1-2030-0-0-0) :duration (30) "
      ":subject (Review) :body (The plans) :location (Room 4) :requiredAttendees (alpha,beta) "
      ":optionalAttendees (gamma))";
  ASSERT_EQ(meeting.from_string(text.data()), 1);
  EXPECT_STREQ(meeting.get_profile(), "weekly");
  EXPECT_STREQ(meeting.get_subject(), "Review");
  EXPECT_STREQ(meeting.get_body(), "The plans");
  EXPECT_STREQ(meeting.get_location(), "Room 4");
  EXPECT_EQ(meeting.get_duration(), 30);
  EXPECT_EQ(attendees(meeting), (std::vector<std::string>{"chair", "alpha", "beta", "gamma"}));
  EXPECT_NE(dynamic_cast<CParticipant*>(meeting.get_element(1)), nullptr);
  EXPECT_EQ(meeting.get_time(), time);  // the start is not read
  EXPECT_EQ(time->get_year(), 1999);
}

TEST(Meeting, OwnTextReadsBackIntoANewMeeting) {
  CMeeting meeting;
  meeting.set_subject("Review");
  meeting.set_duration(45);
  meeting.add_element(new CParticipant("alpha"));
  meeting.add_element(new CParticipant("beta"));
  std::string text = meeting.to_string();
  CMeeting back;
  ASSERT_EQ(back.from_string(text.data()), 1);
  EXPECT_STREQ(back.get_subject(), "Review");
  EXPECT_EQ(back.get_duration(), 45);
  EXPECT_EQ(attendees(back), (std::vector<std::string>{"alpha", "beta"}));
}

// The texts read from a written meeting: what was set, field by field.
struct MeetingFields {
  std::string profile, subject, body, location;
  int duration;
  std::vector<std::string> attendees;
};

bool operator==(const MeetingFields& a, const MeetingFields& b) {
  return a.profile == b.profile && a.subject == b.subject && a.body == b.body &&
         a.location == b.location && a.duration == b.duration && a.attendees == b.attendees;
}

void PrintTo(const MeetingFields& f, std::ostream* out) {
  *out << "[" << f.profile << "|" << f.subject << "|" << f.body << "|" << f.location << "|"
       << f.duration << "|" << f.attendees.size() << " attendees]";
}

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

MeetingFields fields_of(CMeeting& meeting) {
  return {text_of(meeting.get_profile()), text_of(meeting.get_subject()),
          text_of(meeting.get_body()),    text_of(meeting.get_location()),
          meeting.get_duration(),         attendees(meeting)};
}

struct RoundTripCase {
  std::string name;
  MeetingFields fields;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class MeetingRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Written and read into a new meeting, as its own text and as the content
// of a message: the same fields, and the same text written again.
TEST_P(MeetingRoundTrip, ReadsBackAsSet) {
  const MeetingFields& set = GetParam().fields;
  CMeeting meeting;
  ASSERT_EQ(meeting.set_profile(set.profile.c_str()), 1);
  ASSERT_EQ(meeting.set_subject(set.subject.c_str()), 1);
  ASSERT_EQ(meeting.set_body(set.body.c_str()), 1);
  ASSERT_EQ(meeting.set_location(set.location.c_str()), 1);
  meeting.set_duration(set.duration);
  for (const std::string& name : set.attendees) meeting.add_element(new CParticipant(name.c_str()));
  const std::string written = meeting.to_string();
  for (const std::string& text : {written, "(" + written + ")"}) {
    CMeeting back;
    std::string copy = text;
    ASSERT_EQ(back.from_string(copy.data()), 1) << text;
    EXPECT_EQ(fields_of(back), set) << text;
    EXPECT_EQ(back.to_string(), written);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Meetings, MeetingRoundTrip,
    testing::Values(
        RoundTripCase{"words_with_blanks", {"weekly plan", "Big review", "all of it", "Room 4",
                                            30, {"alpha", "beta"}}},
        RoundTripCase{"paired_parentheses", {"(a)", "x (y (z)) w", "()", "f(g)h", 5, {"a(b)"}}},
        RoundTripCase{"quotes_and_colons", {"p", "say \"hi\"", ":body (x)", "a :b c", 1, {}}},
        RoundTripCase{"strings_hiding_parentheses",
                      {"\"(\"", "say \"x ) y\"", "\"a \\\" ( b\"", "a\\b", 2, {"\")\""}}},
        RoundTripCase{"empty_texts", {"", "", "", "", 0, {}}},
        // Written as strings: in parentheses they would change the fields
        // after them, or strings left open would run on into them.
        RoundTripCase{"texts_parentheses_do_not_carry",
                      {"lunch) :location (moon", "(moon", ")(", "a\"b", 1, {"d)", "x\"y"}}},
        RoundTripCase{"strings_ended_by_escapes",
                      {"\"a\\\"", "\"a\\", "5'11\"", "say \") :body (\"", 1, {}}},
        // An empty last name needs a comma of its own to be read back.
        RoundTripCase{"empty_last_attendee", {"p", "s", "b", "l", 1, {"a", ""}}},
        RoundTripCase{"empty_attendees_only", {"p", "s", "b", "l", 1, {"", ""}}},
        RoundTripCase{"empty_first_attendee", {"p", "s", "b", "l", 1, {"", "a"}}}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

struct FoundCase {
  std::string name;
  const char* text;
  int result;  // of reading the text
};

void PrintTo(const FoundCase& c, std::ostream* out) { *out << c.name; }

class MeetingReadBack : public testing::TestWithParam<FoundCase> {};

// What a meeting read from a text writes reads back to the same meeting.
// The texts are inputs on which writing and reading back used to disagree;
// those whose parentheses do not pair up, once enclosed, are not read.
TEST_P(MeetingReadBack, WhatItWritesReadsBackTheSame) {
  CMeeting meeting;
  std::string text = GetParam().text;
  ASSERT_EQ(meeting.from_string(text.data()), GetParam().result);
  const std::string written = meeting.to_string();
  CMeeting back;
  std::string copy = written;
  ASSERT_EQ(back.from_string(copy.data()), 1);
  EXPECT_EQ(fields_of(back), fields_of(meeting)) << written;
  EXPECT_EQ(back.to_string(), written);
}

INSTANTIATE_TEST_SUITE_P(
    Found, MeetingReadBack,
    testing::Values(
        FoundCase{"unpaired_close_in_a_value", ":command appointment :profile()))", 1},
        FoundCase{"blank_profile_first_in_the_text", "(:command appointment :profile ( ))", 1},
        FoundCase{"unclosed_profile", ":command appointment :profile()( ", 0},
        FoundCase{"unpaired_attendees", "(:command appointment :requiredAttendees a((,b )))", 1},
        FoundCase{"unpaired_subject", ":command appointment():subject ((", 0},
        FoundCase{"subject_swallowing_the_rest", "(:command appointment :subject a(( ) :body b))",
                  1}),
    [](const testing::TestParamInfo<FoundCase>& info) { return info.param.name; });

struct UnwritableCase {
  std::string name;
  const char* text;
};

void PrintTo(const UnwritableCase& c, std::ostream* out) { *out << c.name; }

class MeetingUnwritableText : public testing::TestWithParam<UnwritableCase> {};

// A text that no form carries is refused by every setter, and never reaches
// the written text.
TEST_P(MeetingUnwritableText, IsRefusedWhenSet) {
  CMeeting meeting;
  ASSERT_EQ(meeting.set_location("office"), 1);
  const struct {
    int (CMeeting::*set)(const char*);
    char* (CMeeting::*get)() const;
  } fields[] = {{&CMeeting::set_profile, &CMeeting::get_profile},
                {&CMeeting::set_subject, &CMeeting::get_subject},
                {&CMeeting::set_body, &CMeeting::get_body},
                {&CMeeting::set_location, &CMeeting::get_location}};
  for (const auto& f : fields) {
    const std::string before = text_of((meeting.*f.get)());
    EXPECT_EQ((meeting.*f.set)(GetParam().text), 0);
    EXPECT_EQ(text_of((meeting.*f.get)()), before);
  }
  std::string written = meeting.to_string();
  CMeeting back;
  ASSERT_EQ(back.from_string(written.data()), 1);
  EXPECT_STREQ(back.get_location(), "office");
  EXPECT_STREQ(back.get_subject(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MeetingUnwritableText,
    testing::Values(UnwritableCase{"line_end", "two\nlines"},
                    UnwritableCase{"carriage_return", "a\rb"},
                    UnwritableCase{"tab", "a\tb"}),
    [](const testing::TestParamInfo<UnwritableCase>& info) { return info.param.name; });

// Texts as earlier writers wrote them, in parentheses as they stand, read
// as written, every field; where a quote left open in one value pairs up
// with one in a later value, the text is not read at all.
TEST(Meeting, ReadsTextsInParenthesesAsWrittenOrNotAtAll) {
  CMeeting meeting;
  meeting.set_subject("kept");
  std::string text =
      R"((tell :command appointment :subject (5'11") :body (b) :location (C:\dir\) )"
      R"(:requiredAttendees (ann,x(,)y,bob)))";
  ASSERT_EQ(meeting.from_string(text.data()), 1);
  EXPECT_STREQ(meeting.get_subject(), "5'11\"");
  EXPECT_STREQ(meeting.get_body(), "b");
  EXPECT_STREQ(meeting.get_location(), R"(C:\dir\)");
  EXPECT_EQ(attendees(meeting), (std::vector<std::string>{"ann", "x(", ")y", "bob"}));

  text = R"((tell :command appointment :subject (5'11") :body (c) :location ("C:\dir\")))";
  EXPECT_EQ(meeting.from_string(text.data()), 0);
  EXPECT_STREQ(meeting.get_subject(), "5'11\"");
  EXPECT_STREQ(meeting.get_body(), "b");
}

// What parentheses would not carry goes as a KQML string.
TEST(Meeting, WritesTextsParenthesesCannotCarryAsStrings) {
  CMeeting meeting;
  meeting.set_subject("5'11\"");
  meeting.set_body(R"(C:\dir\)");
  meeting.set_location(R"("C:\dir\")");
  meeting.add_element(new CParticipant("ann"));
  meeting.add_element(new CParticipant("x\"y"));
  EXPECT_STREQ(meeting.to_string(),
               R"(tell :command appointment :profile () :start () :duration (1) )"
               R"(:subject "5'11\"" :body (C:\dir\) :location "\"C:\\dir\\\"" )"
               R"(:requiredAttendees "ann,x\"y" :optionalAttendees ())");
}

// Attendees added to the list directly are written only when a list of
// names carries them: not with a comma in the name, nor without a name.
TEST(Meeting, LeavesOutAttendeesItCannotWrite) {
  CMeeting meeting;
  for (const char* name : {"ann", "b,c", "d)", "eve"}) meeting.add_element(new CParticipant(name));
  meeting.add_element(new CParticipant());
  std::string written = meeting.to_string();
  CMeeting back;
  ASSERT_EQ(back.from_string(written.data()), 1);
  EXPECT_EQ(attendees(back), (std::vector<std::string>{"ann", "d)", "eve"}));
}

struct RefusedCase {
  std::string name;
  const char* text;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class MeetingRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(MeetingRefuses, ChangesNothing) {
  CMeeting meeting;
  meeting.set_subject("kept");
  std::string text = GetParam().text != nullptr ? GetParam().text : "";
  EXPECT_EQ(meeting.from_string(GetParam().text != nullptr ? text.data() : nullptr), 0);
  EXPECT_STREQ(meeting.get_subject(), "kept");
  EXPECT_EQ(meeting.get_duration(), 1);
  EXPECT_EQ(meeting.get_nr_elements(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MeetingRefuses,
    testing::Values(
        RefusedCase{"other_command", "(tell :command cancel :subject (x) :duration (5))"},
        RefusedCase{"no_command", "(tell :subject (x) :requiredAttendees (a))"},
        RefusedCase{"unparsable", "tell command appointment"},
        RefusedCase{"null", nullptr}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(Participant, KeepsAPaymentNote) {
  CParticipant participant("alpha");
  EXPECT_EQ(participant.get_paid(), nullptr);
  participant.set_paid("paid in full");
  EXPECT_STREQ(participant.get_paid(), "paid in full");
  participant.set_paid(nullptr);
  EXPECT_EQ(participant.get_paid(), nullptr);
}

}  // namespace
