#include "moduletest.h"

#include <regex>

#include "Toolwick/url.h"

namespace moduletest {

using namespace relaytest;

Kqml split_message(const std::string& message) {
  static const std::regex form(
      R"(\((\S+) :sender (\S+) :receiver (\S+) :ontology (\S+) :language (\S+) )"
      R"(:reply-with (\S+) :in-reply-to .* :forward-to .* :content \(  (.*) \)\)\x04)");
  std::smatch match;
  if (!std::regex_match(message, match, form)) return {};
  return {match[1], match[2], match[3], match[4], match[5], match[6], match[7]};
}

unsigned dead_port() {
  unsigned port = 0;
  close_peer(listen_peer(&port));
  return port;
}

AgentPeer::AgentPeer(CCommunicator& comm, const char* name) {
  listener_ = listen_peer(&port_);
  auto* table = static_cast<CListBelief*>(comm.get_beliefdb()->find_element("lookup"));
  entry_ = new CServiceInfo;
  entry_->set_name(name);
  entry_->set_location(new CURL);
  come_back();
  table->get_value()->add_element(entry_);
}

AgentPeer::~AgentPeer() {
  close_peer(connection_);
  close_peer(listener_);
}

void AgentPeer::go_away() { entry_->get_location()->set_port(static_cast<int32_t>(dead_port())); }

void AgentPeer::come_back() {
  entry_->get_location()->set_host(kLoopback);
  entry_->get_location()->set_port(static_cast<int32_t>(port_));
}

std::vector<std::string> AgentPeer::take(int timeout_ms) {
  std::vector<std::string> out;
  if (connection_ < 0) connection_ = accept_peer(listener_, timeout_ms);
  if (connection_ < 0) return out;
  for (std::string message = read_message(connection_, timeout_ms); !message.empty();
       message = read_message(connection_, timeout_ms)) {
    out.push_back(message);
  }
  // A new connection (after the old one broke) brings what came since.
  if (const int next = accept_peer(listener_, 0); next >= 0) {
    close_peer(connection_);
    connection_ = next;
    for (const std::string& message : take(timeout_ms)) out.push_back(message);
  }
  return out;
}

std::vector<Kqml> AgentPeer::take_kqml(int timeout_ms) {
  std::vector<Kqml> out;
  for (const std::string& message : take(timeout_ms)) out.push_back(split_message(message));
  return out;
}

std::vector<std::string> AgentPeer::take_contents(int timeout_ms) {
  std::vector<std::string> out;
  for (const Kqml& message : take_kqml(timeout_ms)) out.push_back(message.content);
  return out;
}

void AgentPeer::reset_connection() {
  if (connection_ < 0) connection_ = accept_peer(listener_, 300);
  reset_peer(connection_);
  connection_ = -1;
}

ModuleTest::ModuleTest() {
  comm = std::make_unique<CCommunicator>();
  comm->set_name("station");
  comm->set_handler(&window);
  comm->set_port(0);
  EXPECT_EQ(comm->Create(), 1);
}

ModuleTest::~ModuleTest() { comm.reset(); }

}  // namespace moduletest
