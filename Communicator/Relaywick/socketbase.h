// CSocketBase: the common base of the agent's sockets. It tells its owner
// window of received messages by posting WM_SOCKET_NOTIFY, carries the
// agent name by which a connection is found for sending, and the dirty flag
// that retires a broken connection.
//
// The handler window is kept by its handle, so a window that is destroyed
// first is simply no longer told. The logger is not owned and must outlive
// the socket or be taken away with set_logger(nullptr). While a server
// socket keeps the socket in its list, a new descriptor or agent name is
// passed on to the server's indexes.
#pragma once

#include <cstdint>

#include "Platform/asyncsocket.h"
#include "Platform/wnd.h"
#include "Toolwick/debug.h"
#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"

// Posted to the handler window: wParam the socket type, lParam the descriptor.
inline constexpr unsigned WM_SOCKET_NOTIFY = WM_USER + 5;

// Socket types (get_sockettype).
enum : int {
  SOCKETTYPE_BASE = 0,
  SOCKETTYPE_CLIENT = 1,     // every CClientSocket
  SOCKETTYPE_MULTICAST = 9,  // the discovery sockets
};

inline constexpr const char* kUnknownAgent = "unknown agent";
inline constexpr const char* kBroadcastAgent = "broadcast agent";

class CServerSocket;

class CSocketBase : public CSocket {
 public:
  explicit CSocketBase(CWnd* handler);
  ~CSocketBase() override;

  // Null stops the lines.
  void set_logger(CDebug* logger);
  CDebug* get_logger() const { return logger_; }
  // Passes `line` to the logger while the socket is not dirty. Called
  // several times per message: while the lines would go nowhere it costs
  // a test or two.
  void debug(const char* line) {
    if (logging()) write_debug(line);
  }
  // False when debug() lines would go nowhere: no logger, or one that only
  // writes to a debug file and has none.
  bool logging() const {
    return logger_ != nullptr && (!file_only_ || logger_->get_file_pointer() != nullptr);
  }

  void set_descriptor(long descriptor);
  long get_descriptor() const { return descriptor_; }
  void set_sockettype(int type) { sockettype_ = type; }
  int get_sockettype() const { return sockettype_; }
  void set_next(CSocketBase* next) { next_ = next; }
  CSocketBase* get_next() const { return next_; }
  // Keeps a copy; ignored when dirty or null.
  void set_agentname(const char* name);
  // Owned by the socket; "unknown agent" until a name is set.
  char* get_agentname() const { return agentname_.get(); }
  void set_dirty(int dirty) { dirty_ = dirty; }
  int get_dirty() const { return dirty_; }
  // The byte count of the last receive.
  int get_len() const { return length_; }
  void set_handler(CWnd* handler) { handler_ = handler ? handler->GetSafeHwnd() : 0; }
  // Null when none was given or the window is gone.
  CWnd* get_handler() const { return CWnd::FromHandle(handler_); }

 protected:
  // Posts WM_SOCKET_NOTIFY (socket type, descriptor) to the handler window.
  void signal();
  void set_len(int length) { length_ = length; }
  // debug() of a printf-formatted line.
  void debugf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // The server whose connection list holds this socket; null while none
  // does.
  CServerSocket* get_registry() const { return registry_; }

 private:
  void write_debug(const char* line);

  const unsigned message_ = WM_SOCKET_NOTIFY;
  CWnd::Handle handler_ = 0;
  CDebug* logger_ = nullptr;
  // The logger writes its lines to its debug file alone, so nothing
  // without one.
  bool file_only_ = false;
  long descriptor_ = 0;
  int length_ = 0;
  int dirty_ = 0;
  CSocketBase* next_ = nullptr;
  int sockettype_ = SOCKETTYPE_BASE;
  HeapText agentname_{kUnknownAgent};
  // The server whose connection list holds this socket, the list element
  // that carries it, and its place in that list (a running number of the
  // server's); kept by the server.
  friend class CServerSocket;
  CServerSocket* registry_ = nullptr;
  CListElement* registry_element_ = nullptr;
  uint64_t registered_order_ = 0;
};
