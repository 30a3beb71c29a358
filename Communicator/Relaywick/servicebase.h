// CServiceBase: a service location that agent programs may keep in their
// lists: the element's name is the service's IP address text, found by
// find_element like any name, with the service's port and a localization
// code. Nothing in the framework reads it.
#pragma once

#include "Toolwick/listelement.h"

class CServiceBase : public CListElement {
 public:
  // "127.0.0.1", localization 0, port 0.
  CServiceBase() : CListElement("127.0.0.1") {}

  // The element name; a copy is kept, null leaves none.
  void set_ip(const char* ip) { set_name(ip); }
  char* get_ip() const { return get_name(); }
  void set_port(unsigned port) { port_ = port; }
  unsigned get_port() const { return port_; }
  void set_localization(int localization) { localization_ = localization; }
  int get_localization() const { return localization_; }

 private:
  int localization_ = 0;
  unsigned port_ = 0;
};
