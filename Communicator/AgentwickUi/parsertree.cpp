#include "AgentwickUi/parsertree.h"

#include <string>
#include <vector>

#include "Lexwick/parser.h"
#include "Toolwick/token.h"

namespace {

struct Field {
  std::string keyword;
  std::string value;
};

struct Message {
  std::string performative;
  std::vector<Field> fields;
};

// The performative and the keyword fields of `text`; false when it is no
// KQML message. The texts are copied: the parser's go with its next parse.
bool read_message(CParser* parser, const std::string& text, Message* message) {
  if (parser->parse_message(text.c_str()) != 1 || parser->get_parser_type() != PARSER_KQML) {
    return false;
  }
  const char* performative = parser->find_performative();
  message->performative = performative != nullptr ? performative : "";
  CLList* tokens = parser->get_tokens();
  for (CListElement* e = tokens ? tokens->get_element(0) : nullptr; e != nullptr;
       e = e->get_next()) {
    const auto* token = dynamic_cast<const CToken*>(e);
    if (token == nullptr || token->get_token() == nullptr) continue;
    const char* keyword = token->get_token()->get_name();
    if (keyword == nullptr || keyword[0] != ':') continue;
    const CListElement* value = token->get_token_content();
    const char* value_text = value != nullptr ? value->get_name() : nullptr;
    message->fields.push_back({keyword, value_text != nullptr ? value_text : ""});
  }
  return true;
}

QTreeWidgetItem* add_item(QTreeWidgetItem* parent, const std::string& text) {
  return new QTreeWidgetItem(parent, QStringList{QString::fromStdString(text)});
}

void add_value(QTreeWidgetItem* parent, CParser* parser, const std::string& value, int depth);

void add_fields(QTreeWidgetItem* item, CParser* parser, const Message& message, int depth) {
  for (const Field& field : message.fields) {
    add_value(add_item(item, field.keyword), parser, field.value, depth);
  }
}

void add_value(QTreeWidgetItem* parent, CParser* parser, const std::string& value, int depth) {
  Message nested;
  if (depth < CParserTree::kMaxDepth && read_message(parser, value, &nested) &&
      !nested.fields.empty()) {
    add_fields(add_item(parent, nested.performative), parser, nested, depth + 1);
  } else {
    add_item(parent, value);
  }
}

}  // namespace

CParserTree::CParserTree(QWidget* parent) : QTreeWidget(parent) { setHeaderHidden(true); }

QTreeWidgetItem* CParserTree::ShowTree(const char* text) {
  clear();
  if (text == nullptr) return nullptr;
  CParser parser;
  Message message;
  const bool parsed = read_message(&parser, text, &message);
  auto* root = new QTreeWidgetItem(this, QStringList{QString::fromUtf8(
                                             parsed ? message.performative.c_str() : text)});
  if (parsed) add_fields(root, &parser, message, 1);
  return root;
}
