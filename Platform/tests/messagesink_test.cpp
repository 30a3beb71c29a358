#include "Platform/messagesink.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageSink, DefaultWritesTheTextToStderr) {
  testing::internal::CaptureStderr();
  platform::message_box("Error Loading NLine Coordinates");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error Loading NLine Coordinates\n");
}

TEST(MessageSink, RecorderTakesMessagesWhileItLivesAndNests) {
  testing::internal::CaptureStderr();
  {
    platform::MessageRecorder outer;
    {
      platform::MessageRecorder inner;
      platform::message_box("Error in retriving file:/x", MB_ICONSTOP);
      EXPECT_EQ(inner.messages().size(), 1u);
      EXPECT_EQ(inner.messages()[0].type, MB_ICONSTOP);
    }
    platform::message_box("Map is 2 pixels wide by 3 pixels high");
    platform::message_box(nullptr);
    EXPECT_EQ(outer.texts(),
              (std::vector<std::string>{"Map is 2 pixels wide by 3 pixels high", ""}));
  }
  platform::message_box("after");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "after\n");
}

}  // namespace
