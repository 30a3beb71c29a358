#include "Taskwick/psactioncodes.h"

#include "Relaywick/communicator.h"
#include "Toolwick/format.h"

int CPSActionCodes::send_message(const char* performative, const char* language,
                                 const char* ontology, const char* receiver,
                                 const char* content) {
  return send(performative, receiver, ontology, language, content);
}

int CPSActionCodes::send_ask(const char* receiver, const char* content) {
  return send("ask", receiver, "default-language", "default-ontology", content);
}

int CPSActionCodes::send(const char* performative, const char* receiver, const char* ontology,
                         const char* language, const char* content) {
  if (communicator_ == nullptr) return 0;
  // Null once the message went, else why it did not.
  const char* error = communicator_->comm_sendmessage(performative, receiver, ontology, language,
                                                      nullptr, nullptr, nullptr, content, nullptr);
  if (error == nullptr) return 1;
  debug("<CPSActionCodes> Unable to send message to [%s]: %s", shown_text(receiver), error);
  return 0;
}

void CPSActionCodes::GenericAction(const char* message) {
  debug("CPSActionCodes::GenericAction: Message = %s", shown_text(message));
}
