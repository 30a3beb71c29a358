// Fuzzes the name-server client's reading of replies (CANSReply), with two
// oracles:
//  - whatever the text, a location read from it has a word as host and a
//    port of 1 to 65535 for the name asked, and a listing holds only words;
//  - replies written from fields taken out of the input, as the name server
//    writes them, read back to exactly those fields.
// Input: a reply text; its lines also give the fields of the written
// replies (name, host, port, listed names, a reason).
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "Namewick/ansprotocol.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

// What any text may give: no location or listing that the client could not use.
void read_as_given(const std::string& text) {
  CANSReply reply;
  for (const char* expected : {"ok", "agent", "agents"}) {
    const CANSReply::Kind kind = reply.read(text.c_str(), "ans1", expected);
    if (kind == CANSReply::kSorry) check(!reply.reason().empty());
    const char* key = reply.field("key");
    if (kind != CANSReply::kTold) check(key == nullptr);
    const char* named = reply.field("name");
    const std::string name = named != nullptr ? named : "B";
    std::string host;
    unsigned port = 0;
    if (reply.location(name.c_str(), &host, &port)) {
      check(kind == CANSReply::kTold);
      check(ansprotocol::is_word(host.c_str()));
      check(port >= 1 && port <= 65535);
    }
    std::vector<std::string> names;
    size_t skipped = 0;
    if (reply.listing(&names, &skipped)) {
      for (const std::string& listed : names) check(ansprotocol::is_word(listed.c_str()));
    }
  }
}

// Replies written from the input's lines read back to what was written.
void read_as_written(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  // Cut at a NUL, as every text of the protocol is.
  for (std::string line; std::getline(in, line);) lines.emplace_back(line.c_str());
  while (lines.size() < 5) lines.emplace_back();
  const std::string& name = lines[0];
  const std::string& host = lines[1];
  const unsigned port = static_cast<unsigned>(std::strtoul(lines[2].c_str(), nullptr, 10) % 65536);
  CANSReply reply;

  if (ansprotocol::is_word(name.c_str()) && ansprotocol::is_word(host.c_str()) && port != 0) {
    const std::string written = ansprotocol::compose_reply(
        "tell", "A", "ans1", ansprotocol::location_content(name, host, std::to_string(port)));
    check(reply.read(written.c_str(), "ans1", "agent") == CANSReply::kTold);
    std::string read_host;
    unsigned read_port = 0;
    check(reply.location(name.c_str(), &read_host, &read_port));
    check(read_host == host && read_port == port);
    // The answer to another request is no answer.
    check(reply.read(written.c_str(), "ans2", "agent") == CANSReply::kUnexpected);
  }

  std::vector<std::string> listed;
  std::istringstream words(lines[3]);
  for (std::string word; words >> word;) {
    if (ansprotocol::is_word(word.c_str())) listed.push_back(word);
  }
  std::string joined;
  for (const std::string& word : listed) joined += (joined.empty() ? "" : " ") + word;
  const std::string listing =
      ansprotocol::compose_reply("tell", "A", "ans1", "(agents :names (" + joined + "))");
  check(reply.read(listing.c_str(), "ans1", "agents") == CANSReply::kTold);
  std::vector<std::string> names;
  size_t skipped = 0;
  check(reply.listing(&names, &skipped));
  check(names == listed && skipped == 0);

  // A reason of words of letters and digits comes back as it was written.
  std::string reason;
  std::istringstream reason_words(lines[4]);
  for (std::string word; reason_words >> word;) {
    bool plain = true;
    for (char c : word) plain = plain && std::isalnum(static_cast<unsigned char>(c)) != 0;
    if (plain) reason += (reason.empty() ? "" : " ") + word;
  }
  if (!reason.empty()) {
    const std::string refused = ansprotocol::compose_sorry("A", "ans1", reason);
    check(reply.read(refused.c_str(), "ans1", "ok") == CANSReply::kSorry);
    check(reply.reason() == reason);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  read_as_given(text.c_str());  // the client reads a text up to its NUL
  read_as_written(text);
  return 0;
}
