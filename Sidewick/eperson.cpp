#include "Sidewick/eperson.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "Relaywick/logfacility.h"
#include "Sidewick/valuetext.h"
#include "Talkwick/kqmlparser.h"
#include "Toolwick/numbers.h"
#include "Toolwick/filebuffer.h"
#include "Toolwick/format.h"
#include "Toolwick/guid.h"
#include "Toolwick/token.h"

// The log lines of one section of the external form.
struct CEPerson::SectionTexts {
  const char* processing;
  const char* unreadable_section;
  const char* unreadable_public;
  const char* unreadable_private;
  const char* no_public;
  const char* no_private;
};

CEPerson::CEPerson() { reset_profile(); }

CEPerson::~CEPerson() { reset_profile(); }

void CEPerson::reset_profile() {
  parameters_.delete_list();
  file_.reset();
}

void CEPerson::debug(const char* fmt, ...) {
  if (fmt == nullptr) return;
  va_list args;
  va_start(args, fmt);
  const std::string line = str_vformat(fmt, args);
  va_end(args);
  if (logger_ != nullptr) {
    logger_->process_message(line.c_str(), DIRECTION_INTERNAL);
  } else {
    CListElement::debug("%s", line.c_str());
  }
}

int CEPerson::create_id() {
  if (created_ != 0) return 1;
  created_ = 1;
  CListElement* found = parameters_.find_element("id");
  auto* id = dynamic_cast<CCharParameter*>(found);
  if (id == nullptr) {
    // An "id" of another type cannot hold the GUID text.
    if (found != nullptr) parameters_.delete_element(found);
    id = new CCharParameter("id");
    parameters_.add_element(id);
  }
  id->set_usage(USAGE_PRIMARY);
  id->set_visibility(VISIBILITY_PUBLIC);
  CGUID guid;
  id->set_parameter(guid.get_guid());
  return 1;
}

char* CEPerson::get_id() const {
  auto* id = dynamic_cast<CCharParameter*>(parameters_.find_element("id"));
  return id != nullptr ? id->get_parameter() : nullptr;
}

int CEPerson::load_profile(const char* file) {
  if (file != nullptr) file_.set(file);
  // Reading resets the profile; the file name stays, so that the profile
  // saves where it came from.
  const HeapText name = file_;
  CFileBuffer buffer;
  const int result = load_profile_string(buffer.load_a_file(name.get()));
  file_ = name;
  return result;
}

int CEPerson::save_profile(const char* file) {
  if (file != nullptr) file_.set(file);
  if (!file_.is_set()) return 1;
  FILE* out = std::fopen(file_.get(), "wb");
  if (out == nullptr) {
    debug("<CEPerson> Unable to save profile");
    return 0;
  }
  const HeapText text = create_string();
  const bool written = !text.is_set() || std::fputs(text.get(), out) >= 0;
  // A full disk shows only when the buffered text is flushed on closing.
  if (std::fclose(out) != 0 || !written) {
    debug("<CEPerson> Unable to save profile");
    return 0;
  }
  return 1;
}

bool CEPerson::parameter_line(CParameterBase* parameter, std::string* line) {
  line->clear();
  auto* integer = dynamic_cast<CIntParameter*>(parameter);
  auto* text = dynamic_cast<CCharParameter*>(parameter);
  auto* list = dynamic_cast<CListParameter*>(parameter);
  if (integer == nullptr && text == nullptr && list == nullptr) return false;
  const std::string name = text_or_empty(parameter->get_name());
  if (!sidewick::is_writable(name.c_str())) {
    debug("<CEPerson> Parameter name cannot be written, parameter left out: %s", name.c_str());
    return true;
  }
  // Name and content in parentheses, or as strings where parentheses would
  // not carry them.
  const auto entry = [&](const char* kind, const std::string& content) {
    return std::string(" (") + kind + " :parameter (value :name " +
           sidewick::written_value(name.c_str()) + " :content " +
           sidewick::written_value(content.c_str()) + " :type " +
           std::to_string(parameter->get_type()) + ") :visibility " +
           std::to_string(parameter->get_visibility()) + " :usage " +
           std::to_string(parameter->get_usage()) + ")\n";
  };
  if (integer != nullptr) {
    *line = entry("int", std::to_string(integer->get_parameter()));
  } else if (text != nullptr) {
    *line = entry("char", text_or_empty(text->get_parameter()));
  } else if (list->get_parameter() != nullptr) {
    *line = entry("list", "list;" + sidewick::comma_list(list->get_parameter()));
  }
  return true;
}

char* CEPerson::create_param_string(CParameterBase* parameter, char* out, size_t size) {
  if (parameter == nullptr || out == nullptr || size == 0) return out;
  std::string line;
  if (!parameter_line(parameter, &line)) return nullptr;
  const size_t length = std::min(line.size(), size - 1);
  std::memcpy(out, line.data(), length);
  out[length] = '\0';
  return out + length;
}

HeapText CEPerson::create_string() {
  if (parameters_.get_nr_elements() == 0) {
    debug("<CEPerson> Unable to create profile string");
    return HeapText();
  }
  std::string lines;
  for (CListElement* e = parameters_.get_element(0); e != nullptr; e = e->get_next()) {
    std::string line;
    auto* parameter = dynamic_cast<CParameterBase*>(e);
    if (parameter == nullptr || !parameter_line(parameter, &line)) {
      debug("<CEPerson> create_string returned a NULL pointer!");
      return HeapText();
    }
    lines += line;
  }
  // Without a line the text would read as no profile at all.
  if (lines.empty()) {
    debug("<CEPerson> Unable to create profile string");
    return HeapText();
  }
  return HeapText("(\n" + lines + ")\n");
}

namespace {

// An entry laid over more lines than this is not read: lines that never
// read together would otherwise be parsed again with each line after them.
constexpr int kMostLinesOfAnEntry = 64;

// The entries of an internal form as its writers lay them out, one line a
// parameter, so that a quote left open on one line cannot take in the lines
// after it: the lines between the text's first '(' and its last ')', each
// in parentheses, ready to parse. A line that does not read alone (an entry
// laid over several lines) goes with the lines after it, up to the one with
// which it reads; a rest that does not read within kMostLinesOfAnEntry
// lines comes last, to fail.
std::vector<std::string> entry_lines(const std::string& text) {
  std::vector<std::string> pieces;
  const size_t open = text.find('(');
  const size_t close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close <= open) return pieces;
  std::string pending;
  int lines = 0;
  for (size_t at = open + 1; at < close;) {
    const size_t end = std::min(text.find('\n', at), close);
    pending += text.substr(at, end - at) + " ";
    at = end + 1;
    if (pending.find_first_not_of(" \t\r") == std::string::npos) {
      pending.clear();
      continue;
    }
    const std::string piece = "(" + pending + ")";
    if (CKQMLParser::parses(piece.c_str()) || ++lines == kMostLinesOfAnEntry) {
      pieces.push_back(piece);
      if (lines == kMostLinesOfAnEntry) return pieces;
      pending.clear();
      lines = 0;
    }
  }
  if (!pending.empty() && pending.find_first_not_of(" \t\r") != std::string::npos) {
    pieces.push_back("(" + pending + ")");
  }
  return pieces;
}

}  // namespace

int CEPerson::load_profile_string(const char* text) {
  if (text == nullptr) return 0;
  reset_profile();
  CParser profile;
  if (profile.parse_message(text) != 1) return 0;
  for (const std::string& line : entry_lines(text)) {
    CParser entries;
    bool read = entries.parse_message(line.c_str()) == 1;
    if (!read) debug("<CEPerson> Unable to parse primary field");
    for (const char* entry = read ? entries.listall_getfirst_token() : nullptr; entry != nullptr;
         entry = entries.listall_getnext_token()) {
      if (!read_parameter(entry)) {
        read = false;
        break;
      }
    }
    if (!read) {
      // Loaded without it, the profile would pass for the one that was stored.
      reset_profile();
      debug("<CEPerson> Unable to load profile, a parameter cannot be read");
      return 0;
    }
  }
  return 1;
}

bool CEPerson::read_parameter(const char* entry) {
  CParser fields;
  if (fields.parse_message(entry) != 1) {
    debug("<CEPerson> Unable to parse primary field");
    return false;
  }
  const char* parameter = fields.find_token("parameter");
  const char* visibility = fields.find_token("visibility");
  const char* usage = fields.find_token("usage");
  if (parameter == nullptr || visibility == nullptr || usage == nullptr) {
    debug("<CEPerson> Error finding either: parameter, visibility, usage");
    return false;
  }
  CParser value;
  if (value.parse_message(parameter) != 1) {
    debug("<CEPerson> Unable to parse field");
    return false;
  }
  const char* name = value.find_token("name");
  const char* content = value.find_token("content");
  const char* type_text = value.find_token("type");
  if (name == nullptr || content == nullptr || type_text == nullptr) {
    debug("<CEPerson> Error finding either: name, content, type");
    return false;
  }
  const std::string name_text = sidewick::value_text(name);
  const std::string content_text = sidewick::value_text(content);
  const int type = read_int(sidewick::unwrapped(type_text).c_str());

  CParameterBase* made = nullptr;
  if (type == PARAMETER_INT) {
    debug("<CEPerson> Created new (integer) key, see next line");
    auto* p = new CIntParameter(name_text.c_str());
    p->set_parameter(read_int(content_text.c_str()));
    made = p;
  } else if (type == PARAMETER_CHAR) {
    debug("<CEPerson> Created new (string) key, see next line");
    // A parsed value holds no tab or line end: the parameter takes it.
    auto* p = new CCharParameter(name_text.c_str());
    p->set_parameter(content_text.c_str());
    made = p;
  } else if (type == PARAMETER_LIST) {
    debug("<CEPerson> Created new (list) key, see next line");
    made = new CListParameter(name_text.c_str());
  } else {
    debug("<CEPerson> Unknown parameter type %d", type);
    return false;
  }
  debug("%s", name_text.c_str());
  debug("%s", content_text.c_str());
  if (auto* p = dynamic_cast<CListParameter*>(made)) {
    p->set_parameter(content_text.c_str());
    if (CLList* items = p->get_parameter()) {
      debug("<CEPerson> Displaying contents of list");
      for (CListElement* e = items->get_element(0); e != nullptr; e = e->get_next()) {
        debug("<CEPerson> Element:");
        debug("%s", e->get_name() != nullptr ? e->get_name() : "");
      }
    } else {
      debug("<CEPerson> Unable to parse list, empty content");
    }
  }
  made->set_visibility(read_int(sidewick::unwrapped(visibility).c_str()));
  made->set_type(type);
  made->set_usage(read_int(sidewick::unwrapped(usage).c_str()));
  parameters_.add_element(made);
  return true;
}

HeapText CEPerson::create_param_string_external(CParameterBase* parameter) {
  const std::string name = parameter != nullptr ? text_or_empty(parameter->get_name()) : "";
  if (parameter != nullptr && !sidewick::reads_back_as_keyword(name.c_str())) {
    debug("<CEPerson> Parameter name cannot be written as a keyword, parameter left out: %s",
          name.c_str());
    return HeapText();
  }
  if (auto* p = dynamic_cast<CIntParameter*>(parameter)) {
    return HeapText(" :" + name + " (" + std::to_string(p->get_parameter()) + ")\n");
  }
  if (auto* p = dynamic_cast<CCharParameter*>(parameter)) {
    // The reader takes a value holding "list;" for a list.
    const std::string value = text_or_empty(p->get_parameter());
    if (value.find("list;") != std::string::npos) {
      debug("<CEPerson> Text value would read back as a list, parameter left out: %s",
            name.c_str());
      return HeapText();
    }
    return HeapText(" :" + name + " " + sidewick::written_value(value.c_str()) + "\n");
  }
  if (auto* p = dynamic_cast<CListParameter*>(parameter)) {
    if (p->get_parameter() == nullptr) return HeapText();
    const std::string items = "list;" + sidewick::comma_list(p->get_parameter());
    return HeapText(" :" + name + " " + sidewick::written_value(items.c_str()) + "\n");
  }
  return HeapText();
}

HeapText CEPerson::create_string_external() {
  const auto group = [this](int usage, int visibility) {
    std::string entries;
    for (CListElement* e = parameters_.get_element(0); e != nullptr; e = e->get_next()) {
      auto* parameter = dynamic_cast<CParameterBase*>(e);
      if (parameter == nullptr || parameter->get_usage() != usage ||
          parameter->get_visibility() != visibility) {
        continue;
      }
      const HeapText entry = create_param_string_external(parameter);
      if (entry.is_set()) entries += entry.get();
    }
    return entries;
  };
  // The last parenthesis closes "(tell": without it no reader could parse
  // the text.
  return HeapText(" :profile (tell :primary  (pri :public (pub " +
                  group(USAGE_PRIMARY, VISIBILITY_PUBLIC) + " ) :private (priv " +
                  group(USAGE_PRIMARY, VISIBILITY_PRIVATE) + " )) :secondary (sec :public (pub " +
                  group(USAGE_SECONDARY, VISIBILITY_PUBLIC) + " ) :private (priv " +
                  group(USAGE_SECONDARY, VISIBILITY_PRIVATE) + " )))");
}

int CEPerson::create_agent_external(const char* text) {
  if (text == nullptr) return 0;
  reset_profile();
  // Read with or without the parenthesis that closes "(tell": this writer
  // closes it, other writers of the form leave it open.
  CParser profile;
  if (sidewick::parse_closing_at_end(profile, text) != 1) {
    debug("<CEPerson> Unable to parse profile string");
    return 0;
  }
  static const SectionTexts kPrimary = {
      "<CEPerson> Processing primary profile section",
      "<CEPerson> Unable to parser primary section",
      "<CEPerson> Unable to parse public field in profile",
      "<CEPerson> Unable to parse private field in profile",
      "<CEPerson> Unable to find public fields in primary profile section",
      "<CEPerson> Unable to find private field in primary profile section"};
  static const SectionTexts kSecondary = {
      "<CEPerson> Processing secondary profile section",
      "<CEPerson> Unable to parser secondary section",
      "<CEPerson> Error parsing public field in secondary profile section",
      "<CEPerson> Error parsing private field in secondary profile section",
      "<CEPerson> Unable to find public fields in secondary profile section",
      "<CEPerson> Unable to find private fields in secondary profile section"};
  if (const char* primary = profile.find_token("primary")) {
    if (read_section(primary, USAGE_PRIMARY, kPrimary) == 0) return 0;
  } else {
    debug("<CEPerson> Unable to find primary fields in primary profile section");
  }
  if (const char* secondary = profile.find_token("secondary")) {
    if (read_section(secondary, USAGE_SECONDARY, kSecondary) == 0) return 0;
  } else {
    debug("<CEPerson> Unable to find secondary fields in profile");
  }
  return 1;
}

int CEPerson::read_section(const char* section, int usage, const SectionTexts& texts) {
  debug("%s", texts.processing);
  CParser parts;
  if (parts.parse_message(section) != 1) {
    debug("%s", texts.unreadable_section);
    return 0;
  }
  if (const char* group = parts.find_token("public")) {
    debug("<CEPerson> Processing public profile section");
    read_group(group, usage, VISIBILITY_PUBLIC, texts.unreadable_public);
  } else {
    debug("%s", texts.no_public);
  }
  if (const char* group = parts.find_token("private")) {
    debug("<CEPerson> Processing private profile section");
    read_group(group, usage, VISIBILITY_PRIVATE, texts.unreadable_private);
  } else {
    debug("%s", texts.no_private);
  }
  return 1;
}

void CEPerson::read_group(const char* group, int usage, int visibility, const char* unreadable) {
  CParser entries;
  if (entries.parse_message(group) != 1) {
    debug("%s", unreadable);
    return;
  }
  CLList* tokens = entries.get_tokens();
  if (tokens == nullptr) return;
  for (CListElement* e = tokens->get_element(0); e != nullptr; e = e->get_next()) {
    auto* token = dynamic_cast<CToken*>(e);
    const char* keyword = token != nullptr && token->get_token() != nullptr
                              ? token->get_token()->get_name()
                              : nullptr;
    if (keyword == nullptr || keyword[0] != ':') continue;
    debug("%s", keyword + 1);
    if (!sidewick::reads_back_as_keyword(keyword + 1)) {
      debug("<CEPerson> Parameter name cannot be written back as it reads, parameter left out");
      continue;
    }
    const char* value =
        token->get_token_content() != nullptr ? token->get_token_content()->get_name() : nullptr;
    if (value == nullptr || value[0] == '\0') {
      debug("<CEPerson> Empty content found, could be performative");
      continue;
    }
    const std::string content = sidewick::value_text(value);
    CParameterBase* made;
    if (content.find("list;") != std::string::npos) {
      auto* list = new CListParameter(keyword + 1);
      list->set_parameter(content.c_str());
      made = list;
    } else {
      auto* text = new CCharParameter(keyword + 1);
      text->set_parameter(content.c_str());
      made = text;
    }
    made->set_usage(usage);
    made->set_visibility(visibility);
    parameters_.add_element(made);
  }
}
