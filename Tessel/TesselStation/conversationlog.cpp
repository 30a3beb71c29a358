#include "TesselStation/conversationlog.h"

#include "Toolwick/format.h"

namespace {

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

void CLoggingDispatcher::dispatch(const char* text) {
  log_.AddIncoming(text);
  if (next_ != nullptr) next_->dispatch(text);
}

CLoggingStationAgent::CLoggingStationAgent(const char* name, CConversationLog& log)
    : CStationAgent(name), log_(log) {}

int CLoggingStationAgent::SendAgentMessage(const char* performative, const char* receiver,
                                           const char* content) {
  log_.AddOutgoing(performative, receiver, content);
  return CStationAgent::SendAgentMessage(performative, receiver, content);
}
