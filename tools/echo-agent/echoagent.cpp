#include "echoagent.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Lexwick/parser.h"

namespace {

// 0 to 65535, digits only.
bool read_port(const char* text, unsigned* port) {
  if (text == nullptr || text[0] < '0' || text[0] > '9') return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || value > 65535) return false;
  *port = static_cast<unsigned>(value);
  return true;
}

// The content without the parentheses and blanks around it.
std::string inner_text(const char* content) {
  std::string text = content != nullptr ? content : "";
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    text = text.substr(1, text.size() - 2);
  }
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

CEchoAgent::CEchoAgent() : CBasicAgent("echo-agent") { set_lookup_config(LOOKUP_CONFIG_ANS); }

int CEchoAgent::handle_parse_args(CCommandLine* command_line) {
  CCommunicator* communicator = get_communicator();
  if (const char* name = command_line->find_token("name")) {
    if (name[0] == '\0') {
      std::printf("invalid -name: empty\n");
      return 0;
    }
    communicator->set_name(name);
  }
  struct PortOption {
    const char* option;
    void (CCommunicator::*set)(unsigned);
  };
  for (const PortOption& o : {PortOption{"port", &CCommunicator::set_port},
                              PortOption{"ansport", &CCommunicator::set_ansport}}) {
    const char* value = command_line->find_token(o.option);
    if (value == nullptr) continue;
    unsigned port = 0;
    if (!read_port(value, &port)) {
      std::printf("invalid -%s: %s\n", o.option, value);
      return 0;
    }
    (communicator->*o.set)(port);
  }
  if (const char* ans = command_line->find_token("ans")) communicator->set_ansname(ans);
  return 1;
}

bool CEchoAgent::locate(const char* name) {
  char host[CCommunicator::kHostSize] = {};
  unsigned port = 0;
  if (get_communicator()->comm_lookup(name, host, &port) == nullptr) return true;
  const char* why = get_communicator()->comm_ans_error();
  std::printf("cannot locate %s: %s\n", name, why != nullptr ? why : "unknown agent");
  return false;
}

int CEchoAgent::process_message(char* text) {
  CParser message;
  if (message.parse_message(text) != 1) {
    std::printf("unreadable message: %s\n", text);
    return 1;
  }
  const char* sender = message.find_sender();
  const std::string content = inner_text(message.find_content());
  const char* in_reply_to = message.find_in_reply_to();
  if (sender == nullptr) {
    std::printf("message without sender: %s\n", text);
    return 1;
  }
  if (in_reply_to != nullptr) {
    if (!awaited_.empty() && awaited_ == in_reply_to) {
      std::printf("reply from %s: %s\n", sender, content.c_str());
      replied_ = true;
    } else {
      std::printf("ignoring reply from %s\n", sender);
    }
    return 1;
  }

  std::printf("received from %s: %s\n", sender, content.c_str());
  // The parser's texts stay valid: sending does not parse with it.
  if (!locate(sender)) return 1;
  const char* error = get_communicator()->comm_sendmessage(
      "tell", sender, "default-ontology", "default-language", nullptr, message.find_reply_with(),
      nullptr, content.c_str(), nullptr);
  if (error != nullptr) {
    std::printf("reply to %s failed: %s\n", sender, error);
  } else {
    std::printf("replied to %s\n", sender);
  }
  return 1;
}

bool CEchoAgent::send_text(const char* receiver, const char* text) {
  if (text[0] == '\0' || std::strpbrk(text, "()\x04") != nullptr) {
    std::printf("invalid -text: it must be words without parentheses\n");
    return false;
  }
  if (!locate(receiver)) return false;
  awaited_ = get_communicator()->create_reply_with();
  std::printf("sending to %s: %s\n", receiver, text);
  const char* error =
      get_communicator()->comm_sendmessage("tell", receiver, "default-ontology", "default-language",
                                           awaited_.c_str(), nullptr, nullptr, text, nullptr);
  if (error != nullptr) {
    std::printf("send to %s failed: %s\n", receiver, error);
    return false;
  }
  return true;
}
