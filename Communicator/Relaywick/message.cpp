#include "Relaywick/message.h"

#include "Markwick/xmlparser.h"
#include "Talkwick/kqmlparser.h"

CMessage::CMessage()
    : kqml_(std::make_unique<CKQMLParser>()), xml_(std::make_unique<CXMLParser>()) {
  parser_ = kqml_.get();
}

CMessage::~CMessage() = default;

void CMessage::set_data(const char* data) {
  if (data != nullptr) data_.set(data);
}

char* CMessage::compose_message(const char* performative, const char* receiver,
                                const char* sender, const char* ontology, const char* language,
                                const char* reply_with, const char* in_reply_to,
                                const char* forward_to, int empty_style) {
  return kqml_->compose_message(performative, receiver, sender, ontology, language, reply_with,
                                in_reply_to, forward_to, empty_style);
}
