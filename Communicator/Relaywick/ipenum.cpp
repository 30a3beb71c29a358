#include "Relaywick/ipenum.h"

#include <arpa/inet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Platform/hostaddress.h"
#include "Platform/socketerror.h"
#include "Toolwick/format.h"

namespace {

std::string& shared_text() {
  static std::string text;
  return text;
}

void write_error(char* error, const char* text) {
  if (error != nullptr) std::snprintf(error, CIPEnum::kErrorSize, "%s", text);
}

}  // namespace

CIPEnum::CIPEnum() { shared_text() = "localhost"; }

char* CIPEnum::enumerate_short(char* error) { return enumerate(error, false); }

char* CIPEnum::enumerate_long(char* error) { return enumerate(error, true); }

char* CIPEnum::enumerate(char* error, bool long_form) {
  std::string host;
  if (!platform::host_name(&host)) {
    write_error(error, str_format("Failed in call to gethostname, WSAGetLastError returns %s",
                                  ErrorToAsc(platform::last_socket_error()))
                           .c_str());
    return nullptr;
  }
  std::vector<in_addr> addresses;
  if (!platform::local_ipv4_addresses(&addresses)) {
    write_error(error, str_format("Failed in call to gethostbyname, WSAGetLastError returns %s",
                                  ErrorToAsc(platform::last_socket_error()))
                           .c_str());
    return nullptr;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(&addresses.front().s_addr);
  shared_text() =
      long_form ? str_format("host: [%s], adapter: [%0d], ip: [%d.%d.%d.%d]", host.c_str(), 0,
                             bytes[0], bytes[1], bytes[2], bytes[3])
                : str_format("%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
  return shared_text().data();
}

const char* CIPEnum::ErrorToAsc(unsigned code) {
  switch (code) {
    case platform::WSAEACCES:
    case platform::WSAEFAULT:
    case platform::WSAEWOULDBLOCK:
    case platform::WSAEINPROGRESS:
    case platform::WSAENOTSOCK:
    case platform::WSAEDESTADDRREQ:
    case platform::WSAEMSGSIZE:
    case platform::WSAEOPNOTSUPP:
    case platform::WSAEAFNOSUPPORT:
    case platform::WSAEADDRNOTAVAIL:
    case platform::WSAENETDOWN:
    case platform::WSAENETUNREACH:
    case platform::WSAENETRESET:
    case platform::WSAECONNABORTED:
    case platform::WSAECONNRESET:
    case platform::WSAENOBUFS:
    case platform::WSAENOTCONN:
    case platform::WSAESHUTDOWN:
    case platform::WSANOTINITIALISED:
      return platform::socket_error_name(static_cast<int>(code));
    default:
      return "The network returned an unknown error";
  }
}
