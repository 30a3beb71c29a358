// CURL: a URL split into protocol, sub-protocol, host, port, path and query.
// It is a list so that it can be named and chained; parse_url appends the
// pieces of the path as its elements.
//
// Every text is a copy owned by the URL (null when unset), valid until the
// setter or parse_url replaces it. Every setter copies its argument before it
// frees the old value, so a URL's own texts may be passed back to it.
#pragma once

#include <cstdint>

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CURL : public CLList {
 public:
  // Protocol "HTTP", port 80, nothing else set.
  CURL();
  // Named by `url`, then parsed from its own name; `url` is not changed.
  explicit CURL(const char* url);

  // "proto" or "proto:sub": the part before the first ':' becomes the
  // protocol, the part after it (when there is one) the sub-protocol. Works
  // on a copy, so literals may be passed. Null is ignored.
  void set_proto(const char* text);
  // Null is ignored; otherwise a copy replaces the value.
  void set_subproto(const char* text);
  void set_webpage(const char* text);
  // "host" or "host:port": the port is read as a decimal number (none reads
  // 0). Null is ignored.
  void set_host(const char* text);
  // The path, stored with a leading '/' (added when missing). Null is ignored.
  void set_cgi(const char* text);
  void set_port(int32_t port) { port_ = port; }

  char* get_proto() const { return proto_.get(); }
  char* get_subproto() const { return subproto_.get(); }
  char* get_host() const { return host_.get(); }
  int32_t get_port() const { return port_; }
  char* get_webpage() const { return webpage_.get(); }
  char* get_cgi() const { return cgi_.get(); }

  // Unsets every text (the port and the elements stay), names the URL by
  // `url` and reads "proto://host[:port][/path[?query]]" from a copy of it.
  // A path before a '?' sets the cgi and is split at every '&' into new
  // elements; the webpage is the query, or the whole text after the host
  // when there is no '?'. 1 on success; 0 for null, a text without "://",
  // or an empty host.
  int parse_url(const char* url);
  // No URL text is generated: always null.
  char* generate_url() const { return nullptr; }

 private:
  HeapText host_;
  HeapText proto_;
  HeapText subproto_;
  HeapText webpage_;
  HeapText cgi_;
  int32_t port_ = 80;
};
