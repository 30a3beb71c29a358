// Message boxes of the libraries: a text and the box's type go to the
// installed sink. The default sink writes the text to stderr; a GUI program
// installs one that shows a real box (PlatformQt/qtmessagebox.h), a test a
// MessageRecorder.
#pragma once

#include <string>
#include <vector>

// Message box types; MB_OK alone shows no icon.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_ICONSTOP = 0x0010;

namespace platform {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows `text` and returns when the user has seen it (a box: closed it).
  virtual void show(const char* text, unsigned type) = 0;
};

// Shows `text` through the installed sink. Single-threaded, like the loop.
void message_box(const char* text, unsigned type = MB_OK);

// Installs `sink` (not owned; it must stay until replaced) and returns the
// previous one; null installs the stderr default again.
MessageSink* set_message_sink(MessageSink* sink);

// Records every message instead of showing it, while it lives: installs itself
// on construction and puts the previous sink back on destruction.
class MessageRecorder : public MessageSink {
 public:
  struct Message {
    std::string text;
    unsigned type;
  };

  MessageRecorder();
  ~MessageRecorder() override;
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  void show(const char* text, unsigned type) override;
  const std::vector<Message>& messages() const { return messages_; }
  // The texts alone, in order.
  std::vector<std::string> texts() const;

 private:
  MessageSink* previous_;
  std::vector<Message> messages_;
};

}  // namespace platform
