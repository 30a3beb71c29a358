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
