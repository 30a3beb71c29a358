#include "Sidewick/meeting.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Sidewick/valuetext.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"
#include "Toolwick/utils.h"

int CMeeting::set_text(HeapText& field, const char* text) {
  if (text != nullptr && !sidewick::reads_back_as_value(text)) return 0;
  field.set(text);
  return 1;
}

int CMeeting::from_string(char* text) {
  if (text == nullptr) return 0;
  const char* start = text + std::strspn(text, " \t\r\n");
  const std::string enclosed =
      *start == '(' ? std::string(text) : "(" + std::string(text) + ")";
  CParser parser;
  if (parser.parse_message(enclosed.c_str()) != 1) return 0;
  const char* command = parser.find_token("command");
  if (command == nullptr || std::strcmp(command, "appointment") != 0) return 0;

  const struct {
    const char* keyword;
    int (CMeeting::*set)(const char*);
  } texts[] = {{"profile", &CMeeting::set_profile},
               {"subject", &CMeeting::set_subject},
               {"body", &CMeeting::set_body},
               {"location", &CMeeting::set_location}};
  for (const auto& t : texts) {
    const char* value = parser.find_token(t.keyword);
    if (value != nullptr && (this->*t.set)(sidewick::unwrapped(value).c_str()) == 0) {
      debug("<CMeeting> The %s cannot be written back as it reads, left as it was", t.keyword);
    }
  }
  if (const char* value = parser.find_token("duration")) {
    duration_ = read_int(sidewick::unwrapped(value).c_str());
  }
  for (const char* keyword : {"requiredAttendees", "optionalAttendees"}) {
    if (const char* value = parser.find_token(keyword)) {
      add_attendees(sidewick::unwrapped(value).c_str());
    }
  }
  return 1;
}

void CMeeting::add_attendees(const char* names) {
  CLList pieces;
  CUtils().tokenize(names, ',', &pieces);
  for (CListElement* e = pieces.get_element(0); e != nullptr; e = e->get_next()) {
    if (!sidewick::reads_back_as_list_name(e->get_name())) {
      debug("<CMeeting> An attendee cannot be written back as it reads, left out");
      continue;
    }
    add_element(new CParticipant(e->get_name()));
  }
}

char* CMeeting::to_string() {
  const std::string start = time_ != nullptr ? time_->create_string().get() : "";
  const std::string text =
      "tell :command appointment :profile (" + text_or_empty(profile_.get()) + ") :start (" +
      start + ") :duration (" + std::to_string(duration_) + ") :subject (" +
      text_or_empty(subject_.get()) + ") :body (" + text_or_empty(body_.get()) +
      ") :location (" + text_or_empty(location_.get()) + ") :requiredAttendees (" +
      sidewick::comma_list(this) + ") :optionalAttendees ()";
  text_buffer().assign(text);
  return text_buffer().get();
}
