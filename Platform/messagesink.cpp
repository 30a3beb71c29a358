#include "Platform/messagesink.h"

#include <cstdio>

namespace platform {

namespace {

class StderrSink : public MessageSink {
 public:
  void show(const char* text, unsigned) override { std::fprintf(stderr, "%s\n", text); }
};

StderrSink stderr_sink;
MessageSink* current = &stderr_sink;

}  // namespace

void message_box(const char* text, unsigned type) { current->show(text ? text : "", type); }

MessageSink* set_message_sink(MessageSink* sink) {
  MessageSink* previous = current;
  current = sink ? sink : &stderr_sink;
  return previous;
}

MessageRecorder::MessageRecorder() : previous_(set_message_sink(this)) {}

MessageRecorder::~MessageRecorder() { set_message_sink(previous_); }

void MessageRecorder::show(const char* text, unsigned type) { messages_.push_back({text, type}); }

std::vector<std::string> MessageRecorder::texts() const {
  std::vector<std::string> out;
  for (const Message& message : messages_) out.push_back(message.text);
  return out;
}

}  // namespace platform
