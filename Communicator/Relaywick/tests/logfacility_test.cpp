#include "Relaywick/logfacility.h"

#include <gtest/gtest.h>

#include "Credwick/belief.h"
#include "Relaywick/communicator.h"
#include "relaytest.h"

namespace {

using namespace relaytest;

TEST(LogFacility, StartsPlain) {
  CLogFacility module("clock", nullptr, nullptr, 2);
  EXPECT_STREQ(module.get_display(), "clock");
  EXPECT_EQ(module.get_kind(), 2u);
  EXPECT_EQ(module.get_type(), 0u);  // the kind is no type: not a display client
  EXPECT_EQ(module.get_state(), 0u);
  EXPECT_EQ(module.get_dependancy(), 0u);
  EXPECT_EQ(module.is_registered(), 0);
  EXPECT_EQ(module.get_logger(), nullptr);
  EXPECT_EQ(module.init(), 1);
  EXPECT_EQ(module.change_state(3), 1);
  EXPECT_EQ(module.get_state(), 0u);
}

TEST(LogFacility, ADisplayNameDefaultsToTheAgentName) {
  EnvSetting host_ip("VERANTA_HOST_IP", kLoopback);
  CCommunicator comm;
  comm.set_name("station");
  CLogFacility module(nullptr, comm.get_beliefdb(), &comm, 0);
  module.set_display(nullptr);
  EXPECT_STREQ(module.get_display(), "station");
  module.set_display("voice");
  EXPECT_STREQ(module.get_display(), "voice");

  CLogFacility alone(nullptr, nullptr, nullptr, 0);
  alone.set_display(nullptr);
  EXPECT_STREQ(alone.get_display(), "Agent");
}

TEST(LogFacility, LinesGoToTheLoggersFileAndOutsideTextStaysText) {
  LogCapture log;
  CLogFacility logger("logger", nullptr, nullptr, 0);
  logger.set_file(log.stream());
  {
    CLogFacility module("module", nullptr, nullptr, 0);
    module.set_logger(nullptr);
    EXPECT_EQ(module.get_logger(), nullptr);
    module.set_logger(&logger);
    EXPECT_EQ(module.get_logger(), &logger);
    module.log_message("100% %s %n done");
    CLogFacility unnamed(nullptr, nullptr, nullptr, 0);
    unnamed.set_logger(&logger);
  }
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"100% %s %n done",
                                                   "<CLogFacility> Destroying module [UNKNOWN]",
                                                   "<CLogFacility> Destroying module [module]"}));
}

}  // namespace
