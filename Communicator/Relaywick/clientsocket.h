// CClientSocket: one TCP connection between two agents. It cuts the
// received bytes into messages at every 0x04 (CMessageFramer), queues them
// and tells the handler window of them one at a time:
//
//   WM_SOCKET_NOTIFY (wParam 1, lParam descriptor)  -> the owner finds the
//   connection by its descriptor, reads mfc_getdata(), and calls
//   remove_from_queue(), which tells it again while messages remain.
//
// An owner may take a run of messages for one notification (begin_run):
// the next one is then told within the run, and the connection's state is
// still in the cache when it is taken.
//
// Each message is parsed before the owner is told of it: one that cannot be
// parsed is logged and dropped, and those around it still come in order.
// Once the connection is named and reads KQML, that is a check only, and the
// owner makes the parse it uses as it reads the message.
// Until the connection has a name, it reads every message as it arrives and
// names itself after the sender of the first that has one, so that the
// agent's replies to that sender reuse it; the messages before it wait,
// untold, until then.
//
// Sending never waits: what the system does not take at once waits in the
// connection's outgoing buffer and goes as the peer reads (CAsyncSocket::
// SendBuffered), and an outgoing connection is made without waiting for it.
//
// A connection that broke is dirty: it is neither read nor sent to any
// more, but hands over what it had queued. A send that fails makes it dirty
// too, and so does a peer that takes none of the waiting bytes for
// CAsyncSocket::kBlockingTimeoutMs, or a send that would take the outgoing
// buffer past CAsyncSocket::kMaxSendBuffer: whatever part went out, the
// stream now holds a cut message. One whose peer ended its stream is no
// longer read, but is still sent to when no other connection of its agent
// is open (the peer may only have ended its sending); a peer that closed
// answers that with a reset, which fails the send. A dirty one is removed
// by its server once its owner has taken its last message
// (remove_from_queue); both kinds are removed by the server's sweep when
// the owner is not handling one of their messages and nothing waits to be
// sent.
//
// Bounds: a message beyond CMessageFramer::kMaxMessage bytes makes the
// connection dirty at once, and so does a queue of kMaxQueue messages of
// which the owner is not told (no sender named). Data received or sent that
// would take what all connections of the server hold past its limit closes
// the connection that holds the most bytes that cannot go on yet (partial
// and untold messages, and what its peer has not taken of what was sent),
// this one when no other holds more. While the owner is
// taking messages, a queue of kMaxQueue stops the reading instead, until the
// owner has made room; the peer then waits on TCP's flow control.
//
// The server socket is not owned and must outlive the connection's
// notifications (the server deletes its connections when it goes).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "Lexwick/parser.h"
#include "Relaywick/receivedqueue.h"
#include "Relaywick/socketbase.h"
#include "Talkwick/messageframer.h"
#include "Toolwick/heaptext.h"

class CServerSocket;

class CClientSocket : public CSocketBase {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr int kMaxQueue = 256;
  // Bytes taken by one receive of a notification.
  static constexpr int kSegmentSize = 2047;
  // The longest message that a named KQML connection checks as it queues
  // it; a longer one is checked when its turn comes. Either way the owner
  // makes the parse (see examine).
  static constexpr size_t kCheckedWhenQueued = 4096;
  static constexpr int kReceiveBufferSize = 2048;

  CClientSocket(CServerSocket* server, CWnd* handler);
  CClientSocket(CServerSocket* server, CWnd* handler, int unused);
  ~CClientSocket() override;

  // Turns every CR and LF of `text` into a blank, in place, up to and
  // including its first 0x04 or NUL, and sends exactly those bytes without
  // waiting. The count taken (sent, or kept to be sent), or -1 (dirty, null
  // text, a text with a 0x04 before its end, failed send); after a failed
  // send the connection is dirty and closed.
  int mfc_send(char* text);
  // For a connection that nobody will find again: true when bytes still
  // wait to go, and the connection then asks its server to remove it once
  // they went; false when nothing waits.
  bool close_when_sent();
  // The first queued message, owned by the queue until remove_from_queue;
  // null when the queue is empty.
  char* mfc_getdata();
  // The length of mfc_getdata()'s text; 0 when the queue is empty.
  size_t get_data_length() const;
  // Drops the first queued message and tells the owner of the next one.
  void remove_from_queue();
  // Between begin_run and end_run the connection holds its notifications
  // back: next_in_run answers, once for each, whether one was held, so that
  // the owner takes that message at once; end_run posts a notification still
  // held, and what is left waits its turn behind other connections. What
  // is sent to the connection meanwhile while more of its messages are
  // queued may wait in the system for the next send; end_run sends it.
  void begin_run();
  bool next_in_run() { return std::exchange(notice_held_, false); }
  void end_run();
  // Drops every queued message.
  void flush();

  // Cuts `length` bytes of `data` into messages and queues them; the text of
  // the last message queued (owned by the queue), or null.
  char* buffer_data(const char* data, unsigned long length);
  // Parses the segment `data` to learn whether it is a whole message.
  void assign_parser(const char* data);
  CParser* get_parser() const { return parser_.get(); }
  // Spares the owner a second parse of the message it was told of: when
  // the parser holds the parse of the first queued message (made as the
  // owner was told of it), or that message was only checked, `parser`
  // reads texts as the connection's parser does and neither logs anywhere,
  // it gives `parser` a front end that holds that parse, as if `parser`
  // had read the message itself, and returns true, once per message; this
  // connection's next parse goes on as before. Otherwise false, and
  // nothing changes.
  //
  // A parse that made KQML the parser's current one leaves it reading texts
  // as a front end with KQML current already does: what its HTTP member
  // keeps no query reaches any more.
  bool trade_parse(std::unique_ptr<CParser>& parser);

  // Receives up to kReceiveBufferSize bytes into the receive buffer, which
  // it returns as text (owned, valid until the next receive); null when
  // dirty or on error.
  char* mfc_receive();
  // Receives into the caller's buffer: the count, 0 on error, -1 when dirty.
  unsigned long mfc_receive_raw(char* buffer, unsigned length);

  // The setters keep a copy; they are ignored when dirty or for null.
  void set_reply_with(const char* reply_with);
  char* get_reply_with() { return has_reply_with_ ? reply_with_.data() : nullptr; }
  void set_hostname(const char* host);
  char* get_hostname() const { return hostname_.get(); }
  void set_port(unsigned port);
  unsigned get_port() const { return port_; }

  // Logs the Windows Sockets name of `code`.
  void show_error(unsigned code);

  // 1 while the owner has been told of a message and has not removed it.
  int is_waiting() const { return waiting_; }
  // True once the peer closed the connection.
  bool is_peer_closed() const { return peer_closed_; }
  int get_queue_size() const { return static_cast<int>(queue_.size()); }
  // The bytes of the queued messages, of the partial one and of those that
  // wait to be sent.
  size_t get_held_bytes() const { return queue_.bytes() + framer_.held_size() + GetUnsent(); }
  // Of those, the bytes that cannot go on yet: the partial message, the
  // queued ones while no sender has named the connection, and what the peer
  // has not taken of what was sent to it.
  size_t get_pending_bytes() const {
    return framer_.held_size() + (sender_assigned_ != 0 ? 0 : queue_.bytes()) + GetUnsent();
  }

 protected:
  void OnReceive(int code) override;
  void OnClose(int code) override;
  void OnSend(int code) override;

 private:
  using Entry = ReceivedQueue::Entry;

  // Step 4 of a receive (OnReceive): whether the segment of `count` bytes in
  // the receive buffer is a whole message by itself.
  void judge_segment(int count);
  // Gives the parser the logger's debug file.
  void attach_parser_log();
  // Appends a message; `parsed`: the parser holds the parse of this text.
  // Null, and the connection given up, when kMaxQueue messages wait that
  // the owner is not told of.
  Entry* enqueue(std::string_view text, bool parsed);
  // Parses the message (unless the parser holds its parse already) and,
  // while the connection has no name, names it after its sender; false when
  // it cannot be parsed. A named connection whose parser reads KQML and logs
  // nowhere only checks it. The parse of a message longer than
  // kCheckedWhenQueued is not kept, nor that of one that names nobody.
  bool examine(Entry& entry);
  // Whether the text parses as KQML, into entry.check.
  static void check(Entry& entry);
  // Drops the parse the parser holds, and what storage it took.
  void give_back_parse();
  bool named_and_kqml() const;
  // Drops unparsable messages from the head of the queue until one can be
  // told; false when none is left.
  bool ready_first();
  // While the connection has no name, examines the message just queued,
  // which is dropped when unparsable; false when it was.
  bool keep_new(Entry& entry);
  // Tells the owner of the first queued message, once it is ready.
  void tell_owner();
  // Posts the notification of the first queued message.
  void signal_owner();
  // Gives the connection up: drops what it holds, marks it dirty, closes it
  // and, unless the owner is handling its first message, has it removed.
  void abandon(const char* reason);
  // Removes this connection through its server; touches nothing afterwards.
  void retire();
  // Marks the connection dirty and closes it after a send that failed.
  void give_up_sending();
  // Tells the server whose list holds the connection of a change of
  // get_held_bytes(); false when the total of its connections would pass
  // its limit.
  bool recount();
  // recount(); when the total would pass the limit, the connection holding
  // the most pending bytes is given up until it fits: false when that was
  // this one.
  bool held_within_limit();
  // Drop the first or the last queued message.
  void drop_first();
  void drop_last();
  // Starts or ends the age of the partial message after a segment was cut;
  // `message_ended`: a message ended in the segment.
  void note_partial(bool message_ended);

  // The server's bookkeeping: its own count of this connection's bytes
  // while the connection is in its list; for an accepted connection, when
  // it was accepted or last told its owner of a message, and its running
  // count of messages told when it told the last one (0: none yet); when
  // the partial message began; its running count of sends when one last
  // used it.
  friend class CServerSocket;
  size_t counted_bytes_ = 0;
  bool accepted_ = false;
  Clock::time_point last_active_{};
  uint64_t told_ = 0;
  std::optional<Clock::time_point> partial_since_;
  uint64_t used_ = 0;

  std::unique_ptr<CParser> parser_;
  // The number of the queued message whose parse the parser holds, 0 for
  // anything else.
  uint64_t parsed_ = 0;
  // The number of the first queued message when examine only checked it and
  // no trade_parse has parsed it since, 0 for anything else.
  uint64_t checked_ = 0;
  // What judge_segment left the parser holding, for buffer_data: the parse
  // of the segment's text, or of the one message the segment is.
  enum class SegmentParse { kNone, kWholeSegment, kOnlyMessage };
  SegmentParse segment_parse_ = SegmentParse::kNone;
  ReceivedQueue queue_;
  CMessageFramer framer_;
  CServerSocket* server_;
  char receive_buffer_[kReceiveBufferSize + 1];
  // Set from every message the owner reads: the storage is kept from one
  // message to the next.
  std::string reply_with_;
  bool has_reply_with_ = false;
  HeapText hostname_{"unknown host"};
  unsigned port_ = 0;
  int waiting_ = 0;
  int sender_assigned_ = 0;
  int whole_message_ = 0;
  bool peer_closed_ = false;
  bool paused_ = false;  // a notification left unread while the queue is full
  bool in_run_ = false;       // between begin_run and end_run
  bool notice_held_ = false;  // a notification held back within the run
  bool close_when_sent_ = false;
};
