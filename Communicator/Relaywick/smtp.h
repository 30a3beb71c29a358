// CSMTP: sends one mail over SMTP with the blocking socket of the caller's
// thread:
//   SetHost, SetFrom, Connect, Mail, SetTo (per recipient), Data, Disconnect
// each step only after the previous one gave 1. The socket is made with the
// object, so one object serves one connection.
//
// Every reply is read whole (its continuation lines "ddd-" up to the last
// line "ddd ") within the reply timeout. A reply with the wrong code, or
// none, gives 0 and the error message.
//
// Texts returned are owned by the object and valid until it next changes
// them.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "Platform/asyncsocket.h"

// CSMTPReplyReader: cuts the bytes that come from a mail server into whole
// replies, whatever pieces they arrive in. A line ends at LF; a reply is its
// lines up to the first that does not begin "ddd-". A reply is kept to its
// first kMaxReply bytes: the rest of it is read and dropped, so that the next
// reply given is the server's next one.
class CSMTPReplyReader {
 public:
  static constexpr size_t kMaxReply = 65536;

  void append(const char* bytes, size_t size);
  // Moves the oldest whole reply not given yet to `reply`; false when none.
  bool next(std::string* reply);
  // What came of the reply being read (none came whole yet), and starts afresh.
  std::string rest();

 private:
  std::deque<std::string> done_;
  std::string reply_;      // the reply being read, at most kMaxReply bytes
  std::string line_head_;  // the first four bytes of its current line
  bool cut_ = false;       // reply_ is full: the rest of the reply is dropped
};

class CSMTP {
 public:
  static constexpr unsigned kDefaultPort = 25;
  static constexpr int kDefaultTimeoutMs = 30000;

  CSMTP();
  virtual ~CSMTP() = default;
  CSMTP(const CSMTP&) = delete;
  CSMTP& operator=(const CSMTP&) = delete;

  void SetHost(const char* host) { host_ = host != nullptr ? host : ""; }
  const char* GetHost() const { return host_.c_str(); }
  void SetFrom(const char* sender) { sender_ = sender != nullptr ? sender : ""; }
  const char* GetFrom() const { return sender_.c_str(); }
  // The server's port (25 unless set).
  void SetPort(unsigned port) { port_ = port; }
  // How long one reply may take in all.
  void SetTimeout(int milliseconds) { timeout_ms_ = milliseconds; }

  // Connect(host, sender) with the stored host and sender.
  int Connect();
  // Connects, expects 220, sends "HELO <helo>", expects 250.
  int Connect(const char* host, const char* helo);
  int Mail();
  // "MAIL FROM:<sender>", expects 250.
  int Mail(const char* sender);
  // Adds the recipient and sends "RCPT TO:<recipient>", expects 250.
  int SetTo(const char* recipient);
  // The recipients in the order added, then "No more To available".
  const char* GetTo();
  // "DATA", expects 354, then the subject line, the body (lines that begin
  // with '.' get a second one) and the end of data, and expects 250: the
  // server has taken the mail.
  int Data(const char* subject, const char* body);
  // "QUIT ", expects 221.
  int Disconnect();

  const char* GetErrorMessage() const { return error_.c_str(); }
  // The text for the reply code with which `response` begins.
  static std::string GetError(const char* response);

 private:
  // Reads the reply of the step `kind` and compares its code; 1 or 0.
  int CheckResponse(int kind);
  // The next whole reply, or what came of it before the timeout or close.
  std::string read_reply();
  // Sends all of `text`; false (with the error message) when it fails.
  bool send_text(const std::string& text);

  std::string error_;
  std::vector<std::string> recipients_;
  std::string sender_;
  CSocket socket_;
  std::string host_;
  size_t cursor_ = 0;
  unsigned port_ = kDefaultPort;
  int timeout_ms_ = kDefaultTimeoutMs;
  CSMTPReplyReader replies_;
};
