#include "Namewick/ansclient.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "Credwick/belief.h"
#include "Platform/asyncsocket.h"
#include "Platform/combobox.h"
#include "Platform/listbox.h"
#include "Platform/socketerror.h"
#include "Talkwick/kqmlparser.h"
#include "Toolwick/format.h"

namespace {

// A name that stands as one KQML word: it cannot end a field, open or close
// a list, start a keyword or a quoted text, or cut the framing.
bool is_word(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[0] == ':') return false;
  for (const char* c = text; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte <= ' ' || byte == 0x7f || std::strchr("()\"", byte) != nullptr) return false;
  }
  return true;
}

// "WSAETIMEDOUT (10060)"
std::string error_text(int code) {
  const char* name = platform::socket_error_name(code);
  return str_format("%s (%d)", name != nullptr ? name : "socket error", code);
}

// A port number of the reply: 1 to 65535, digits only.
bool read_port(const char* text, unsigned* port) {
  if (text == nullptr || text[0] == '\0') return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || text[0] == '-' || text[0] == '+' || value == 0 || value > 65535) {
    return false;
  }
  *port = static_cast<unsigned>(value);
  return true;
}

}  // namespace

CANSClient::CANSClient(CBeliefDB* db, CWnd* handler) : CLookupModule(db, handler) {
  set_name("ANS Client");
  set_lookup_type(LOOKUP_TYPE_ANS);
}

const char* CANSClient::string_belief(const char* name) const {
  if (get_beliefdb() == nullptr) return nullptr;
  const auto* belief = dynamic_cast<const CStringBelief*>(get_beliefdb()->find_element(name));
  return belief != nullptr ? belief->get_value() : nullptr;
}

int CANSClient::int_belief(const char* name, int fallback) const {
  if (get_beliefdb() == nullptr) return fallback;
  const auto* belief = dynamic_cast<const CIntBelief*>(get_beliefdb()->find_element(name));
  return belief != nullptr ? belief->get_value() : fallback;
}

bool CANSClient::fail(std::string text) {
  debug("<CANSClient> %s", text.c_str());
  last_error_.assign(text);
  return false;
}

bool CANSClient::ask(const char* performative, const std::string& content, const char* expected,
                     CKQMLParser* answer) {
  last_error_.reset();
  const char* host = string_belief("ans");
  if (host == nullptr || host[0] == '\0' || std::strcmp(host, kUnknownHost) == 0) {
    return fail("Name server host is unknown");
  }
  if (!is_word(host)) return fail(str_format("Invalid name server host [%s]", host));
  const int port_value = int_belief("ansport", kDefaultPort);
  if (port_value <= 0 || port_value > 65535) {
    return fail(str_format("Invalid name server port [%d]", port_value));
  }
  const auto port = static_cast<unsigned>(port_value);
  const char* self = string_belief("name");
  if (!is_word(self)) return fail("Invalid agent name of this agent");

  const std::string server = str_format("name server at [%s][%u]", host, port);
  const std::string reply_with = str_format("ans%ld", ++requests_);
  std::string request = str_format("(%s :sender %s :receiver ANS :reply-with %s :content %s)",
                                   performative, self, reply_with.c_str(), content.c_str());
  debug("<CANSClient> Request to %s: [%s]", server.c_str(), request.c_str());
  request += '\x04';

  CSocket socket;
  if (!socket.Create()) {
    return fail("Unable to create a socket: " + error_text(CSocket::GetLastError()));
  }
  if (!socket.Connect(host, port)) {
    return fail("Unable to connect to " + server + ": " + error_text(CSocket::GetLastError()));
  }
  if (socket.Send(request.data(), static_cast<int>(request.size())) == -1) {
    return fail("Unable to send the request to " + server + ": " +
                error_text(CSocket::GetLastError()));
  }
  std::string reply;
  if (!read_reply(socket, server, &reply)) return false;
  debug("<CANSClient> Reply: [%s]", reply.c_str());

  CKQMLParser message;
  if (message.parse_message(reply.c_str()) != 1 || message.find_performative() == nullptr) {
    return fail("Unreadable reply from " + server);
  }
  const std::string verb = message.find_performative();
  const char* answered = message.find_in_reply_to();
  const char* body = message.find_content();
  if (verb == "sorry") {
    const char* reason = nullptr;
    if (body != nullptr && answer->parse_message(body) == 1) reason = answer->find_token("text");
    std::string why = reason != nullptr ? reason : "no reason given";
    if (why.size() >= 2 && why.front() == '"' && why.back() == '"') {
      why = why.substr(1, why.size() - 2);
    }
    return fail(str_format("The %s said sorry: %s", server.c_str(), why.c_str()));
  }
  if (verb != "tell" || answered == nullptr || reply_with != answered || body == nullptr ||
      answer->parse_message(body) != 1 || answer->find_performative() == nullptr ||
      std::strcmp(answer->find_performative(), expected) != 0) {
    return fail("Unexpected reply from " + server);
  }
  return true;
}

bool CANSClient::read_reply(CSocket& socket, const std::string& server, std::string* reply) {
  using Clock = std::chrono::steady_clock;
  // Each Receive waits at most the blocking timeout; the deadline keeps a
  // server that trickles bytes from holding the agent longer than that.
  const auto deadline = Clock::now() + std::chrono::milliseconds(CSocket::kBlockingTimeoutMs);
  char buffer[2048];
  for (;;) {
    const int got = socket.Receive(buffer, sizeof buffer);
    if (got < 0) {
      return fail("No reply from " + server + ": " + error_text(CSocket::GetLastError()));
    }
    if (got == 0) {
      // A server that closes after its text without a 0x04 still answered.
      if (!reply->empty()) return true;
      return fail("The " + server + " closed the connection without a reply");
    }
    reply->append(buffer, static_cast<size_t>(got));
    const size_t end = reply->find('\x04');
    if (end != std::string::npos) {
      reply->resize(end);
      return true;
    }
    if (reply->size() > kMaxReply) return fail("Reply from " + server + " is too long");
    if (Clock::now() >= deadline) {
      return fail("No reply from " + server + ": " + error_text(platform::WSAETIMEDOUT));
    }
  }
}

void CANSClient::store_location(const char* name, const char* host, unsigned port) {
  CServiceInfo* entry = nullptr;
  if (is_self(name) == 1) {
    if (get_entries() == nullptr) return;
    entry = dynamic_cast<CServiceInfo*>(get_entries()->find_element(name));
    if (entry == nullptr) {
      entry = new CServiceInfo;
      entry->set_name(name);
      get_entries()->add_element(entry);
    }
    entry->set_gone(0);
    get_beliefdb()->set_modified(1);
  } else {
    entry = create_entry(name);
    if (entry == nullptr) return;
  }
  entry->set_location(str_format("tcp://%s:%u", host, port).c_str());
  entry->set_type(SERVICETYPE_AGENT);
  debug("<CANSClient> Location of [%s]: [%s][%u]", name, host, port);
}

int CANSClient::register_agent(const char* name) {
  debug("<CANSClient> register_agent ()");
  const bool self = is_self(name) == 1;
  if (!is_word(name)) {
    fail("Invalid agent name");
    if (self) registered_ = 0;
    return 0;
  }
  const char* own_host = string_belief("hostname");
  const std::string host = is_word(own_host) ? own_host : "localhost";
  const int port = int_belief("port", 0);
  CKQMLParser answer;
  const std::string content =
      str_format("(register :name %s :host %s :port %d)", name, host.c_str(), port);
  if (!ask("register", content, "ok", &answer)) {
    if (self) registered_ = 0;
    return 0;
  }
  add_name(name);
  store_location(name, host.c_str(), static_cast<unsigned>(port));
  if (self) registered_ = 1;
  debug("<CANSClient> Registered [%s]", name);
  return 1;
}

int CANSClient::unregister_agent(const char* name) {
  debug("<CANSClient> unregister_agent ()");
  if (!is_word(name)) return fail("Invalid agent name");
  CKQMLParser answer;
  if (!ask("unregister", str_format("(unregister :name %s)", name), "ok", &answer)) return 0;
  remove_name(name);
  delete_entry(name);
  if (is_self(name) == 1) registered_ = 0;
  debug("<CANSClient> Unregistered [%s]", name);
  return 1;
}

int CANSClient::lookup_agent(const char* name) {
  debug("<CANSClient> lookup_agent ()");
  if (!is_word(name)) return fail("Invalid agent name");
  CKQMLParser answer;
  if (!ask("ask-one", str_format("(lookup :name %s)", name), "agent", &answer)) return 0;
  const char* found = answer.find_token("name");
  const char* host = answer.find_token("host");
  unsigned port = 0;
  if (found == nullptr || std::strcmp(found, name) != 0 || !is_word(host) ||
      !read_port(answer.find_token("port"), &port)) {
    return fail("Unexpected location of [" + std::string(name) + "] in the name server's reply");
  }
  store_location(name, host, port);
  return 1;
}

bool CANSClient::fetch_listing() {
  listing_.clear();
  cursor_ = 0;
  CKQMLParser answer;
  if (!ask("ask-all", "(listall)", "agents", &answer)) return false;
  const char* names = answer.find_token("names");
  const size_t length = names != nullptr ? std::strlen(names) : 0;
  if (length < 2 || names[0] != '(' || names[length - 1] != ')') {
    return fail("Unexpected listing in the name server's reply");
  }
  std::string list(names + 1, length - 2);
  for (char* word = std::strtok(list.data(), " \t"); word != nullptr;
       word = std::strtok(nullptr, " \t")) {
    if (is_word(word)) {
      listing_.emplace_back(word);
    } else {
      debug("<CANSClient> Skipping listed name [%s]", word);
    }
  }
  debug("<CANSClient> Name server lists %zu agents", listing_.size());
  return true;
}

int CANSClient::ans_list_all() { return fetch_listing() ? 1 : 0; }

int CANSClient::listall_agents() {
  debug("<CANSClient> listall_agents ()");
  if (!fetch_listing()) return 0;
  for (const std::string& name : listing_) {
    if (CServiceInfo* entry = create_entry(name.c_str())) entry->set_type(SERVICETYPE_AGENT);
  }
  return 1;
}

int CANSClient::listall_combo(CComboBox* combo) {
  if (combo == nullptr || !fetch_listing()) return 0;
  for (const std::string& name : listing_) combo->AddString(name.c_str());
  return 1;
}

int CANSClient::listall_listbox(CListBox* listbox) {
  if (listbox == nullptr || !fetch_listing()) return 0;
  for (const std::string& name : listing_) listbox->InsertString(-1, name.c_str());
  return 1;
}

char* CANSClient::listall_getfirst() {
  if (!fetch_listing() || listing_.empty()) return nullptr;
  cursor_ = 1;
  return listing_[0].data();
}

char* CANSClient::listall_getnext() {
  if (cursor_ == 0 || cursor_ >= listing_.size()) return nullptr;
  return listing_[cursor_++].data();
}

char* CANSClient::get_last_error() { return last_error_.get(); }

std::vector<std::string> CANSClient::alias_names() {
  std::vector<std::string> names;
  for (CListElement* e = get_aliases()->get_first_element(); e != nullptr;
       e = get_aliases()->get_next_element()) {
    if (e->get_name() != nullptr) names.emplace_back(e->get_name());
  }
  return names;
}

void CANSClient::alive() {
  debug("<CANSClient> alive ()");
  // A registration that failed (the server was not up yet) is tried again;
  // the own name is an alias only once a registration succeeded.
  std::string retried;
  if (registered_ == 0 && is_enabled() == 1) {
    const char* self = string_belief("name");
    if (self != nullptr) retried = self;
    debug("<CANSClient> Not registered, trying again");
    register_agent(self);
  }
  for (const std::string& name : alias_names()) {
    if (name != retried) register_agent(name.c_str());
  }
}

void CANSClient::process_enable() {
  debug("<CANSClient> process_enable ()");
  register_agent(string_belief("name"));
}

void CANSClient::process_disable() {
  debug("<CANSClient> process_disable ()");
  for (const std::string& name : alias_names()) unregister_agent(name.c_str());
}
