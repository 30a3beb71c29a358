#include "Platform/hostaddress.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/socketerror.h"

namespace {

// Sets (or, with null, removes) an environment variable for one test and
// puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::vector<std::string> dotted(const std::vector<in_addr>& addresses) {
  std::vector<std::string> out;
  for (const in_addr& address : addresses) {
    char text[platform::kAddressTextSize];
    out.push_back(inet_ntop(AF_INET, &address, text, sizeof text));
  }
  return out;
}

TEST(HostAddress, HostIpSettingReplacesTheLocalAddresses) {
  // Only read, never used to send: an address that is not this host's shows
  // that the setting, not the enumeration, gave it.
  for (const char* setting : {"127.0.0.1", "10.1.2.200"}) {
    ScopedEnv env(platform::kHostIpVariable, setting);
    std::vector<in_addr> addresses;
    ASSERT_TRUE(platform::local_ipv4_addresses(&addresses)) << setting;
    EXPECT_EQ(dotted(addresses), std::vector<std::string>{setting});
    in_addr first{};
    ASSERT_TRUE(platform::first_local_ipv4(&first));
    EXPECT_EQ(dotted({first}), std::vector<std::string>{setting});
  }
}

TEST(HostAddress, BadHostIpSettingFailsInsteadOfFallingBack) {
  ScopedEnv env(platform::kHostIpVariable, "not-an-address");
  std::vector<in_addr> addresses;
  EXPECT_FALSE(platform::local_ipv4_addresses(&addresses));
  EXPECT_TRUE(addresses.empty());
  EXPECT_EQ(platform::last_socket_error(), platform::WSAEADDRNOTAVAIL);
}

TEST(HostAddress, ResolvesDottedAddressesAndLocalhost) {
  std::vector<in_addr> addresses;
  ASSERT_TRUE(platform::resolve_ipv4("192.168.200.7", &addresses));
  EXPECT_EQ(dotted(addresses), std::vector<std::string>{"192.168.200.7"});
  ASSERT_TRUE(platform::resolve_ipv4("localhost", &addresses));
  EXPECT_EQ(dotted(addresses).front(), "127.0.0.1");
  EXPECT_FALSE(platform::resolve_ipv4("", &addresses));
  EXPECT_EQ(platform::last_socket_error(), platform::WSAHOST_NOT_FOUND);
}

// The two interface settings: the address when set, a failure for what is
// not a dotted address. Unset or empty, the listening socket takes any
// address, while multicast has no interface at all (never the system's
// choice).
struct InterfaceSetting {
  const char* name;
  const char* variable;
  bool (*read)(in_addr*);
  bool any_when_unset;
};

void PrintTo(const InterfaceSetting& c, std::ostream* out) { *out << c.name; }

class InterfaceSettingTest : public ::testing::TestWithParam<InterfaceSetting> {};

TEST_P(InterfaceSettingTest, IsTheAddressNamed) {
  const InterfaceSetting& setting = GetParam();
  in_addr address{};
  {
    ScopedEnv env(setting.variable, "127.0.0.1");
    ASSERT_TRUE(setting.read(&address));
    EXPECT_EQ(dotted({address}), std::vector<std::string>{"127.0.0.1"});
  }
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(unset != nullptr ? "empty" : "unset");
    ScopedEnv env(setting.variable, unset);
    platform::set_last_socket_error(0);
    if (setting.any_when_unset) {
      ASSERT_TRUE(setting.read(&address));
      EXPECT_EQ(address.s_addr, htonl(INADDR_ANY));
    } else {
      EXPECT_FALSE(setting.read(&address));
      EXPECT_EQ(platform::last_socket_error(), platform::WSAEADDRNOTAVAIL);
    }
  }
  for (const char* bad : {"eth0", "localhost"}) {
    ScopedEnv env(setting.variable, bad);
    EXPECT_FALSE(setting.read(&address)) << bad;
    EXPECT_EQ(platform::last_socket_error(), platform::WSAEADDRNOTAVAIL);
  }
}

INSTANTIATE_TEST_SUITE_P(
    HostAddress, InterfaceSettingTest,
    ::testing::Values(
        InterfaceSetting{"Multicast", platform::kMulticastInterfaceVariable,
                         platform::multicast_interface, false},
        InterfaceSetting{"Listen", platform::kHostIpVariable, platform::listen_interface, true}),
    [](const ::testing::TestParamInfo<InterfaceSetting>& info) { return info.param.name; });

}  // namespace
