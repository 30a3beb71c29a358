#include "simagent.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "Lexwick/parser.h"

namespace {

std::string text_or_empty(const char* text) { return text != nullptr ? text : ""; }

// The shortest text that reads back as `value`, whatever the locale.
std::string number_text(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace

std::string unwrapped(const char* value) {
  std::string text = text_or_empty(value);
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    text = text.substr(1, text.size() - 2);
  }
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

bool read_port(const char* option, const char* value, unsigned* port) {
  const char* end = value + std::char_traits<char>::length(value);
  const auto [stop, error] = std::from_chars(value, end, *port);
  if (error == std::errc() && stop == end && *port <= 65535) return true;
  std::printf("invalid -%s: %s\n", option, value);
  return false;
}

CSimAgent::CSimAgent() : CBasicAgent(kDefaultName) { set_lookup_config(LOOKUP_CONFIG_ANS); }

int CSimAgent::handle_parse_args(CCommandLine* command_line) {
  CCommunicator* communicator = get_communicator();
  if (const char* name = command_line->find_token("name")) communicator->set_name(name);
  if (const char* ans = command_line->find_token("ans")) communicator->set_ansname(ans);
  unsigned port = 0;
  if (const char* value = command_line->find_token("port")) {
    if (!read_port("port", value, &port)) return 0;
    communicator->set_port(port);
  }
  if (const char* value = command_line->find_token("ansport")) {
    if (!read_port("ansport", value, &port)) return 0;
    communicator->set_ansport(port);
  }
  return 1;
}

int CSimAgent::process_message(char* text) {
  if (frames_ != nullptr) {
    std::fputs(text, frames_);
    std::fputc('\x04', frames_);
    std::fflush(frames_);
  }
  CParser message;
  if (message.parse_message(text) != 1) {
    std::printf("recv: unreadable: %s\n", text);
    return 1;
  }
  Received received{text_or_empty(message.find_sender()), text_or_empty(message.find_receiver()),
                    unwrapped(message.find_content()), ""};
  std::printf("recv: %s -> %s: %s\n", received.sender.c_str(), received.receiver.c_str(),
              received.content.c_str());
  CParser content;
  if (content.parse_message(message.find_content()) == 1) {
    received.command = text_or_empty(content.find_token("command"));
  }
  if (received.command == "get_weather") answer_weather(received);
  inbox_.push_back(std::move(received));
  return 1;
}

std::string CSimAgent::whereabouts() {
  CCommunicator* communicator = get_communicator();
  std::string text = std::string(communicator->get_name()) + " at " +
                     communicator->comm_get_ip() + ":" + std::to_string(communicator->get_port());
  if (communicator->is_registered() != 0) {
    return text + ", registered with the name server at " + communicator->get_ansname() + ":" +
           std::to_string(communicator->get_ansport());
  }
  const char* why = communicator->comm_ans_error();
  return text + ", not registered: " + (why != nullptr ? why : "no name server");
}

bool CSimAgent::locate_station_at(const std::string& host, unsigned port) {
  CLookupModule* lookup = get_communicator()->retrieve_ans_object();
  CServiceInfo* entry = lookup != nullptr ? lookup->create_entry(station_.c_str()) : nullptr;
  if (entry == nullptr) return false;
  entry->set_location(("tcp://" + host + ":" + std::to_string(port)).c_str());
  entry->set_type(SERVICETYPE_AGENT);
  return true;
}

bool CSimAgent::send(const std::string& sender, const std::string& content, std::string* error,
                     bool shown) {
  return send_to(station_, sender, content, error, shown);
}

bool CSimAgent::send_to(const std::string& receiver, const std::string& sender,
                        const std::string& content, std::string* error, bool shown) {
  CCommunicator* communicator = get_communicator();
  char host[CCommunicator::kHostSize] = {};
  unsigned port = 0;
  // Checked first: the send itself would report an unknown receiver as sent.
  if (communicator->comm_lookup(receiver.c_str(), host, &port) != nullptr) {
    const char* why = communicator->comm_ans_error();
    *error = "cannot locate " + receiver + ": " + (why != nullptr ? why : "unknown agent");
    return false;
  }
  if (shown) std::printf("send: %s -> %s: %s\n", sender.c_str(), receiver.c_str(), content.c_str());
  const char* failed = communicator->comm_sendmessage_sender(
      "tell", receiver.c_str(), sender.c_str(), "default-language", "default-ontology", nullptr,
      nullptr, nullptr, content.c_str(), nullptr);
  if (failed != nullptr) {
    *error = failed;
    return false;
  }
  return true;
}

bool CSimAgent::add_alias(const std::string& name, std::string* error) {
  CLookupModule* ans = get_communicator()->retrieve_ans_object();
  if (ans != nullptr && ans->register_agent(name.c_str()) == 1) return true;
  const char* why = ans != nullptr ? ans->get_last_error() : nullptr;
  *error = "cannot register " + name + ": " + (why != nullptr ? why : "no name-server client");
  return false;
}

void CSimAgent::set_weather(const WeatherStep& weather) {
  weather_error_ = weather.error;
  for (const auto& [key, value] : weather.values) {
    for (auto& [known, current] : weather_) {
      if (known == key) current = value;
    }
  }
}

void CSimAgent::answer_weather(const Received& request) {
  CParser asked;
  asked.parse_message(("(" + request.content + ")").c_str());
  const char* balloon = asked.find_token("balloonID");
  if (balloon == nullptr) {
    std::printf("note: get_weather without :balloonID, not answered\n");
    return;
  }
  std::string answer = "tell :command weather_data :balloonID " + std::string(balloon);
  if (weather_error_) {
    answer += " :error (No weather data)";
  } else {
    for (const auto& [key, value] : weather_) answer += " :" + key + " " + number_text(value);
    for (const char* key : {"lng", "lat"}) {
      if (const char* value = asked.find_token(key)) answer += std::string(" :") + key + " " + value;
    }
  }
  std::string error;
  if (!send_to(request.sender, get_communicator()->get_name(), answer, &error)) {
    std::printf("note: weather answer not sent: %s\n", error.c_str());
  }
}

bool CSimAgent::take(const Expectation& expect) {
  for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
    if (meets(*it, expect)) {
      inbox_.erase(it);
      return true;
    }
  }
  return false;
}

bool CSimAgent::meets(const Received& message, const Expectation& expect) {
  if (message.command != expect.command || message.receiver != expect.to) return false;
  if (!expect.from.empty() && message.sender != expect.from) return false;
  if (expect.fields.empty()) return true;
  CParser content;
  if (content.parse_message(("(" + message.content + ")").c_str()) != 1) return false;
  for (const auto& [key, value] : expect.fields) {
    const char* found = content.find_token(key.c_str());
    if (found == nullptr || (value != "*" && value != found)) return false;
  }
  return true;
}
