#include "nameserver.h"

#include <memory>

#include "Namewick/ansprotocol.h"

namespace {

std::string value_or(char* text, const char* fallback) { return text != nullptr ? text : fallback; }

std::string reply(const char* performative, const std::string& receiver,
                  const std::string& in_reply_to, const std::string& content) {
  return ansprotocol::compose_reply(performative, receiver, in_reply_to, content);
}

std::string error(const std::string& receiver, const std::string& in_reply_to,
                  const std::string& reason) {
  return ansprotocol::compose_sorry(receiver, in_reply_to, reason);
}

}  // namespace

std::string NameServer::answer(const std::string& request, const std::string& peer_address) {
  if (options_.close_silently) return std::string();

  CKQMLParser message;
  if (message.parse_message(request.c_str()) != 1) return error("nil", "nil", "unreadable request");
  const std::string sender = value_or(message.find_sender(), "nil");
  const std::string reply_with = value_or(message.find_reply_with(), "nil");
  if (options_.always_sorry) return error(sender, reply_with, "refused");

  CKQMLParser content;
  if (message.find_content() == nullptr || content.parse_message(message.find_content()) != 1) {
    return error(sender, reply_with, "no content");
  }
  const std::string verb = value_or(content.find_performative(), "");
  const std::string name = value_or(content.find_token("name"), "");

  if (verb == "register") {
    if (name.empty()) return error(sender, reply_with, "no name");
    const Location wanted{value_or(content.find_token("host"), "localhost"),
                          value_or(content.find_token("port"), "0"), peer_address};
    const auto [it, added] = agents_.emplace(name, wanted);
    if (!added && (it->second.host != wanted.host || it->second.port != wanted.port)) {
      return error(sender, reply_with, "name taken");
    }
    return reply("tell", sender, reply_with, "(ok)");
  }
  if (verb == "unregister") {
    auto it = agents_.find(name);
    if (it == agents_.end()) return error(sender, reply_with, "unknown agent");
    if (it->second.registered_from != peer_address) {
      return error(sender, reply_with, "registered from another host");
    }
    agents_.erase(it);
    return reply("tell", sender, reply_with, "(ok)");
  }
  if (verb == "lookup") {
    auto it = agents_.find(name);
    if (it == agents_.end()) return error(sender, reply_with, "unknown agent");
    return reply("tell", sender, reply_with,
                 ansprotocol::location_content(name, it->second.host, it->second.port));
  }
  if (verb == "listall") {
    std::string names;
    for (const auto& [agent, location] : agents_) names += (names.empty() ? "" : " ") + agent;
    return reply("tell", sender, reply_with, "(agents :names (" + names + "))");
  }
  return error(sender, reply_with, "unknown request");
}
