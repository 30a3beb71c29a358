#include "Namewick/ansclient.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "Credwick/belief.h"
#include "Platform/asyncsocket.h"
#include "Platform/combobox.h"
#include "Platform/listbox.h"
#include "Platform/socketerror.h"
#include "Talkwick/messageframer.h"
#include "Toolwick/format.h"

namespace {

using ansprotocol::is_word;

// "WSAETIMEDOUT (10060)"
std::string error_text(int code) {
  const char* name = platform::socket_error_name(code);
  return str_format("%s (%d)", name != nullptr ? name : "socket error", code);
}

// What a remembered failure adds to its text when it answers again.
constexpr const char* kNotAskedAgain = " (not asked again yet)";

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

void CANSClient::set_failure_memory(std::chrono::milliseconds unknown_name,
                                    std::chrono::milliseconds server_rest) {
  unknown_name_time_ = unknown_name;
  server_rest_time_ = server_rest;
  unknown_names_.clear();
  resting_server_.clear();
}

CANSClient::Asked CANSClient::ask(const char* performative, const std::string& content,
                                  const char* expected, bool lookup, CANSReply* reply) {
  last_error_.reset();
  const char* host = string_belief("ans");
  if (host == nullptr || host[0] == '\0' || std::strcmp(host, kUnknownHost) == 0) {
    fail("Name server host is unknown");
    return Asked::kFailed;
  }
  if (!is_word(host)) {
    fail(str_format("Invalid name server host [%s]", host));
    return Asked::kFailed;
  }
  const int port_value = int_belief("ansport", kDefaultPort);
  if (port_value <= 0 || port_value > 65535) {
    fail(str_format("Invalid name server port [%d]", port_value));
    return Asked::kFailed;
  }
  const auto port = static_cast<unsigned>(port_value);
  const char* self = string_belief("name");
  if (!is_word(self)) {
    fail("Invalid agent name of this agent");
    return Asked::kFailed;
  }

  const std::string server = str_format("name server at [%s][%u]", host, port);
  const Clock::time_point now = Clock::now();
  if (lookup && server == resting_server_ && now < rest_.until) {
    fail(rest_.error + kNotAskedAgain);
    return Asked::kFailed;
  }
  const std::string reply_with = str_format("ans%ld", ++requests_);
  const std::string request = str_format("(%s :sender %s :receiver ANS :reply-with %s :content %s)",
                                         performative, self, reply_with.c_str(), content.c_str());
  debug("<CANSClient> Request to %s: [%s]", server.c_str(), request.c_str());
  std::string text;
  if (!exchange(host, port, server, request, &text)) {
    // Asked again only once it rested: each lookup on a message's way
    // would otherwise wait for it anew.
    resting_server_ = server;
    rest_ = {Clock::now() + server_rest_time_, last_error_text()};
    return Asked::kFailed;
  }
  resting_server_.clear();
  debug("<CANSClient> Reply: [%s]", text.c_str());
  switch (reply->read(text.c_str(), reply_with, expected)) {
    case CANSReply::kTold:
      return Asked::kTold;
    case CANSReply::kSorry:
      fail(str_format("The %s said sorry: %s", server.c_str(), reply->reason().c_str()));
      return Asked::kSorry;
    case CANSReply::kUnreadable:
      fail("Unreadable reply from " + server);
      return Asked::kFailed;
    case CANSReply::kUnexpected:
      break;
  }
  fail("Unexpected reply from " + server);
  return Asked::kFailed;
}

bool CANSClient::exchange(const char* host, unsigned port, const std::string& server,
                          std::string request, std::string* reply) {
  // The whole exchange shares one timeout: a server that accepts slowly
  // leaves less time to wait for its reply.
  const auto deadline = Clock::now() + std::chrono::milliseconds(CSocket::kBlockingTimeoutMs);
  if (!CMessageFramer::frame(&request)) return fail("Unable to send a request holding 0x04");
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
  return read_reply(socket, server, deadline, reply);
}

bool CANSClient::read_reply(CSocket& socket, const std::string& server,
                            Clock::time_point deadline, std::string* reply) {
  // Each Receive waits at most the blocking timeout; the deadline keeps a
  // server that trickles bytes from holding the agent longer than that.
  char buffer[2048];
  CMessageFramer framer;
  for (;;) {
    if (Clock::now() >= deadline) {
      return fail("No reply from " + server + ": " + error_text(platform::WSAETIMEDOUT));
    }
    const int got = socket.Receive(buffer, sizeof buffer);
    if (got < 0) {
      return fail("No reply from " + server + ": " + error_text(CSocket::GetLastError()));
    }
    if (got == 0) {
      // A server that closes after its text without a 0x04 still answered.
      if (!framer.held().empty()) {
        reply->assign(framer.held());
        return true;
      }
      return fail("The " + server + " closed the connection without a reply");
    }
    const auto& cut = framer.feed({buffer, static_cast<size_t>(got)});
    if (!cut.messages.empty()) {
      reply->assign(cut.messages.front().text);
      return true;
    }
    if (framer.held_size() > kMaxReply) return fail("Reply from " + server + " is too long");
  }
}

int CANSClient::answer_remembered(const char* name) {
  const auto found = unknown_names_.find(name);
  if (found == unknown_names_.end()) return -1;
  if (Clock::now() >= found->second.until) {
    unknown_names_.erase(found);
    return -1;
  }
  fail(found->second.error + kNotAskedAgain);
  return 0;
}

void CANSClient::remember_unknown(const char* name) {
  if (unknown_name_time_.count() <= 0) return;
  const Clock::time_point now = Clock::now();
  if (unknown_names_.size() >= kMaxUnknownNames) {
    std::erase_if(unknown_names_, [&](const auto& known) { return known.second.until <= now; });
  }
  if (unknown_names_.size() >= kMaxUnknownNames) {
    // Still full: the name remembered longest goes.
    unknown_names_.erase(std::min_element(
        unknown_names_.begin(), unknown_names_.end(),
        [](const auto& a, const auto& b) { return a.second.until < b.second.until; }));
  }
  unknown_names_[name] = {now + unknown_name_time_, last_error_text()};
}

void CANSClient::store_location(const char* name, const char* host, unsigned port, bool own) {
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
  } else if (own) {
    entry = create_entry(name);
    if (entry == nullptr) return;
    entry->set_expiration(-1);
  } else {
    entry = learn_entry(name);
    if (entry == nullptr) return;
  }
  entry->set_location(str_format("tcp://%s:%u", host, port).c_str());
  entry->set_type(SERVICETYPE_AGENT);
  debug("<CANSClient> Location of [%s]: [%s][%u]", name, host, port);
}

CANSKeys::Holding CANSClient::holding(const char* name) const {
  const char* server = string_belief("ans");
  const char* own_host = string_belief("hostname");
  CANSKeys::Holding held;
  held.server =
      str_format("%s:%d", server != nullptr ? server : "", int_belief("ansport", kDefaultPort));
  held.name = name;
  held.host = is_word(own_host) ? own_host : "localhost";
  held.port = static_cast<unsigned>(int_belief("port", 0));
  return held;
}

std::string CANSClient::shown_key(const CANSKeys::Holding& held) {
  const std::string key = keys_.find(held);
  if (!keys_.error().empty()) debug("<CANSClient> Keys: %s", keys_.error().c_str());
  return key.empty() ? key : " :key " + key;
}

int CANSClient::register_agent(const char* name) {
  debug("<CANSClient> register_agent ()");
  const bool self = is_self(name) == 1;
  if (!is_word(name)) {
    fail("Invalid agent name");
    if (self) registered_ = 0;
    return 0;
  }
  const CANSKeys::Holding held = holding(name);
  const std::string shown = shown_key(held);
  const std::string content = str_format("(register :name %s :host %s :port %u%s)", name,
                                         held.host.c_str(), held.port, shown.c_str());
  CANSReply reply;
  if (ask("register", content, "ok", false, &reply) != Asked::kTold) {
    if (self) registered_ = 0;
    return 0;
  }
  // A key is given to the holder; an answer without one says that the key
  // shown, if any, is not the holder's.
  bool kept = true;
  if (const char* given = reply.field("key"); is_word(given)) {
    kept = keys_.keep(held, given);
  } else if (!shown.empty()) {
    kept = keys_.forget(held);
  }
  if (!kept) {
    debug("<CANSClient> Key of [%s] kept in memory only: %s", name, keys_.error().c_str());
  }
  unknown_names_.erase(name);
  add_name(name);
  store_location(name, held.host.c_str(), held.port, true);
  if (self) registered_ = 1;
  debug("<CANSClient> Registered [%s]", name);
  return 1;
}

int CANSClient::unregister_agent(const char* name) {
  debug("<CANSClient> unregister_agent ()");
  if (!is_word(name)) return fail("Invalid agent name");
  const CANSKeys::Holding held = holding(name);
  const std::string content = str_format("(unregister :name %s%s)", name, shown_key(held).c_str());
  CANSReply reply;
  if (ask("unregister", content, "ok", false, &reply) != Asked::kTold) return 0;
  if (!keys_.forget(held)) {
    debug("<CANSClient> Key of [%s] not forgotten: %s", name, keys_.error().c_str());
  }
  remove_name(name);
  delete_entry(name);
  if (is_self(name) == 1) registered_ = 0;
  debug("<CANSClient> Unregistered [%s]", name);
  return 1;
}

int CANSClient::lookup_agent(const char* name) {
  debug("<CANSClient> lookup_agent ()");
  if (!is_word(name)) return fail("Invalid agent name");
  if (const int remembered = answer_remembered(name); remembered >= 0) return remembered;
  CANSReply reply;
  const Asked asked = ask("ask-one", str_format("(lookup :name %s)", name), "agent", true, &reply);
  if (asked == Asked::kFailed) return 0;  // a silent server rests instead
  std::string host;
  unsigned port = 0;
  if (asked == Asked::kTold && !reply.location(name, &host, &port)) {
    fail("Unexpected location of [" + std::string(name) + "] in the name server's reply");
  }
  if (host.empty()) {
    // The server answered, but with no location: asking again at once
    // would get the same.
    remember_unknown(name);
    return 0;
  }
  store_location(name, host.c_str(), port, false);
  return 1;
}

bool CANSClient::fetch_listing() {
  listing_.clear();
  cursor_ = 0;
  CANSReply reply;
  if (ask("ask-all", "(listall)", "agents", false, &reply) != Asked::kTold) return false;
  size_t skipped = 0;
  if (!reply.listing(&listing_, &skipped)) {
    return fail("Unexpected listing in the name server's reply");
  }
  if (skipped > 0) debug("<CANSClient> Skipped %zu listed names that are not words", skipped);
  debug("<CANSClient> Name server lists %zu agents", listing_.size());
  return true;
}

int CANSClient::ans_list_all() { return fetch_listing() ? 1 : 0; }

int CANSClient::listall_agents() {
  debug("<CANSClient> listall_agents ()");
  if (!fetch_listing()) return 0;
  for (const std::string& name : listing_) {
    if (CServiceInfo* entry = learn_entry(name.c_str())) entry->set_type(SERVICETYPE_AGENT);
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

std::string CANSClient::last_error_text() const {
  return last_error_.get() != nullptr ? last_error_.get() : "";
}

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
