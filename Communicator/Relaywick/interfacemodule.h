// CInterfaceModule: serves the interface agents that asked for the agent's
// data stream. They register and unregister with "ask :request ..." messages
// in ontology "interface"; the module then sends them stream and
// control-panel updates, and the agent's lineage on request.
//
// CVisualConsoleBase is the console to which the module echoes its lines,
// CStatusWindow the window whose text shows the last one; display windows
// derive from them (the console base shows nothing).
//
// The lineage, the console, the status window, the belief database and the
// communicator are not owned and must outlive the module; the list of
// interface agents is the module's.
#pragma once

#include "Relaywick/logfacility.h"
#include "Toolwick/llist.h"

class CNameSpace;

class CVisualConsoleBase {
 public:
  virtual ~CVisualConsoleBase() = default;
  // One line to show.
  virtual void debug(const char* /*text*/) {}
};

class CStatusWindow {
 public:
  virtual ~CStatusWindow() = default;
  virtual void SetWindowText(const char* text) = 0;
};

class CInterfaceModule : public CLogFacility {
 public:
  CInterfaceModule(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind)
      : CLogFacility(name, db, communicator, kind) {}

  // 0 without a "name" element; state 4 tells every interface agent that
  // the stream ends (the list is kept). Else 1.
  int change_state(unsigned state) override;
  // Answers the lineage and register / unregister requests of an incoming
  // message in ontology "interface"; everything else is logged and dropped.
  void process_message(const char* text, int direction) override;

  void set_lineage(CNameSpace* lineage) { lineage_ = lineage; }
  void set_console(CVisualConsoleBase* console) { console_ = console; }
  void set_status(CStatusWindow* status) { status_ = status; }
  // Shows `text` in the status window and on the console, where set.
  void display(const char* text);

  // Each sends to every registered interface agent; null does nothing.
  void send_message(const char* text);
  void update_datastream(const char* data);
  void update_controlpanel(const char* data);

  // The interface agents, one plain element named after each.
  CLList* get_interfaces() { return &interfaces_; }

 private:
  void register_interface(const char* agent);
  void unregister_interface();
  // One message to `agent`: null, or the error text of the send.
  const char* send_to(const char* performative, const char* agent, const char* ontology,
                      const char* content);
  // `content` to every registered agent, logging failed sends.
  void send_to_all(const char* ontology, const char* content);

  CNameSpace* lineage_ = nullptr;
  CLList interfaces_;
  CVisualConsoleBase* console_ = nullptr;
  CStatusWindow* status_ = nullptr;
};
