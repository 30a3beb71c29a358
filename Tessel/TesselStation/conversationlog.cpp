#include "TesselStation/conversationlog.h"

#include <string_view>

#include "Lexwick/parser.h"
#include "Toolwick/format.h"

namespace {

// The parsed message as one text: its tokens, each with its value, in the
// order they came.
std::string ReadText(CParser& message) {
  std::string text = "(";
  const char* value = message.listall_getfirst_contents();
  for (const char* token = message.listall_getfirst_token(); token != nullptr;
       token = message.listall_getnext_token(), value = message.listall_getnext_contents()) {
    if (text.size() > 1) text += ' ';
    text += token;
    if (value != nullptr) text += std::string(" ") + value;
  }
  return text + ")";
}

// At most `bytes` of a text; "" for null.
std::string Cut(const char* text, size_t bytes) {
  const std::string_view whole = text != nullptr ? text : "";
  return std::string(whole.substr(0, bytes));
}

}  // namespace

size_t CConversationLog::Outgoing::Bytes(const Outgoing& sent) {
  return sent.performative.size() + sent.receiver.size() + sent.content.size();
}

void CConversationLog::AddIncoming(const char* text) { incoming_.Add(Cut(text, kKeptBytes)); }

void CConversationLog::AddOutgoing(const char* performative, const char* receiver,
                                   const char* content) {
  // Performative and receiver are words; the content takes what is left.
  Outgoing sent{Cut(performative, kKeptBytes / 4), Cut(receiver, kKeptBytes / 4), ""};
  sent.content = Cut(content, kKeptBytes - sent.performative.size() - sent.receiver.size());
  outgoing_.Add(std::move(sent));
}

CLoggingDispatcher::CLoggingDispatcher(CConversationLog& log,
                                       std::unique_ptr<CStationDispatcher> next)
    : log_(log), next_(std::move(next)) {}

void CLoggingDispatcher::dispatch(CParser& message) {
  log_.AddIncoming(ReadText(message).c_str());
  if (next_ != nullptr) next_->dispatch(message);
}

CLoggingStationAgent::CLoggingStationAgent(const char* name, CConversationLog& log)
    : CStationAgent(name), log_(log) {}

int CLoggingStationAgent::SendAgentMessage(const char* performative, const char* receiver,
                                           const char* content) {
  log_.AddOutgoing(performative, receiver, content);
  return CStationAgent::SendAgentMessage(performative, receiver, content);
}
