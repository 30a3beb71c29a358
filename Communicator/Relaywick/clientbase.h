// CClientBase: the event module through which an agent uses another agent
// as a resource. Its name is the resource agent's. When the agent starts it
// sends its create text, when it stops its destroy text; every 121st timer
// tick it pings the resource agent over the communicator's connection cache.
// A failed send or ping, or a changed connection, suspends the module
// (access denied); after 121 suspended ticks it re-enables itself and sends
// the create text again.
//
// The belief database and the communicator are not owned and must outlive
// the module.
#pragma once

#include "Relaywick/logfacility.h"
#include "Toolwick/heaptext.h"

class CClientBase : public CLogFacility {
 public:
  // Ticks between two pings, and suspended ticks before re-enabling: the
  // action comes on the tick after this many.
  static constexpr int kTickLimit = 120;

  // Lists the resource agent `name` among the communicator's required
  // agents (when there is a communicator).
  CClientBase(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind);
  ~CClientBase() override;

  // 3 sends the create text, 4 the destroy text; other states are stored.
  // 0 while suspended, when a text is missing or the send fails.
  int change_state(unsigned state) override;
  // Counts the tick; pings, suspends and re-enables as described above.
  void process_timer() override;
  // Called on start, before the create text goes out; nothing here.
  virtual void process_create() {}
  virtual void set_updated(int updated) { updated_ = updated; }
  int get_updated() const { return updated_; }

  // Null changes nothing; else the field keeps a copy.
  void set_ontology(const char* text) { set_kept(ontology_, text); }
  void set_language(const char* text) { set_kept(language_, text); }
  void set_performative(const char* text) { set_kept(performative_, text); }
  char* get_ontology() const { return ontology_.get(); }
  char* get_language() const { return language_.get(); }
  char* get_performative() const { return performative_.get(); }

  // Replace the text (null clears it).
  void set_create_string(const char* text);
  void set_destroy_string(const char* text);
  char* get_create_string() const { return create_.get(); }
  char* get_destroy_string() const { return destroy_.get(); }
  // Create text "advertise :operation advertise :advertisement <text>",
  // destroy text "unadvertise :operation unadvertise"; null changes nothing.
  void set_advertisement(const char* advertisement);
  char* get_advertisement() const { return advertisement_.get(); }

  void set_access_denied(int value);
  int get_access_denied() const { return access_denied_; }
  int get_ticks() const { return ticks_; }
  int get_suspended_ticks() const { return suspended_ticks_; }

 private:
  static void set_kept(HeapText& field, const char* text) {
    if (text != nullptr) field.set(text);
  }
  // Sends `content` to the resource agent; 0 (and suspended) on failure.
  int send_to_resource(const char* performative, const char* content);
  void ping();

  int updated_ = 0;
  // The connection of the last successful ping, by its descriptor (the
  // connection itself may be gone by the next ping); -1 before any.
  long connection_ = -1;
  HeapText advertisement_;
  int suspended_ticks_ = 0;
  int ticks_ = 0;
  HeapText ontology_{"default-ontology"};
  HeapText performative_{"tell"};
  HeapText language_{"default-language"};
  HeapText create_;
  HeapText destroy_;
  int access_denied_ = 0;
};
