#include "Platform/hostaddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "Platform/socketerror.h"

namespace platform {

namespace {

int resolver_error(int code) {
  switch (code) {
    case EAI_AGAIN:
      return WSATRY_AGAIN;
    case EAI_NONAME:
    case EAI_NODATA:
      return WSAHOST_NOT_FOUND;
    case EAI_SYSTEM:
      return socket_error_from_errno(errno);
    default:
      return WSANO_RECOVERY;
  }
}

// The dotted address of an environment setting. 0: unset or empty; -1: set
// but not an address.
int address_setting(const char* variable, in_addr* address) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return 0;
  if (inet_pton(AF_INET, value, address) == 1) return 1;
  set_last_socket_error(WSAEADDRNOTAVAIL);
  return -1;
}

}  // namespace

bool host_name(std::string* name) {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) {
    set_last_socket_error(socket_error_from_errno(errno));
    return false;
  }
  *name = buffer;
  return true;
}

bool resolve_ipv4(const char* name, std::vector<in_addr>* addresses) {
  addresses->clear();
  if (name == nullptr || *name == '\0') {
    set_last_socket_error(WSAHOST_NOT_FOUND);
    return false;
  }
  in_addr numeric{};
  if (inet_pton(AF_INET, name, &numeric) == 1) {
    addresses->push_back(numeric);
    return true;
  }
  // "localhost" is the loopback address whatever /etc/hosts says (a bare
  // container may have none), and never a query that leaves the machine.
  if (strcasecmp(name, "localhost") == 0) {
    numeric.s_addr = htonl(INADDR_LOOPBACK);
    addresses->push_back(numeric);
    return true;
  }

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not per socket type
  addrinfo* found = nullptr;
  const int result = getaddrinfo(name, nullptr, &hints, &found);
  if (result != 0) {
    set_last_socket_error(resolver_error(result));
    return false;
  }
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
    const bool repeated = std::any_of(addresses->begin(), addresses->end(),
                                      [&](const in_addr& a) { return a.s_addr == address.s_addr; });
    if (!repeated) addresses->push_back(address);
  }
  freeaddrinfo(found);
  if (addresses->empty()) {
    set_last_socket_error(WSANO_DATA);
    return false;
  }
  return true;
}

bool local_ipv4_addresses(std::vector<in_addr>* addresses) {
  addresses->clear();
  in_addr replacement{};
  const int setting = address_setting(kHostIpVariable, &replacement);
  if (setting < 0) return false;
  if (setting > 0) {
    addresses->push_back(replacement);
    return true;
  }
  std::string name;
  return host_name(&name) && resolve_ipv4(name.c_str(), addresses);
}

bool first_local_ipv4(in_addr* address) {
  std::vector<in_addr> addresses;
  if (!local_ipv4_addresses(&addresses)) return false;
  *address = addresses.front();
  return true;
}

bool multicast_interface(in_addr* address) {
  const int setting = address_setting(kMulticastInterfaceVariable, address);
  if (setting == 0) set_last_socket_error(WSAEADDRNOTAVAIL);
  return setting > 0;
}

bool listen_interface(in_addr* address) {
  const int setting = address_setting(kHostIpVariable, address);
  if (setting == 0) address->s_addr = htonl(INADDR_ANY);
  return setting >= 0;
}

}  // namespace platform
