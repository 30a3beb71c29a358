// Fuzz target for the KQML parser: every query and walk on the parse of the
// input, re-parses of the parser's own results, and composing from them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Talkwick/kqmlparser.h"

namespace {

// Copies a result that the next call on `parser` would invalidate.
std::string keep(const char* text) { return text != nullptr ? text : ""; }

void walk_everything(CKQMLParser& parser) {
  for (unsigned which : {0u, 1u}) {
    for (char* t = parser.listall_getfirst(which); t != nullptr; t = parser.listall_getnext(which)) {
    }
  }
  for (char* t = parser.listall_getfirst_token(); t != nullptr; t = parser.listall_getnext_token()) {
  }
  // The contents walk answers null for a token without a value, so it is
  // stepped once per token rather than until the first null.
  const int32_t count = parser.get_tokens() != nullptr ? parser.get_tokens()->get_nr_elements() : 0;
  parser.listall_getfirst_contents();
  for (int32_t i = 0; i < count; ++i) parser.listall_getnext_contents();
}

void query_everything(CKQMLParser& parser) {
  parser.find_performative();
  parser.find_sender();
  parser.find_receiver();
  parser.find_ontology();
  parser.find_language();
  parser.find_reply_with();
  parser.find_in_reply_to();
  parser.find_forward();
  parser.find_contents();
  parser.find_token("");
  parser.find_token("x");
  walk_everything(parser);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);  // ends at the first NUL
  CKQMLParser parser;
  parser.parsable(text.c_str());
  if (parser.parse_message(text.c_str()) != 1) return 0;
  query_everything(parser);

  // The first few token names, each looked up and its value re-parsed in place.
  std::vector<std::string> names;
  for (char* t = parser.listall_getfirst_token(); t != nullptr && names.size() < 4;
       t = parser.listall_getnext_token()) {
    if (t[0] != '\0') names.emplace_back(t + 1);
  }
  for (const std::string& name : names) {
    if (char* value = parser.find_token(name.c_str()); value != nullptr) {
      if (parser.parse_message(value) == 1) query_everything(parser);
    }
    parser.parse_message(text.c_str());
  }

  const std::string performative = keep(parser.find_performative());
  const std::string sender = keep(parser.find_sender());
  const std::string receiver = keep(parser.find_receiver());
  // Never empty: a new identifier would run the UUID generator, which keeps
  // its state files in the working directory.
  const std::string reply_with = "r" + keep(parser.find_reply_with());

  // The content parsed straight from the parser's own text.
  if (char* content = parser.find_content(); content != nullptr) {
    if (parser.parse_message(content) == 1) query_everything(parser);
  }

  parser.compose_message(performative.c_str(), receiver.c_str(), sender.c_str(), "", nullptr,
                         reply_with.c_str(), nullptr, "", static_cast<int>(size % 3));
  parser.create_message(performative.c_str(), receiver.c_str(), sender.c_str(), "o", "l",
                        reply_with.c_str(), "", "", parser.get_message());
  parser.compose_token(sender.c_str(), static_cast<int>(size));
  parser.compose_token(sender.c_str(), static_cast<float>(size) / 3.0f);
  parser.compose_token(parser.get_string(), performative.c_str());
  parser.set_message(parser.get_message());
  parser.set_string(parser.get_string());
  if (parser.parse_message(parser.get_message()) == 1) query_everything(parser);
  parser.queue_reset();
  query_everything(parser);
  parser.pre_exit();
  query_everything(parser);
  return 0;
}
