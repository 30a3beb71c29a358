// CConversationLog: the station's last messages each way, which the
// administration sheet's conversation page shows: incoming ones as they
// came, outgoing ones as the performative, receiver and content the station
// sent. Each way keeps its last messages, the oldest first: at most kKept,
// together at most kKeptBytes, each whole (one longer than kKeptBytes cut
// to it).
//
// CLoggingDispatcher notes each received message before the station's
// dispatcher runs it, as the text the parse read (its words and keyword
// values, one blank between each); CLoggingStationAgent is the station agent that notes
// each message it is asked to send.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "TesselStationCore/boundedlines.h"
#include "TesselStationCore/stationagent.h"

class CConversationLog {
 public:
  static constexpr size_t kKept = 200;
  static constexpr size_t kKeptBytes = size_t{4} << 20;

  struct Outgoing {
    std::string performative;
    std::string receiver;
    std::string content;

    static size_t Bytes(const Outgoing& sent);
  };

  // Null texts are kept as "".
  void AddIncoming(const char* text);
  void AddOutgoing(const char* performative, const char* receiver, const char* content);
  const std::deque<std::string>& GetIncoming() const { return incoming_.Get(); }
  const std::deque<Outgoing>& GetOutgoing() const { return outgoing_.Get(); }
  // What each way holds, at most kKeptBytes.
  size_t GetIncomingBytes() const { return incoming_.Bytes(); }
  size_t GetOutgoingBytes() const { return outgoing_.Bytes(); }

 private:
  static size_t Bytes(const std::string& text) { return text.size(); }

  CBoundedLines<std::string, &CConversationLog::Bytes> incoming_{kKeptBytes, kKept};
  CBoundedLines<Outgoing, &Outgoing::Bytes> outgoing_{kKeptBytes, kKept};
};

class CLoggingDispatcher : public CStationDispatcher {
 public:
  // The log is not owned and must outlive the dispatcher.
  CLoggingDispatcher(CConversationLog& log, std::unique_ptr<CStationDispatcher> next);
  void dispatch(CParser& message) override;

 private:
  CConversationLog& log_;
  std::unique_ptr<CStationDispatcher> next_;
};

class CLoggingStationAgent : public CStationAgent {
 public:
  // The log is not owned and must outlive the agent.
  CLoggingStationAgent(const char* name, CConversationLog& log);
  int SendAgentMessage(const char* performative, const char* receiver,
                       const char* content) override;

 private:
  CConversationLog& log_;
};
