// CSSDPParser: reads and writes the texts of multicast service discovery.
// It is an HTTP parser that recognises three more methods:
//
//   M-SEARCH * HTTP/1.1   -> 10   a search (answered by unicast)
//   HTTP/1.1 200 OK       -> 11   an answer to a search (HTTP/1.0 too)
//   NOTIFY * HTTP/1.1     -> 12   an announcement (ssdp:alive, ssdp:byebye)
//
// The writers fill the parser's own message text and return it; each writer
// overwrites it. Every text returned (fields and messages) is owned by the
// parser and valid until its next parse or write, or its destruction.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "Bannerwick/serviceinfo.h"
#include "Lexwick/httpparser.h"
#include "Toolwick/heaptext.h"

// Method codes of the discovery texts (get_method).
enum : int32_t {
  SSDP_METHOD_M_SEARCH = 10,
  SSDP_METHOD_HTTP = 11,
  SSDP_METHOD_NOTIFY = 12,
};

// The NT / ST text of a service type (SERVICETYPE_AGENT .. _PELVAN_SERVER),
// e.g. "veranta:Agent"; null for SERVICETYPE_NONE and unknown codes.
const char* ssdp_service_type_text(int type);

class CSSDPParser : public CHTTPParser {
 public:
  CSSDPParser() = default;
  ~CSSDPParser() override = default;

  // Sets 10, 11 or 12 (in that order of precedence) when the text is one of
  // the discovery methods.
  void process_additional() override;

  // The value of the parsed field of that name; null when there is none.
  char* find_M_SEARCH() { return find_field("M-SEARCH"); }
  // "HTTP/1.0", else "HTTP/1.1".
  char* find_HTTP();
  char* find_NOTIFY() { return find_field("NOTIFY"); }
  char* find_S() { return find_field("S"); }
  char* find_ST() { return find_field("ST"); }
  char* find_Host() { return find_field("Host"); }
  char* find_Man() { return find_field("Man"); }
  char* find_MX() { return find_field("MX"); }
  char* find_NTS() { return find_field("NTS"); }
  char* find_NT() { return find_field("NT"); }
  char* find_Ext() { return find_field("Ext"); }
  char* find_Cache_Control() { return find_field("Cache-Control"); }
  char* find_USN() { return find_field("USN"); }
  // The value without its angle brackets ("<host:port>" -> "host:port");
  // the parsed field itself is left as it came.
  char* find_AL();
  char* find_Location();

  // Copies; null is ignored.
  void set_USN(const char* usn);
  void set_mcast_ip(const char* address);
  void set_mcast_port(unsigned port) { mcast_port_ = port; }
  // The type whose text every written NT carries ("veranta:Agent" unless
  // changed).
  void set_service_type(int type) { service_type_ = type; }
  char* get_USN() const { return usn_.get(); }

  // Every writer below answers null, with a log line, when a field it would
  // write holds CR or LF: the text would carry header lines of its own.
  //
  // ssdp:alive for the parser's USN (`name` is not written: the USN names
  // the agent) or for `usn`; `al` and `port` say where the agent takes TCP
  // connections. Null without a multicast address or a USN.
  char* create_notify(const char* name, const char* al, unsigned port);
  char* create_notify_external(const char* usn, const char* al, unsigned port);
  // ssdp:byebye, the same pair.
  char* create_byebye(const char* name, const char* al, unsigned port);
  char* create_byebye_external(const char* usn, const char* al, unsigned port);
  // A search for `st` from the searcher `s`, whose answers go to `host` and
  // `port` by unicast.
  char* create_m_search(const char* st, const char* host, unsigned port, const char* s);
  // The answer to the search `s`, carrying the parser's USN (`name` is not
  // written) and `al`:`port`. Null without a USN.
  char* create_http(const char* name, const char* al, unsigned port, const char* s);

 private:
  char* write_announcement(const char* nts, const char* cache_control, const char* usn,
                           const char* al, unsigned port);
  // False, with a log line, when one of `fields` holds a line end.
  bool writable(std::initializer_list<const char*> fields);
  // The value of `field` without its angle brackets, kept in `out`.
  static char* without_angle_brackets(const char* field, std::string* out);

  HeapText usn_;
  HeapText mcast_ip_;
  unsigned mcast_port_ = 0;
  int service_type_ = SERVICETYPE_AGENT;
  std::string message_;
  std::string al_;
  std::string location_;
};
