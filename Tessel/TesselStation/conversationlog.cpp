#include "TesselStation/conversationlog.h"

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

template <typename Entry>
void Keep(std::deque<Entry>* kept, Entry entry) {
  kept->push_back(std::move(entry));
  if (kept->size() > CConversationLog::kKept) kept->pop_front();
}

}  // namespace

void CConversationLog::AddIncoming(const char* text) { Keep(&incoming_, text_or_empty(text)); }

void CConversationLog::AddOutgoing(const char* performative, const char* receiver,
                                   const char* content) {
  Keep(&outgoing_,
       Outgoing{text_or_empty(performative), text_or_empty(receiver), text_or_empty(content)});
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
