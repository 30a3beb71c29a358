// CPSActionCodes: the actions through which a problem solver reaches other
// agents: KQML messages sent with the agent's communicator.
#pragma once

#include "Toolwick/listelement.h"

class CCommunicator;

class CPSActionCodes : public CListElement {
 public:
  CPSActionCodes() = default;

  // Sends `content` as the one content token of a message to `receiver`
  // (empty fields as the communicator fills them). 1 when the message went;
  // 0 when it did not (its error text is logged) or no communicator is set.
  virtual int send_message(const char* performative, const char* language, const char* ontology,
                           const char* receiver, const char* content);
  // An "ask" with ontology "default-language" and language
  // "default-ontology"; results as send_message.
  virtual int send_ask(const char* receiver, const char* content);
  // Logs the message; a subclass acts on it.
  virtual void GenericAction(const char* message);

  // Not owned; it must outlive every send. Null: nothing is sent.
  void SetCommunicator(CCommunicator* communicator) { communicator_ = communicator; }
  CCommunicator* GetCommunicator() const { return communicator_; }

 private:
  int send(const char* performative, const char* receiver, const char* ontology,
           const char* language, const char* content);

  CCommunicator* communicator_ = nullptr;
};
