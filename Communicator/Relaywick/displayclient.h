// CSB: shows the agent on the display agent ("Showboard"). On start it
// creates the agent there, on stop destroys it, and for every message the
// agent sends it has the display draw a communication to the receiver. With
// a primary domain set before the start it places the agent into that
// display domain instead.
//
// Which display agent to use (the module's name) comes from the options
// "-sbp <name>" and "-sbn disabled", or else from the configuration dialog
// (displayconfig.h).
//
// CVisualEntity, CVisualizationClient and CVisualizationState are the small
// records that the module keeps lists of; the module owns its lists. The
// belief database and the communicator are not owned.
#pragma once

#include "Relaywick/clientbase.h"
#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"
#include "Toolwick/tree.h"

// An agent on the display (the element's name) and its domain.
class CVisualEntity : public CListElement {
 public:
  explicit CVisualEntity(const char* agent = nullptr) : CListElement(agent) {}
  // Null changes nothing.
  void set_domain(const char* domain) {
    if (domain != nullptr) domain_.set(domain);
  }
  char* get_domain() const { return domain_.get(); }

 private:
  HeapText domain_;
};

// A display client; it only checks that a text is a message.
class CVisualizationClient : public CListElement {
 public:
  using CListElement::CListElement;
  // 1 when `text` parses as a message; nothing is kept.
  int from_string(char* text) override;
  char* to_string() override { return nullptr; }
};

// The display's state, named "undefined"; reads as CVisualizationClient.
class CVisualizationState : public CTreeList {
 public:
  CVisualizationState() : CTreeList("undefined") {}
  int from_string(char* text) override;
  char* to_string() override { return nullptr; }
};

class CSB : public CClientBase {
 public:
  // The name the module has until it is told which display agent to use.
  static constexpr const char* kPlaceholder = "-Showboard-";

  // `name` is the display agent; null names the module kPlaceholder.
  CSB(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind);
  ~CSB() override;

  // "-sbp <name>" names the display agent, "-sbn disabled" denies access;
  // then, while no display agent is named, the configuration dialog asks.
  void parse_args(int argc, char** argv) override;
  // Start in domain mode places the agent into the primary domain; every
  // other case is the client base's create / destroy.
  int change_state(unsigned state) override;
  // An outgoing message makes the display draw a communication from the
  // agent to its receiver.
  void process_message(const char* text, int direction) override;

  // The texts below go to the display agent; a failed send denies access.
  // A null name sends nothing.
  void agent_create(const char* agent);
  void agent_remove(const char* agent);
  void agemt_comm(const char* from, const char* to);
  // A communication between agents of display domains (null: none).
  void agemt_comm(const char* sender, const char* sender_domain, const char* receiver,
                  const char* receiver_domain);
  // The same; `data` is not shown.
  void agemt_comm(const char* sender, const char* sender_domain, const char* receiver,
                  const char* receiver_domain, const char* data);
  // Places `agent` into `domain`, defining the domain first when no visual
  // entity has it. 0 for a null argument, a known entity or a failed send.
  int agent_create(const char* agent, const char* domain);
  // 1 when a visual entity has exactly that domain.
  int domain_exists(const char* domain) const;

  // Null changes nothing; a set primary domain means domain mode.
  void set_primary_domain(const char* domain);
  char* get_primary_domain() const { return primary_domain_.get(); }

  // The list takes `client` over; null is ignored.
  void add_viz_client(CVisualizationClient* client);
  // Deletes `client` when it is in the list.
  void remove_viz_client(CVisualizationClient* client);
  void remove_viz_client(const char* name);
  CLList* get_viz_clients() { return &viz_clients_; }
  CLList* get_visual_entities() { return &visual_entities_; }
  // The display clients need no refreshing yet.
  void update() {}

 private:
  // `text` as the one content token to the display agent; false (and access
  // denied) when it could not be sent.
  bool send(const char* ontology, const char* text);
  // Shows the configuration dialog; true when its Disable box was checked.
  bool ask_for_display_agent();

  CLList viz_clients_;
  HeapText primary_domain_;
  CLList visual_entities_;
};
