#include "Sidewick/meeting.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Sidewick/valuetext.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"
#include "Toolwick/utils.h"

int CMeeting::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) != 1) return 0;
  const char* command = parser.find_token("command");
  if (command == nullptr || std::strcmp(command, "appointment") != 0) return 0;

  const struct {
    const char* keyword;
    HeapText* field;
  } texts[] = {{"profile", &profile_}, {"subject", &subject_}, {"body", &body_},
               {"location", &location_}};
  for (const auto& t : texts) {
    if (const char* value = parser.find_token(t.keyword)) {
      t.field->assign(sidewick::unwrapped(value));
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
  for (CListElement* e = pieces.get_first_element(); e != nullptr; e = pieces.get_next_element()) {
    add_element(new CParticipant(e->get_name()));
  }
}

char* CMeeting::to_string() {
  const std::string start = time_ != nullptr ? time_->create_string().get() : "";
  const HeapText attendees = CUtils().tokenator(',', this);
  const std::string text =
      "tell :command appointment :profile (" + text_or_empty(profile_.get()) + ") :start (" +
      start + ") :duration (" + std::to_string(duration_) + ") :subject (" +
      text_or_empty(subject_.get()) + ") :body (" + text_or_empty(body_.get()) +
      ") :location (" + text_or_empty(location_.get()) + ") :requiredAttendees (" +
      text_or_empty(attendees.get()) + ") :optionalAttendees ()";
  text_buffer().assign(text);
  return text_buffer().get();
}
