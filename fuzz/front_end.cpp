// Fuzzes the message-parser front end: a parse and every query, then the
// name-space walks in both forms, one of them fed its own last result. The
// first line of the input doubles as the path. Runs on a fresh front end
// (HTTP first) and on one whose KQML member is already current.
//
// It also judges the front end against a KQML parser of its own: whenever
// KQML answers, the front end answers as that parser does -- the same
// result, the same fields and tokens, and find_namespace("(content)") the
// parser's content.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "Talkwick/kqmlparser.h"

namespace {

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "front_end: %s\n", what);
  __builtin_trap();
}

std::string or_null(const char* text) { return text != nullptr ? text : "(null)"; }

// What a parse shows: its fields and its tokens, walked.
template <typename Parser>
std::vector<std::string> reading_of(Parser& parser) {
  std::vector<std::string> out = {
      or_null(parser.find_performative()), or_null(parser.find_sender()),
      or_null(parser.find_receiver()),     or_null(parser.find_reply_with()),
      or_null(parser.find_content()),      or_null(parser.find_token("x"))};
  for (char* t = parser.listall_getfirst_token(); t != nullptr; t = parser.listall_getnext_token()) {
    out.emplace_back(t);
  }
  for (char* t = parser.listall_getfirst(1); t != nullptr; t = parser.listall_getnext(1)) {
    out.emplace_back(t);
  }
  return out;
}

// `front` has just parsed `message` with the result `result`.
void check_agrees(CParser& front, int result, CKQMLParser& kqml, int kqml_result) {
  if (front.get_parser_type() != PARSER_KQML) {
    // HTTP read it, or neither did.
    check(result == 1 || kqml_result == 0, "KQML was not tried after HTTP failed");
    return;
  }
  check(result == kqml_result, "the front end's result is not the KQML parser's");
  if (result == 1) check(reading_of(front) == reading_of(kqml), "the front end reads otherwise");
}

void check_front_ends(const std::string& message) {
  CKQMLParser kqml;
  const int kqml_result = kqml.parse_message(message.c_str());

  CParser fresh;
  check_agrees(fresh, fresh.parse_message(message.c_str()), kqml, kqml_result);

  CParser current;
  current.parse_message("(tell :sender A :content (ok))");
  check_agrees(current, current.parse_message(message.c_str()), kqml, kqml_result);

  const std::string content = kqml_result == 1 ? or_null(kqml.find_content()) : "(null)";
  CParser walker;
  walker.parse_message("(tell :sender A :content (ok))");
  check(or_null(walker.find_namespace("(content)", message.c_str())) == content,
        "find_namespace of (content) is not the content");
}

void query_everything(CParser& parser) {
  parser.find_token("content");
  parser.find_token("");
  parser.find_performative();
  parser.find_sender();
  parser.find_ontology();
  parser.find_language();
  parser.find_receiver();
  parser.find_reply_with();
  parser.find_in_reply_to();
  parser.find_contents();
  parser.find_content();
  parser.find_forward();
  for (unsigned which : {0u, 1u}) {
    for (char* t = parser.listall_getfirst(which); t != nullptr; t = parser.listall_getnext(which)) {
    }
  }
  for (char* t = parser.listall_getfirst_token(); t != nullptr; t = parser.listall_getnext_token()) {
    parser.find_token(t);
  }
  for (char* t = parser.listall_getfirst_contents(); t != nullptr;
       t = parser.listall_getnext_contents()) {
  }
  parser.get_parser_type();
  parser.get_tokens();
  parser.get_entities();
  const std::string sender = parser.find_sender() != nullptr ? parser.find_sender() : "";
  // A reply-with is always given: an empty one would make a GUID, which
  // writes its state files into the working directory.
  parser.compose_message(parser.find_performative(), parser.find_receiver(), sender.c_str(),
                         parser.find_ontology(), parser.find_language(), "r", nullptr, nullptr, 1);
  parser.create_message("tell", "B", sender.c_str(), "o", "l", "r", "", "", sender.c_str());
  parser.compose_token("x", sender.c_str());
  parser.compose_token("x", 3);
  parser.compose_token("x", 0.5f);
}

void walk(CParser& parser, const std::string& path, const std::string& text) {
  parser.find_namespace(path.c_str(), text.c_str());
  CNameSpace names;
  std::string path_copy(path);
  names.from_string(path_copy.data());
  const char* result = parser.find_namespace(&names, text.c_str());
  if (result != nullptr) parser.find_namespace(&names, result);  // its own last result
  result = parser.find_namespace(path.c_str());
  if (result != nullptr) parser.find_namespace(result, result);
  parser.find_namespace(&names);
}

void run(CParser& parser, const std::string& path, const std::string& text) {
  parser.parse_message(text.c_str());
  query_everything(parser);
  // Parse a text the member parser itself handed out.
  if (parser.find_content() != nullptr) parser.parse_message(parser.find_content());
  walk(parser, path, text);
  query_everything(parser);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string message(text.c_str());  // up to the first NUL
  const std::string path = message.substr(0, message.find('\n'));

  check_front_ends(message);

  CParser fresh;
  run(fresh, path, message);

  CParser kqml;
  kqml.parse_message("(tell :sender A :content (ok))");
  run(kqml, path, message);
  return 0;
}
