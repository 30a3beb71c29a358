#include "Relaywick/ssdpparser.h"

#include <cstring>
#include <initializer_list>

#include "Toolwick/format.h"
#include "Toolwick/utils.h"

const char* ssdp_service_type_text(int type) {
  switch (type) {
    case SERVICETYPE_AGENT:
      return "veranta:Agent";
    case SERVICETYPE_MATCHMAKER:
      return "veranta:matchmaker";
    case SERVICETYPE_FERRINSERVER:
      return "veranta:ferrinServer";
    case SERVICETYPE_ANS_SERVER:
      return "veranta:AgentNameServer";
    case SERVICETYPE_SHOWBOARD:
      return "veranta:Showboard";
    case SERVICETYPE_PELVAN_SERVER:
      return "veranta:PelvanServer";
    default:
      return nullptr;
  }
}

namespace {

// A field that holds a line end would end its header line early and add
// header lines of the writer's choosing to the text sent.
bool one_line_each(std::initializer_list<const char*> fields) {
  for (const char* field : fields) {
    if (field != nullptr && std::strpbrk(field, "\r\n") != nullptr) return false;
  }
  return true;
}

}  // namespace

bool CSSDPParser::writable(std::initializer_list<const char*> fields) {
  if (one_line_each(fields)) return true;
  debug("<CSSDPParser> A field holds a line end, nothing written");
  return false;
}

void CSSDPParser::process_additional() {
  if (find_M_SEARCH() != nullptr) {
    set_method(SSDP_METHOD_M_SEARCH);
  } else if (find_HTTP() != nullptr) {
    set_method(SSDP_METHOD_HTTP);
  } else if (find_NOTIFY() != nullptr) {
    set_method(SSDP_METHOD_NOTIFY);
  }
}

char* CSSDPParser::find_HTTP() {
  char* value = find_field("HTTP/1.0");
  return value != nullptr ? value : find_field("HTTP/1.1");
}

char* CSSDPParser::without_angle_brackets(const char* field, std::string* out) {
  if (field == nullptr) return nullptr;
  std::string copy = field;
  CUtils utils;
  // Cuts the copy in place; what is left starts at the returned pointer.
  *out = utils.remove_angle_brackets(copy.data());
  return out->data();
}

char* CSSDPParser::find_AL() { return without_angle_brackets(find_field("AL"), &al_); }

char* CSSDPParser::find_Location() {
  return without_angle_brackets(find_field("Location"), &location_);
}

void CSSDPParser::set_USN(const char* usn) {
  if (usn != nullptr) usn_.set(usn);
}

void CSSDPParser::set_mcast_ip(const char* address) {
  if (address != nullptr) mcast_ip_.set(address);
}

char* CSSDPParser::write_announcement(const char* nts, const char* cache_control, const char* usn,
                                      const char* al, unsigned port) {
  if (!mcast_ip_.is_set() || usn == nullptr) return nullptr;
  if (!writable({nts, cache_control, usn, al})) return nullptr;
  message_ = str_format(
      "NOTIFY * HTTP/1.1\r\nHost: %s:%d\r\nNT: %s\r\nNTS: %s\r\nUSN: %s\r\nAL: <%s:%d>\r\n"
      "Cache-Control: %s\r\n\r\n",
      mcast_ip_.get(), static_cast<int>(mcast_port_),
      shown_text(ssdp_service_type_text(service_type_)), nts, usn, shown_text(al),
      static_cast<int>(port), cache_control);
  return message_.data();
}

char* CSSDPParser::create_notify(const char* /*name*/, const char* al, unsigned port) {
  return write_announcement("ssdp:alive", "no-cache", usn_.get(), al, port);
}

char* CSSDPParser::create_notify_external(const char* usn, const char* al, unsigned port) {
  return write_announcement("ssdp:alive", "no-cache", usn, al, port);
}

char* CSSDPParser::create_byebye(const char* /*name*/, const char* al, unsigned port) {
  return write_announcement("ssdp:byebye", "???", usn_.get(), al, port);
}

char* CSSDPParser::create_byebye_external(const char* usn, const char* al, unsigned port) {
  return write_announcement("ssdp:byebye", "???", usn, al, port);
}

char* CSSDPParser::create_m_search(const char* st, const char* host, unsigned port, const char* s) {
  if (!writable({st, host, s})) return nullptr;
  message_ = str_format(
      "M-SEARCH * HTTP/1.1\r\nS: %s\r\nHost: %s:%d\r\nMan: ssdp:discover\r\nST: %s\r\n"
      "MX: ???\r\n\r\n",
      shown_text(s), shown_text(host), static_cast<int>(port), shown_text(st));
  return message_.data();
}

char* CSSDPParser::create_http(const char* /*name*/, const char* al, unsigned port, const char* s) {
  if (!usn_.is_set()) return nullptr;
  if (!writable({usn_.get(), al, s})) return nullptr;
  message_ = str_format(
      "HTTP/1.1 200 OK\r\nS: %s\r\nExt: ???\r\nCache-Control: no-cache\r\nUSN: %s\r\nNT: %s\r\n"
      "AL: <%s:%d>\r\n\r\n",
      shown_text(s), usn_.get(), shown_text(ssdp_service_type_text(service_type_)), shown_text(al),
      static_cast<int>(port));
  return message_.data();
}
