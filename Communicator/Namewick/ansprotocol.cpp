#include "Namewick/ansprotocol.h"

#include <cstdlib>
#include <cstring>

#include "Talkwick/kqmlstring.h"

namespace ansprotocol {

bool is_word(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[0] == ':') return false;
  size_t length = 0;
  for (const char* c = text; *c != '\0'; ++c, ++length) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte <= ' ' || byte == 0x7f || std::strchr("()\"", byte) != nullptr) return false;
  }
  return length <= kMaxWord;
}

bool read_port(const char* text, unsigned* port) {
  if (text == nullptr || text[0] < '0' || text[0] > '9') return false;
  // At most five digits: strtoul would saturate a longer number silently.
  if (std::strlen(text) > 5) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || value == 0 || value > 65535) return false;
  *port = static_cast<unsigned>(value);
  return true;
}

std::string compose_reply(const char* performative, const std::string& receiver,
                          const std::string& in_reply_to, const std::string& content) {
  return std::string("(") + performative + " :sender ANS :receiver " + receiver +
         " :in-reply-to " + in_reply_to + " :content " + content + ")";
}

std::string compose_sorry(const std::string& receiver, const std::string& in_reply_to,
                          const std::string& reason) {
  return compose_reply("sorry", receiver, in_reply_to, "(error :text " + kqml_string(reason) + ")");
}

std::string location_content(const std::string& name, const std::string& host,
                             const std::string& port) {
  return "(agent :name " + name + " :host " + host + " :port " + port + ")";
}

}  // namespace ansprotocol

CANSReply::Kind CANSReply::read(const char* text, const std::string& reply_with,
                                const char* expected) {
  kind_ = kUnreadable;
  reason_.clear();
  if (text == nullptr || message_.parse_message(text) != 1 ||
      message_.find_performative() == nullptr) {
    return kind_;
  }
  const bool sorry = std::strcmp(message_.find_performative(), "sorry") == 0;
  const bool told = std::strcmp(message_.find_performative(), "tell") == 0;
  const char* answered = message_.find_in_reply_to();
  const char* body = message_.find_content();
  const bool content_read = body != nullptr && content_.parse_message(body) == 1;
  if (sorry) {
    const char* why = content_read ? content_.find_token("text") : nullptr;
    reason_ = why != nullptr ? kqml_string_text(why) : "";
    if (reason_.empty()) reason_ = "no reason given";
    return kind_ = kSorry;
  }
  if (!told || answered == nullptr || reply_with != answered || !content_read ||
      content_.find_performative() == nullptr ||
      std::strcmp(content_.find_performative(), expected) != 0) {
    return kind_ = kUnexpected;
  }
  return kind_ = kTold;
}

const char* CANSReply::field(const char* keyword) {
  return kind_ == kTold ? content_.find_token(keyword) : nullptr;
}

bool CANSReply::location(const char* name, std::string* host, unsigned* port) {
  const char* found = field("name");
  const char* where = field("host");
  unsigned number = 0;
  if (name == nullptr || found == nullptr || std::strcmp(found, name) != 0 ||
      !ansprotocol::is_word(where) || !ansprotocol::read_port(field("port"), &number)) {
    return false;
  }
  *host = where;
  *port = number;
  return true;
}

bool CANSReply::listing(std::vector<std::string>* names, size_t* skipped) {
  names->clear();
  *skipped = 0;
  const char* list = field("names");
  const size_t length = list != nullptr ? std::strlen(list) : 0;
  if (length < 2 || list[0] != '(' || list[length - 1] != ')') return false;
  std::string inner(list + 1, length - 2);
  for (char* word = std::strtok(inner.data(), " \t"); word != nullptr;
       word = std::strtok(nullptr, " \t")) {
    if (ansprotocol::is_word(word)) {
      names->emplace_back(word);
    } else {
      ++*skipped;
    }
  }
  return true;
}
