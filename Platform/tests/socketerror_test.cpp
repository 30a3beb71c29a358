#include "Platform/socketerror.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(SocketError, PosixErrorsMapToWindowsSocketsCodes) {
  const struct {
    int error;
    int code;
  } cases[] = {
      {EINTR, 10004},        {EACCES, 10013},       {EFAULT, 10014},       {EINVAL, 10022},
      {EMFILE, 10024},       {ENFILE, 10024},       {EAGAIN, 10035},       {EWOULDBLOCK, 10035},
      {EINPROGRESS, 10036},  {EALREADY, 10037},     {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},
      {EMSGSIZE, 10040},     {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
      {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045}, {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},
      {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},    {ENETUNREACH, 10051},
      {ENETRESET, 10052},    {ECONNABORTED, 10053}, {ECONNRESET, 10054},   {EPIPE, 10054},
      {ENOBUFS, 10055},      {ENOMEM, 10055},       {EISCONN, 10056},      {ENOTCONN, 10057},
      {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059}, {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},
      {ELOOP, 10062},        {ENAMETOOLONG, 10063}, {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},
      {ENOTEMPTY, 10066},    {EUSERS, 10068},       {EDQUOT, 10069},       {ESTALE, 10070},
      {EREMOTE, 10071},
      // No counterpart: still a failure, never 0.
      {ENOENT, 10107},       {0, 10107},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::socket_error_from_errno(c.error), c.code) << "errno " << c.error;
  }
}

TEST(SocketError, NamesOfTheCodes) {
  const struct {
    int code;
    const char* name;
  } cases[] = {
      {10035, "WSAEWOULDBLOCK"}, {10050, "WSAENETDOWN"},        {10054, "WSAECONNRESET"},
      {10060, "WSAETIMEDOUT"},   {10061, "WSAECONNREFUSED"},    {10067, "WSAEPROCLIM"},
      {10071, "WSAEREMOTE"},     {10091, "WSASYSNOTREADY"},     {10092, "WSAVERNOTSUPPORTED"},
      {10093, "WSANOTINITIALISED"}, {10101, "WSAEDISCON"},      {11001, "WSAHOST_NOT_FOUND"},
  };
  for (const auto& c : cases) EXPECT_STREQ(platform::socket_error_name(c.code), c.name);
  // Every number from 10035 to 10071 is a code.
  for (int code = 10035; code <= 10071; ++code) {
    EXPECT_NE(platform::socket_error_name(code), nullptr) << code;
  }
  for (const int unknown : {0, 10000, 10072, 10100, 99999}) {
    EXPECT_EQ(platform::socket_error_name(unknown), nullptr) << unknown;
  }
}

}  // namespace
