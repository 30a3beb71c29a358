#include "nameserver.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <random>

#include "Namewick/ansprotocol.h"
#include "Talkwick/kqmlparser.h"

namespace {

std::string value_or(const char* text, const char* fallback) {
  return text != nullptr ? text : fallback;
}

NameServer::Answer replied(std::string text) {
  NameServer::Answer answer;
  answer.reply = std::move(text);
  return answer;
}

}  // namespace

std::string NameServer::new_key() {
  std::random_device source;
  const uint64_t value = (static_cast<uint64_t>(source()) << 32) | source();
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, value);
  return text;
}

NameServer::Answer NameServer::answer(const std::string& request) {
  return decide(request, nullptr);
}

std::string NameServer::answer_probed(const std::string& request, const std::string& host,
                                      unsigned port, Probe found) {
  const Probed probed{host, port, found};
  return decide(request, &probed).reply;
}

bool NameServer::probe_address(const std::string& host, unsigned port, sockaddr_in* address) {
  *address = sockaddr_in{};
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(port));
  const char* dotted = host == "localhost" ? "127.0.0.1" : host.c_str();
  return inet_pton(AF_INET, dotted, &address->sin_addr) == 1;
}

NameServer::Answer NameServer::decide(const std::string& request, const Probed* probed) {
  if (options_.close_silently) return Answer();

  CKQMLParser message;
  if (message.parse_message(request.c_str()) != 1) {
    return replied(ansprotocol::compose_sorry("nil", "nil", "unreadable request"));
  }
  const std::string sender = value_or(message.find_sender(), "nil");
  const std::string reply_with = value_or(message.find_reply_with(), "nil");
  const auto told = [&](const std::string& content) {
    return replied(ansprotocol::compose_reply("tell", sender, reply_with, content));
  };
  const auto sorry = [&](const char* reason) {
    return replied(ansprotocol::compose_sorry(sender, reply_with, reason));
  };
  if (options_.always_sorry) return sorry("refused");

  CKQMLParser content;
  if (message.find_content() == nullptr || content.parse_message(message.find_content()) != 1) {
    return sorry("no content");
  }
  const std::string verb = value_or(content.find_performative(), "");
  const char* name = content.find_token("name");
  const char* key = content.find_token("key");
  if (verb == "listall") {
    return told("(agents :names (" + listing() + "))");
  }
  if (verb != "register" && verb != "unregister" && verb != "lookup") {
    return sorry("unknown request");
  }
  if (name == nullptr || name[0] == '\0') return sorry("no name");
  if (!ansprotocol::is_word(name)) return sorry("invalid name");
  const auto held = agents_.find(name);

  if (verb == "lookup") {
    if (held == agents_.end()) return sorry("unknown agent");
    return told(ansprotocol::location_content(name, held->second.host,
                                              std::to_string(held->second.port)));
  }

  // Who asks about a held name: its holder (the key), or whoever, while
  // the holder is alive; a gone holder's name is free.
  enum class Standing { kHolder, kAlive, kGone, kProbe };
  const auto standing = [&](const Holder& holder) {
    if (key != nullptr && holder.key == key) return Standing::kHolder;
    // A probe that found another holder than the one there now is not
    // repeated: the name stays where it is.
    if (probed == nullptr) return Standing::kProbe;
    if (probed->host != holder.host || probed->port != holder.port) return Standing::kAlive;
    // A holder that does not answer in time may only be busy.
    return probed->found == Probe::kGone ? Standing::kGone : Standing::kAlive;
  };
  const auto probe = [&](const Holder& holder) {
    Answer answer;
    answer.probe = true;
    answer.host = holder.host;
    answer.port = holder.port;
    return answer;
  };

  if (verb == "unregister") {
    if (held == agents_.end()) return sorry("unknown agent");
    switch (standing(held->second)) {
      case Standing::kProbe:
        return probe(held->second);
      case Standing::kAlive:
        return sorry("not the holder");
      case Standing::kHolder:
      case Standing::kGone:
        break;
    }
    agents_.erase(held);
    listing_.reset();
    return told("(ok)");
  }

  const std::string host = value_or(content.find_token("host"), "localhost");
  unsigned port = 0;
  if (!ansprotocol::is_word(host.c_str())) return sorry("invalid host");
  if (!ansprotocol::read_port(content.find_token("port"), &port)) return sorry("invalid port");
  // A place that cannot be probed would hold its names for good.
  sockaddr_in address{};
  if (!probe_address(host, port, &address)) return sorry("host is not an address");
  if (held != agents_.end()) {
    Holder& holder = held->second;
    const bool same_place = holder.host == host && holder.port == port;
    switch (standing(holder)) {
      case Standing::kHolder:
        if (!same_place && names_at(host, port) >= kMaxNamesAtAPlace) {
          return sorry("too many names at this place");
        }
        holder.host = host;
        holder.port = port;
        return told("(ok :key " + holder.key + ")");
      case Standing::kProbe:
        if (same_place) return told("(ok)");
        return probe(holder);
      case Standing::kAlive:
        if (same_place) return told("(ok)");
        return sorry("name taken");
      case Standing::kGone:
        agents_.erase(held);
        listing_.reset();
        break;
    }
  }
  if (names_at(host, port) >= kMaxNamesAtAPlace) return sorry("too many names at this place");
  Answer room;
  if (!make_room(probed, &room)) return room.probe ? room : sorry("too many names");
  const Holder holder{host, port, new_key(), ++registrations_};
  agents_.emplace(name, holder);
  listing_.reset();
  return told("(ok :key " + holder.key + ")");
}

size_t NameServer::names_at(const std::string& host, unsigned port) const {
  return static_cast<size_t>(std::count_if(agents_.begin(), agents_.end(), [&](const auto& held) {
    return held.second.port == port && held.second.host == host;
  }));
}

bool NameServer::make_room(const Probed* probed, Answer* probe) {
  if (agents_.size() < kMaxNames) return true;
  const auto oldest =
      std::min_element(agents_.begin(), agents_.end(), [](const auto& a, const auto& b) {
        return a.second.since < b.second.since;
      });
  const Holder& holder = oldest->second;
  if (probed == nullptr) {
    probe->probe = true;
    probe->host = holder.host;
    probe->port = holder.port;
    return false;
  }
  // Only a probe of that very holder counts.
  if (probed->host != holder.host || probed->port != holder.port) return false;
  const std::string host = holder.host;
  const unsigned port = holder.port;
  const auto at_place = [&](const auto& held) {
    return held.second.port == port && held.second.host == host;
  };
  if (probed->found == Probe::kAlive) {
    // Its place goes to the back of the line, so that the next newcomer
    // probes another: live holders cannot shelter silent ones.
    for (auto& held : agents_) {
      if (at_place(held)) held.second.since = ++registrations_;
    }
    return false;
  }
  // Gone, or not answering in time: rather than keep out a newcomer for
  // good, its names make room, all that its place holds.
  std::erase_if(agents_, at_place);
  listing_.reset();
  return true;
}

const std::string& NameServer::listing() {
  if (listing_) return *listing_;
  std::string names;
  for (const auto& [agent, holder] : agents_) {
    if (names.size() + agent.size() + 1 > kMaxListing) break;
    if (!names.empty()) names += ' ';
    names += agent;
  }
  return listing_.emplace(std::move(names));
}
