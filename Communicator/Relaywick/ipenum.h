// CIPEnum: the first IPv4 address of the local host (VERANTA_HOST_IP, when
// set, stands in for the host's own addresses; see Platform/hostaddress.h).
//
// Results live in one text shared by every instance: "localhost" after an
// instance is made, overwritten by each successful call, valid until then.
#pragma once

#include <cstddef>

class CIPEnum {
 public:
  // The size of the error texts: an `error` buffer must hold this many
  // characters.
  static constexpr size_t kErrorSize = 128;

  CIPEnum();

  // "%d.%d.%d.%d" of the first address; null on failure, with the reason in
  // `error` (when not null).
  char* enumerate_short(char* error);
  // "host: [%s], adapter: [%0d], ip: [%d.%d.%d.%d]" of the host name, 0 and
  // the first address; null on failure as above.
  char* enumerate_long(char* error);

  // The Windows Sockets name of `code`; "The network returned an unknown
  // error" for a code it does not know.
  static const char* ErrorToAsc(unsigned code);

 private:
  char* enumerate(char* error, bool long_form);
};
