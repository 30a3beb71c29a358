#include "Sidewick/meeting.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Sidewick/valuetext.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"
#include "Toolwick/utils.h"

int CMeeting::set_text(HeapText& field, const char* text) {
  if (text != nullptr && !sidewick::is_writable(text)) return 0;
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

  // A quote left open in one value pairs up with one in a later value: the
  // fields between them would be lost in one string.
  for (const char* keyword : {"profile", "duration", "subject", "body", "location",
                              "requiredAttendees", "optionalAttendees"}) {
    if (sidewick::takes_in_keywords(parser.find_token(keyword))) {
      debug("<CMeeting> The %s takes in the fields after it, meeting not read", keyword);
      return 0;
    }
  }
  // A parsed value holds no tab or line end: every text is taken.
  const struct {
    const char* keyword;
    HeapText CMeeting::*field;
  } texts[] = {{"profile", &CMeeting::profile_},
               {"subject", &CMeeting::subject_},
               {"body", &CMeeting::body_},
               {"location", &CMeeting::location_}};
  for (const auto& t : texts) {
    if (const char* value = parser.find_token(t.keyword)) {
      (this->*t.field).set(sidewick::value_text(value).c_str());
    }
  }
  if (const char* value = parser.find_token("duration")) {
    duration_ = read_int(sidewick::unwrapped(value).c_str());
  }
  for (const char* keyword : {"requiredAttendees", "optionalAttendees"}) {
    if (const char* value = parser.find_token(keyword)) {
      CLList names;
      CUtils().tokenize(sidewick::value_text(value).c_str(), ',', &names);
      for (CListElement* e = names.get_element(0); e != nullptr; e = e->get_next()) {
        add_element(new CParticipant(e->get_name()));
      }
    }
  }
  return 1;
}

char* CMeeting::to_string() {
  const std::string start = time_ != nullptr ? time_->create_string().get() : "";
  const auto written = [](const HeapText& field) {
    return sidewick::written_value(text_or_empty(field.get()).c_str());
  };
  const std::string text =
      "tell :command appointment :profile " + written(profile_) + " :start (" + start +
      ") :duration (" + std::to_string(duration_) + ") :subject " + written(subject_) +
      " :body " + written(body_) + " :location " + written(location_) +
      " :requiredAttendees " + sidewick::written_value(sidewick::comma_list(this).c_str()) +
      " :optionalAttendees ()";
  text_buffer().assign(text);
  return text_buffer().get();
}
