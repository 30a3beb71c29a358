// Fuzzes reading appointments: the input is read twice into one meeting
// (attendees add up) with a start read from the input too, and written.
// The oracle: the written text reads back into a new meeting with the same
// fields and attendees, and that meeting writes the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Sidewick/meeting.h"
#include "oracle.h"

namespace {

struct Fields {
  std::string profile, subject, body, location;
  int duration;
  std::vector<std::string> attendees;
  bool operator==(const Fields&) const = default;
};

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

Fields fields_of(CMeeting& meeting) {
  Fields f{text_of(meeting.get_profile()), text_of(meeting.get_subject()),
           text_of(meeting.get_body()), text_of(meeting.get_location()), meeting.get_duration(),
           {}};
  for (CListElement* e = meeting.get_element(0); e != nullptr; e = e->get_next()) {
    f.attendees.push_back(text_of(e->get_name()));
  }
  return f;
}

// A start of fixed fields, then those the input holds.
CKelTime* start_from(const std::string& text) {
  auto* time = new CKelTime;
  time->set_day(1);
  time->set_month(2);
  time->set_year(2003);
  time->set_hour(4);
  time->set_minute(5);
  time->set_second(6);
  std::string copy = text;
  time->from_string(copy.data());
  return time;
}

CKelTime* copy_of(const CKelTime& time) {
  auto* copy = new CKelTime;
  copy->set_day(time.get_day());
  copy->set_month(time.get_month());
  copy->set_year(time.get_year());
  copy->set_hour(time.get_hour());
  copy->set_minute(time.get_minute());
  copy->set_second(time.get_second());
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CMeeting meeting;
  for (int round = 0; round < 2; ++round) {
    std::string copy = text;
    meeting.from_string(copy.data());
  }
  meeting.set_time(start_from(text));
  const std::string written = meeting.to_string();

  // The start is not read back: the new meeting is given the same one.
  CMeeting back;
  back.set_time(copy_of(*meeting.get_time()));
  std::string copy = written;
  FUZZ_CHECK(back.from_string(copy.data()) == 1);
  FUZZ_CHECK(fields_of(back) == fields_of(meeting));
  FUZZ_CHECK(back.to_string() == written);
  return 0;
}
