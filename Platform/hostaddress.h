// The host's name and IPv4 addresses, with the two environment settings that
// keep tests and demos on loopback:
//   VERANTA_HOST_IP       replaces the local addresses the host reports,
//                         and is the one address the agent listens on
//   VERANTA_MULTICAST_IF  the interface address for multicast membership
//                         and sending; without it there is no multicast
// Both are read at each call, so a change of the environment takes effect at
// once. Failures store the code as the last socket error (socketerror.h).
#pragma once

#include <netinet/in.h>

#include <string>
#include <vector>

namespace platform {

inline constexpr const char* kHostIpVariable = "VERANTA_HOST_IP";
inline constexpr const char* kMulticastInterfaceVariable = "VERANTA_MULTICAST_IF";

// Fits the dotted text of any IPv4 address and its NUL.
inline constexpr size_t kAddressTextSize = 16;

// The host name (gethostname).
bool host_name(std::string* name);

// The IPv4 addresses of `name`, a dotted address or a host name, in the
// resolver's order without repeats. False (WSAHOST_NOT_FOUND, WSATRY_AGAIN,
// WSANO_RECOVERY) when it has none.
bool resolve_ipv4(const char* name, std::vector<in_addr>* addresses);

// The local addresses: the host name's addresses, or the one address of
// VERANTA_HOST_IP when that is set and not empty. A setting that is not a
// dotted address fails (WSAEADDRNOTAVAIL) instead of falling back to the
// real addresses.
bool local_ipv4_addresses(std::vector<in_addr>* addresses);
// The first of them.
bool first_local_ipv4(in_addr* address);

// The multicast interface: the address VERANTA_MULTICAST_IF names. Unset,
// empty or not a dotted address fails (WSAEADDRNOTAVAIL): multicast is
// never left to the system's choice of interface.
bool multicast_interface(in_addr* address);

// The address that the agent's listening socket binds to: the one of
// VERANTA_HOST_IP when that is set and not empty, so that the agent cannot be
// reached from the host's other interfaces, else INADDR_ANY. A setting that
// is not a dotted address fails (WSAEADDRNOTAVAIL).
bool listen_interface(in_addr* address);

}  // namespace platform
