#include "Sidewick/spacearc.h"

#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Sidewick/valuetext.h"

namespace {

const char* const kArcTypes[] = {"virtual", "door", "duct", "window", "pipe", "wire"};
const char* const kLocationTypes[] = {"unknown", "inside", "above",  "below", "infront",
                                      "behind",  "toleft", "toright", "on"};

template <size_t N>
const char* code_text(const char* const (&texts)[N], int code) {
  return code >= 0 && static_cast<size_t>(code) < N ? texts[code] : texts[0];
}

// The code whose text is `text`, or -1.
template <size_t N>
int text_code(const char* const (&texts)[N], const char* text) {
  for (size_t i = 0; i < N; ++i) {
    if (std::strcmp(texts[i], text) == 0) return static_cast<int>(i);
  }
  return -1;
}

const char* flag_text(int flag) { return flag == 1 ? "TRUE" : "FALSE"; }

int text_flag(const char* text) {
  return std::strcmp(text, "TRUE") == 0 || std::strcmp(text, "true") == 0 ? 1 : 0;
}

}  // namespace

int CSpaceArc::set_label(const char* label) {
  if (!sidewick::reads_back_as_value(label)) return 0;
  label_.set(label);
  return 1;
}

int CSpaceArc::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) != 1) return 0;
  const char* label = parser.find_token("label");
  const char* arctype = parser.find_token("arctype");
  const char* human_traversable = parser.find_token("human_traversable");
  const char* permanent = parser.find_token("permanent");
  const char* location_type = parser.find_token("location_type");
  const char* active = parser.find_token("active");
  if (label == nullptr || arctype == nullptr || human_traversable == nullptr ||
      permanent == nullptr || location_type == nullptr || active == nullptr) {
    return 0;
  }
  if (set_label(sidewick::unwrapped(label).c_str()) == 0) return 0;
  human_traversable_ = text_flag(human_traversable);
  permanent_ = text_flag(permanent);
  active_ = text_flag(active);
  const int arc = text_code(kArcTypes, arctype);
  arctype_ = arc >= 0 ? arc : ARCTYPE_VIRTUAL;
  const int location = text_code(kLocationTypes, location_type);
  if (location >= 0) locationtype_ = location;
  return 1;
}

char* CSpaceArc::to_string() {
  const std::string text = std::string("(arc :label (") + label_.get() +
                           ") :arctype " + code_text(kArcTypes, arctype_) +
                           " :human_traversable " + flag_text(human_traversable_) +
                           " :permanent " + flag_text(permanent_) + " :location_type " +
                           code_text(kLocationTypes, locationtype_) + " :active " +
                           flag_text(active_) + ")";
  text_buffer().assign(text);
  return text_buffer().get();
}
