#include "Relaywick/ipenum.h"

#include <gtest/gtest.h>

#include <string>

#include "relaytest.h"

namespace {

using relaytest::EnvSetting;

TEST(IPEnum, TheFirstAddressAsText) {
  struct Case {
    const char* setting;
    const char* text;
  };
  const Case cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"200.1.2.250", "200.1.2.250"},  // bytes above 127 stay unsigned
  };
  for (const Case& c : cases) {
    EnvSetting host_ip("VERANTA_HOST_IP", c.setting);
    CIPEnum ipenum;
    char error[CIPEnum::kErrorSize] = {};
    EXPECT_STREQ(ipenum.enumerate_short(error), c.text);
    const std::string long_form = ipenum.enumerate_long(error);
    EXPECT_EQ(long_form.rfind("host: [", 0), 0u);
    EXPECT_NE(long_form.find(std::string("], adapter: [0], ip: [") + c.text + "]"),
              std::string::npos);
  }
}

TEST(IPEnum, AFailureGivesTheReason) {
  EnvSetting host_ip("VERANTA_HOST_IP", "no-address");
  CIPEnum ipenum;
  char error[CIPEnum::kErrorSize] = {};
  EXPECT_EQ(ipenum.enumerate_short(error), nullptr);
  EXPECT_STREQ(error, "Failed in call to gethostbyname, WSAGetLastError returns WSAEADDRNOTAVAIL");
  EXPECT_EQ(ipenum.enumerate_long(nullptr), nullptr);
}

TEST(IPEnum, ErrorNames) {
  struct Case {
    unsigned code;
    const char* name;
  };
  const Case cases[] = {
      {10013, "WSAEACCES"},     {10014, "WSAEFAULT"},       {10035, "WSAEWOULDBLOCK"},
      {10050, "WSAENETDOWN"},   {10054, "WSAECONNRESET"},   {10058, "WSAESHUTDOWN"},
      {10093, "WSANOTINITIALISED"},
      {0, "The network returned an unknown error"},
      {10037, "The network returned an unknown error"},
      {10061, "The network returned an unknown error"},
      {11001, "The network returned an unknown error"},
  };
  for (const Case& c : cases) EXPECT_STREQ(CIPEnum::ErrorToAsc(c.code), c.name) << c.code;
}

}  // namespace
