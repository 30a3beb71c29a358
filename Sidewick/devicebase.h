// CDeviceBase: the base of agents that stand for a switchable device. It
// takes KQML messages of the ontology "device" whose content carries an
// action:
//   (device :action on)                        switch on  (also ON)
//   (device :action off)                       switch off (also OFF)
//   (device :action parentlink :parent P)      link to the parent agent P
//                                              (a link to P made already stays)
//   (device :action parentunlink :parent P)    drop the link
// The link is a middle-agent client module named after the parent, owned
// by the communicator. The parent's name is kept in "parentlink.txt" in the
// working directory, so that the link is made again when the agent starts;
// unlinking leaves the file, so the next start links again.
//
// Nothing is sent back to the sender of a message; failures are log lines.
#pragma once

#include "Agentwick/basicagent.h"
#include "Agentwick/middleagentclient.h"

class CDeviceBase : public CBasicAgent {
 public:
  // Inactive, unlinked, of agent type "deviceagent".
  explicit CDeviceBase(const char* name);

  // Links to the parent named in "parentlink.txt" (blanks and line ends
  // around the name do not count) without starting the module; no file or
  // an empty name leaves the device unlinked. 1.
  int process_create() override;
  // 1 when the content carried an action (whatever it was), else 0.
  using CBasicAgent::process_message;
  int process_message(char* text) override;

  void set_active(int active) { active_ = active; }
  int get_active() const { return active_; }
  // The link to the parent, owned by the communicator; null when unlinked.
  CMiddleAgentClient* get_parent_link() const { return parent_; }

 protected:
  // The device is to be switched: 1 on, 0 off. A device subclass switches
  // it; the base only logs.
  virtual void activate(int state);

 private:
  // A new link module for `parent`, handed to the communicator.
  void link(const char* parent);
  void unlink();

  int active_ = 0;
  CMiddleAgentClient* parent_ = nullptr;
};
