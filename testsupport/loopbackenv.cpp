// Keeps every test program on loopback whoever runs it: before the first
// test, the settings that name the host's address and the multicast
// interface are both forced to 127.0.0.1, whatever the caller's environment
// held (unset, empty or a real interface). Tests that need another value set
// it for their own span and put 127.0.0.1 back.
//
// Linked into each test program as an object file (see tessel_tests), so
// the linker cannot leave the environment out. The check below is run by
// ctest with hostile settings only, not among the program's own tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Platform/hostaddress.h"

namespace {

constexpr const char* kLoopback = "127.0.0.1";

class LoopbackEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv(platform::kHostIpVariable, kLoopback, 1);
    setenv(platform::kMulticastInterfaceVariable, kLoopback, 1);
  }
};

testing::Environment* const loopback_environment =
    testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

std::string setting(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "(unset)";
}

TEST(TestEnvironment, TestsSeeOnlyLoopbackSettings) {
  EXPECT_EQ(setting(platform::kHostIpVariable), kLoopback);
  EXPECT_EQ(setting(platform::kMulticastInterfaceVariable), kLoopback);
}

}  // namespace
