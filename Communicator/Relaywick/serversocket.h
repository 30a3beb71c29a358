// CServerSocket: the agent's listening socket, and the keeper of its live
// connections, in- and outgoing. Every connection it registers is owned by
// its list until remove_connection or the server's destruction; connections
// get their descriptors 0, 1, 2, ... in order of registration.
//
// The logger is not owned; the server's lines go to its process_message
// (direction internal), its connections' lines to its debug log.
#pragma once

#include <memory>

#include "Relaywick/socketbase.h"
#include "Toolwick/llist.h"

class CLogFacility;

class CServerSocket : public CSocketBase {
 public:
  explicit CServerSocket(CWnd* handler);
  // Closes the listening socket, then marks every connection dirty and
  // deletes it.
  ~CServerSocket() override;

  // Also given to the connections already registered; null stops the lines.
  void set_logger(CLogFacility* logger);
  CLogFacility* get_logger() const { return logger_; }
  // The logger's process_message(line, 0), when both are set.
  void debug(const char* line);

  // Takes the connection over: it gets the next descriptor and the logger,
  // and a client connection its peer's address and port.
  void new_connection(std::unique_ptr<CSocketBase> socket);
  // The same without reading the peer's address.
  void register_connection(std::unique_ptr<CSocketBase> socket);
  // Unlinks and closes the connection; it is deleted once the current
  // callback returns, so the connection itself may ask for this. Nothing
  // happens for a socket that is not in the list.
  void remove_connection(CSocketBase* socket);
  // The first connection named `name` that is neither dirty nor one of the
  // placeholder names; host and port are not compared.
  CSocketBase* find_connection(const char* name, const char* host, unsigned port);
  // The last connection with that descriptor; null for -1 or none.
  CSocketBase* get_connection(long descriptor);
  // The list elements' contents are the CSocketBase*.
  CLList* get_sockets() { return &sockets_; }

  // Removes the client connections that broke or whose peer closed and
  // whose owner is not handling one of their messages.
  void sweep_connections();

 protected:
  void OnAccept(int code) override;

 private:
  void add(std::unique_ptr<CSocketBase> socket, bool read_peer);

  CLList sockets_{"Server Sockets List"};
  CLogFacility* logger_ = nullptr;
};
