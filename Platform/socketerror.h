// Socket error codes: the Windows Sockets numbers that the framework reports,
// logs and compares, mapped from the POSIX errors of this platform. Every
// failing socket or host call of Platform stores its code as the last socket
// error (one value for the process, like WSAGetLastError; single thread).
#pragma once

namespace platform {

enum SocketError : int {
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEDESTADDRREQ = 10039,
  WSAEMSGSIZE = 10040,
  WSAEPROTOTYPE = 10041,
  WSAENOPROTOOPT = 10042,
  WSAEPROTONOSUPPORT = 10043,
  WSAESOCKTNOSUPPORT = 10044,
  WSAEOPNOTSUPP = 10045,
  WSAEPFNOSUPPORT = 10046,
  WSAEAFNOSUPPORT = 10047,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAENETRESET = 10052,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOBUFS = 10055,
  WSAEISCONN = 10056,
  WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058,
  WSAETOOMANYREFS = 10059,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAELOOP = 10062,
  WSAENAMETOOLONG = 10063,
  WSAEHOSTDOWN = 10064,
  WSAEHOSTUNREACH = 10065,
  WSAENOTEMPTY = 10066,
  WSAEPROCLIM = 10067,
  WSAEUSERS = 10068,
  WSAEDQUOT = 10069,
  WSAESTALE = 10070,
  WSAEREMOTE = 10071,
  WSASYSNOTREADY = 10091,
  WSAVERNOTSUPPORTED = 10092,
  WSANOTINITIALISED = 10093,
  WSAEDISCON = 10101,
  WSASYSCALLFAILURE = 10107,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// The code for a POSIX errno; WSASYSCALLFAILURE for an errno that has no
// counterpart, so that a failure is never reported as 0.
int socket_error_from_errno(int error);

// The code's Windows Sockets name ("WSAECONNRESET"), a static text; null for
// a number that is not one of the codes above.
const char* socket_error_name(int code);

int last_socket_error();
void set_last_socket_error(int code);

}  // namespace platform
