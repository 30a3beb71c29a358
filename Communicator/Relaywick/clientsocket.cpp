#include "Relaywick/clientsocket.h"

#include <charconv>
#include <cstring>
#include <string>

#include "Lexwick/httpparser.h"
#include "Platform/socketerror.h"
#include "Relaywick/serversocket.h"
#include "Talkwick/kqmlparser.h"
#include "Toolwick/format.h"

CClientSocket::CClientSocket(CServerSocket* server, CWnd* handler)
    : CSocketBase(handler), parser_(std::make_unique<CParser>()), server_(server) {
  set_sockettype(SOCKETTYPE_CLIENT);
  std::strcpy(receive_buffer_, "_empty_buffer");
}

CClientSocket::CClientSocket(CServerSocket* server, CWnd* handler, int /*unused*/)
    : CClientSocket(server, handler) {}

CClientSocket::~CClientSocket() = default;

int CClientSocket::mfc_send(char* text) {
  if (get_dirty() != 0) return -1;
  if (text == nullptr) {
    debug("<CClientSocket> Attempting to send empty message");
    return -1;
  }
  // What is sent: up to the first 0x04 or NUL, that byte included.
  char* const end = strchrnul(text, CMessageFramer::kTerminator);
  if (*end != '\0' && end[1] != '\0') {
    // What follows the 0x04 would reach the peer as a message of its own,
    // or be lost: the text is refused whole.
    debug("<CClientSocket> Message holds the byte 0x04 before its end, not sent");
    return -1;
  }
  const size_t length = static_cast<size_t>(end - text);
  // Every CR and LF a blank; most texts have none.
  for (const char line_end : {'\r', '\n'}) {
    char* at = text;
    while ((at = static_cast<char*>(std::memchr(at, line_end, static_cast<size_t>(end - at))))) {
      *at++ = ' ';
    }
  }
  // A peer that only ended its sending still reads: the text goes to it. One
  // that closed answers with a reset, and the send fails. Within a run, with
  // more of the run's messages queued behind the one taken, the answers go
  // together: the run's end sends what the system held back.
  const bool more_follows = in_run_ && queue_.size() > 1;
  const int sent = SendBuffered(text, static_cast<int>(length + 1), more_follows);
  if (sent < 0) {
    show_error(static_cast<unsigned>(GetLastError()));
    give_up_sending();
    return -1;
  }
  // What the peer has not taken counts against what all connections hold.
  if (GetUnsent() > 0 && !held_within_limit()) return -1;
  return sent;
}

bool CClientSocket::close_when_sent() {
  if (GetUnsent() == 0) return false;
  close_when_sent_ = true;
  return true;
}

void CClientSocket::give_up_sending() {
  // Broken, gone, or cut off in the middle of a message: the stream can
  // carry no further message. What is queued is still handed over.
  set_dirty(1);
  Close();
}

void CClientSocket::OnSend(int code) {
  if (code == 0) {
    recount();  // what went out no longer counts
    if (close_when_sent_) retire();
    return;
  }
  show_error(static_cast<unsigned>(code));
  debug("<CClientSocket> Messages that could not be sent are dropped, connection closed");
  // Closed already; what is queued is still handed over.
  set_dirty(1);
  if (waiting_ == 0) retire();
}

char* CClientSocket::mfc_getdata() {
  if (queue_.empty()) {
    debug("<CClientSocket> Attempting to retrieve data from empty socket");
    return nullptr;
  }
  return queue_.front().text;
}

size_t CClientSocket::get_data_length() const {
  return queue_.empty() ? 0 : queue_.front().length;
}

void CClientSocket::remove_from_queue() {
  debug("<CClientSocket> Removing message from message queue");
  if (queue_.empty()) {
    debug("<CClientSocket> Attempting to remove message from empty channel message queue");
    if (get_dirty() == 0) return;
  } else {
    drop_first();
    recount();
    // Messages still untold wait for a sender to name the connection.
    if (sender_assigned_ != 0 && ready_first()) {
      debug("<CClientSocket> Message queue not empty, signalling agent");
      signal_owner();
    }
  }
  if (queue_.empty()) {
    waiting_ = 0;
    // Nothing queued needs the parse: what a large message left in the
    // parser goes, so that an idle connection holds little.
    parser_->release_storage();
    if (get_dirty() != 0) {
      debug("<CClientSocket> Connection closed or invalid, signalling parent ...");
      retire();
      return;
    }
  }
  if (paused_ && queue_.size() < kMaxQueue) {
    // The notification that was left unread: its data still waits, so
    // this receive does not block.
    paused_ = false;
    OnReceive(0);
  }
}

void CClientSocket::flush() {
  parsed_ = checked_ = 0;
  queue_.clear();
  recount();
}

CClientSocket::Entry* CClientSocket::enqueue(std::string_view text, bool parsed) {
  if (queue_.size() >= kMaxQueue && waiting_ == 0) {
    abandon("<CClientSocket> Message queue is full, closing connection");
    return nullptr;
  }
  Entry& entry = queue_.push(text);
  // Checked while the text is at hand, where the check may stand in for the
  // connection's parse: examine, which may come long after, then needs no
  // look at it. A large text is not in the cache for long anyway, and is
  // checked in examine, when its turn comes.
  if (text.size() <= kCheckedWhenQueued && named_and_kqml()) check(entry);
  if (parsed) parsed_ = entry.number;
  return &entry;
}

void CClientSocket::check(Entry& entry) {
  entry.check = CKQMLParser::parses(entry.text) ? Entry::Check::kParses : Entry::Check::kFails;
}

void CClientSocket::give_back_parse() {
  parsed_ = 0;
  parser_->release_storage();
}

bool CClientSocket::keep_new(Entry& entry) {
  if (sender_assigned_ != 0 || examine(entry)) return true;
  drop_last();
  return false;
}

bool CClientSocket::examine(Entry& entry) {
  entry.examined = true;
  debug("<CClientSocket> Parsing incoming message");
  if (parsed_ != entry.number) {
    // Once the connection is named and reads KQML, the owner parses the
    // message as it reads it, right before it uses the parse: a check
    // stands for the parse (made as a short message was queued, now for a
    // long one), so that the connection keeps no parse of its own, to go
    // cold or to hold a long text a second time until then.
    bool parses;
    if (named_and_kqml()) {
      if (entry.check == Entry::Check::kNone) check(entry);
      parses = entry.check == Entry::Check::kParses;
      checked_ = entry.number;
    } else {
      parses = parser_->parse_message(entry.text) == 1;
      parsed_ = parses ? entry.number : 0;
    }
    if (!parses) {
      debug("<CClientSocket> Corrupted Message, unparsable!");
      return false;
    }
  }
  debug("<CCliientSocket> Done parsing incoming message");
  if (sender_assigned_ != 0) {
    debug("<CClientSocket> Sender already assigned, skipping ...");
    return true;
  }
  const char* sender = parser_->find_sender();
  if (sender == nullptr) {
    debug("<CClientSocket> Corrupted Message (no sender found)");
    // The message waits, untold, for a sender to name the connection; its
    // parse would only hold its text twice meanwhile.
    give_back_parse();
    return true;
  }
  set_agentname(sender);
  debug(sender);
  sender_assigned_ = 1;
  if (entry.length > kCheckedWhenQueued && named_and_kqml()) {
    // Named now, the connection leaves a long message's parse to the owner
    // as it will from now on: the parse has shown that the check passes.
    entry.check = Entry::Check::kParses;
    checked_ = entry.number;
    give_back_parse();
  }
  return true;
}

bool CClientSocket::named_and_kqml() const {
  // With KQML current the parser has no fallback, so that its parse
  // succeeds exactly where the check does; with a debug file attached the
  // parse writes its lines, and runs.
  return sender_assigned_ != 0 && parser_->get_parser_type() == PARSER_KQML &&
         parser_->get_file_pointer() == nullptr;
}

bool CClientSocket::ready_first() {
  while (!queue_.empty()) {
    Entry& first = queue_.front();
    if (first.examined || examine(first)) return true;
    drop_first();
  }
  return false;
}

void CClientSocket::tell_owner() {
  if (sender_assigned_ == 0) return;  // examine said why
  if (!ready_first()) {
    debug("<CClientSocket> No action required, aborting");
    return;
  }
  if (get_handler() == nullptr) {
    debug("<CClientSocket> Socket handler is NULL, config error");
    return;
  }
  if (logging()) {
    // "<CCliientSocket> descriptor [%ld] [<-]", on every message: put
    // together without a format.
    char line[64] = "<CCliientSocket> descriptor [";
    char* end = line + std::strlen(line);
    end = std::to_chars(end, line + sizeof line - 8, get_descriptor()).ptr;
    std::memcpy(end, "] [<-]", 7);
    debug(line);
  }
  debug("<CClientSocket> Signalling CAgentContainer");
  waiting_ = 1;
  signal_owner();
}

void CClientSocket::signal_owner() {
  // Being told of a message is what keeps an accepted connection from
  // counting as idle.
  if (accepted_ && get_registry() != nullptr) get_registry()->note_told(this);
  if (in_run_) {
    notice_held_ = true;
    return;
  }
  signal();
}

void CClientSocket::begin_run() {
  in_run_ = true;
  notice_held_ = false;
}

void CClientSocket::end_run() {
  in_run_ = false;
  PushHeld();
  if (std::exchange(notice_held_, false)) signal();
}

void CClientSocket::drop_first() {
  if (queue_.front().number == parsed_) parsed_ = 0;
  if (queue_.front().number == checked_) checked_ = 0;
  queue_.pop_front();
}

void CClientSocket::drop_last() {
  if (queue_.back().number == parsed_) parsed_ = 0;
  queue_.pop_back();
}

bool CClientSocket::held_within_limit() {
  while (!recount()) {
    CServerSocket* server = get_registry();
    const size_t limit = server->get_limits().held_bytes;
    CClientSocket* holder = server->most_pending(this);
    if (holder == this) {
      abandon(str_format("<CClientSocket> Messages held by the agent would pass [%zu] bytes, "
                         "closing connection",
                         limit)
                  .c_str());
      return false;
    }
    holder->abandon(str_format("<CClientSocket> Messages held by the agent would pass [%zu] "
                               "bytes and this connection holds the most of them that cannot be "
                               "delivered yet, closing connection",
                               limit)
                        .c_str());
  }
  return true;
}

bool CClientSocket::recount() {
  CServerSocket* server = get_registry();
  if (server == nullptr) return true;
  const size_t held = get_held_bytes();
  if (!server->recount(counted_bytes_, held)) return false;
  counted_bytes_ = held;
  return true;
}

void CClientSocket::note_partial(bool message_ended) {
  // The age is that of the message still unfinished: after a message ended
  // in this segment, the one unfinished began in it too.
  if (!framer_.in_message()) {
    partial_since_.reset();
  } else if ((message_ended || !partial_since_) && get_registry() != nullptr) {
    partial_since_ = get_registry()->now();
  }
}

char* CClientSocket::buffer_data(const char* data, unsigned long length) {
  const SegmentParse parse = segment_parse_;
  segment_parse_ = SegmentParse::kNone;
  if (get_dirty() != 0) return nullptr;
  if (data == nullptr) length = 0;
  if (whole_message_ != 0 && parser_->get_parser_type() == PARSER_HTTP) {
    debug("<CClientSocket> HTTP message detected, circumventing defragmentation code");
    if (framer_.in_message()) {
      // A request is no continuation of a KQML message: joined to it, the
      // next message would be lost too.
      debug("<CClientSocket> Partial message dropped, an HTTP request follows it");
      framer_.reset();
      note_partial(false);
    }
    Entry* whole = enqueue(std::string_view(data != nullptr ? data : "",
                                            data != nullptr ? strnlen(data, length) : 0),
                           parse == SegmentParse::kWholeSegment);
    if (whole == nullptr) return nullptr;
    char* text = keep_new(*whole) ? whole->text : nullptr;
    return held_within_limit() ? text : nullptr;
  }
  if (whole_message_ != 0) {
    debug("<CClientSocket> Message is not a HTTP message, assuming full ACL message with trailing "
          "fragment");
  }
  const CMessageFramer::Result& cut = framer_.feed(std::string_view(data ? data : "", length));
  if (cut.overflow) {
    abandon("<CClientSocket> Message is longer than 1048576 bytes, closing connection");
    return nullptr;
  }
  char* last = nullptr;
  for (const CMessageFramer::Message& message : cut.messages) {
    Entry* entry = enqueue(message.text, parse == SegmentParse::kOnlyMessage);
    if (entry == nullptr) return nullptr;
    debug(message.joined ? "<CClientSocket> Partial message now complete, data displayed on next line"
                         : "<CClientSocket> Message complete, data displayed on next line");
    debug(entry->text);
    if (keep_new(*entry)) last = entry->text;
  }
  const bool message_ended = !cut.messages.empty();
  framer_.release_messages();  // copied into the queue
  note_partial(message_ended);
  if (!held_within_limit()) return nullptr;
  switch (cut.tail) {
    case CMessageFramer::Tail::kNone:
      break;
    case CMessageFramer::Tail::kEmptySegment:
      debug("<CClientSocket> Detected end of message at wrong point");
      break;
    case CMessageFramer::Tail::kEmptyText:
      debug("<CClientSocket> Message fragement detected at end of message, storing ...");
      debug("<CClientSocket> Message fragment is of length 0, this message probably originated "
            "from an older client");
      break;
    case CMessageFramer::Tail::kHeld:
      debug("<CClientSocket> Message fragement detected at end of message, storing ...");
      if (logging()) debug(std::string(cut.held).c_str());
      break;
  }
  return last;
}

void CClientSocket::attach_parser_log() {
  if (get_logger() != nullptr) parser_->set_file(get_logger()->get_file_pointer());
}

void CClientSocket::assign_parser(const char* data) {
  parsed_ = 0;
  attach_parser_log();
  if (parser_->parse_message(data) != 1) {
    whole_message_ = 0;
    return;
  }
  debug("<CClientSocket> Parser indicated that message fragment is in fact full message");
  whole_message_ = 1;
  switch (parser_->get_parser_type()) {
    case PARSER_NONE:
      debug("<CClientSocket> Unknown parser");
      break;
    case PARSER_KQML:
      debug("<CClientSocket> KQML parser assigned");
      break;
    case PARSER_XML:
      debug("<CClientSocket> XML parser assigned");
      break;
    case PARSER_HTTP:
      debug("<CClientSocket> HTTP parser assigned");
      break;
    default:
      break;
  }
}

void CClientSocket::judge_segment(int count) {
  segment_parse_ = SegmentParse::kNone;
  // With a debug file attached every parse writes its lines: the segment
  // is parsed as it always was.
  if (get_logger() != nullptr && get_logger()->get_file_pointer() != nullptr) {
    assign_parser(receive_buffer_);
    return;
  }
  attach_parser_log();
  // Once KQML reads the texts, the parser takes none for HTTP again: all the
  // flag could still tell is a KQML message, which changes nothing here.
  if (parser_->get_parser_type() != PARSER_HTTP) return;
  const std::string_view text(receive_buffer_);  // to the first NUL, as a parse reads it
  if (!framer_.in_message() && text.size() == static_cast<size_t>(count) &&
      text.back() == CMessageFramer::kTerminator && CMessageFramer::is_one_message(text) &&
      !CHTTPParser::has_method(receive_buffer_)) {
    // The segment is one message and no request: the parse of the message
    // decides as well, and is the one the message needs.
    parsed_ = 0;
    receive_buffer_[count - 1] = '\0';
    const int parsed = parser_->parse_message(receive_buffer_);
    receive_buffer_[count - 1] = CMessageFramer::kTerminator;
    if (parsed == 1) {
      whole_message_ = 1;
      segment_parse_ = SegmentParse::kOnlyMessage;
      return;
    }
    // Read with its 0x04, a text that fails may pass ("()"), and change
    // what the parser reads texts as: the segment's parse decides.
  }
  assign_parser(receive_buffer_);
  if (whole_message_ != 0 && parser_->get_parser_type() == PARSER_HTTP) {
    segment_parse_ = SegmentParse::kWholeSegment;
  }
}

bool CClientSocket::trade_parse(std::unique_ptr<CParser>& parser) {
  if (queue_.empty() || parser == nullptr ||
      parser->get_parser_type() != parser_->get_parser_type() ||
      parser->get_file_pointer() != nullptr || parser_->get_file_pointer() != nullptr) {
    return false;
  }
  const Entry& front = queue_.front();
  if (parsed_ != 0 && parsed_ == front.number) {
    parser.swap(parser_);
    parsed_ = 0;
    // What the owner's last parse left is of no use here, where it might
    // stay as long as messages keep the queue from emptying.
    parser_->release_storage();
    return true;
  }
  if (checked_ == 0 || checked_ != front.number) return false;
  // Only checked so far: the parse is made now, as the owner reads the
  // message, in a front end that all connections of the thread share with
  // their owners, so that it and the owner's own stay in the cache.
  thread_local std::unique_ptr<CParser> spare;
  if (spare == nullptr) {
    spare = std::make_unique<CParser>();
    spare->read_kqml();
  }
  spare->parse_message(front.text);
  parser.swap(spare);
  checked_ = 0;
  return true;
}

char* CClientSocket::mfc_receive() {
  if (get_dirty() != 0) return nullptr;
  const int count = Receive(receive_buffer_, kReceiveBufferSize);
  if (count < 0) return nullptr;
  set_len(count);
  receive_buffer_[count] = '\0';
  return receive_buffer_;
}

unsigned long CClientSocket::mfc_receive_raw(char* buffer, unsigned length) {
  if (get_dirty() != 0) return static_cast<unsigned long>(-1);
  const int count = Receive(buffer, static_cast<int>(length));
  if (count < 0) return 0;
  set_len(count);
  return static_cast<unsigned long>(count);
}

void CClientSocket::set_reply_with(const char* reply_with) {
  if (get_dirty() != 0 || reply_with == nullptr) return;
  reply_with_.assign(reply_with);  // may be our own text: assign copies it first
  has_reply_with_ = true;
}

void CClientSocket::set_hostname(const char* host) {
  if (get_dirty() == 0 && host != nullptr) hostname_.set(host);
}

void CClientSocket::set_port(unsigned port) {
  if (get_dirty() == 0) port_ = port;
}

void CClientSocket::show_error(unsigned code) {
  const bool known = (code >= platform::WSAEWOULDBLOCK && code <= platform::WSAEREMOTE) ||
                     code == platform::WSASYSNOTREADY || code == platform::WSAVERNOTSUPPORTED ||
                     code == platform::WSANOTINITIALISED || code == platform::WSAEDISCON;
  const char* name = known ? platform::socket_error_name(static_cast<int>(code)) : nullptr;
  debugf("<CClientSocket> Winsock Returned: [%s]", name != nullptr ? name : "UNKNOWN");
}

void CClientSocket::OnReceive(int /*code*/) {
  if (get_dirty() != 0 || peer_closed_) return;
  if (waiting_ != 0 && queue_.size() >= kMaxQueue) {
    // Left unread, so not armed again: remove_from_queue resumes.
    paused_ = true;
    return;
  }
  whole_message_ = 0;
  debug("<CClientSocket> Incoming data");
  const int count = Receive(receive_buffer_, kSegmentSize);
  if (count <= 0) {
    if (count == 0) peer_closed_ = true;
    debug("<CClientSocket> Connection closed by foreign host");
    return;
  }
  set_len(count);
  receive_buffer_[count] = '\0';
  debug("<CClientSocket> Raw data received, displaying on next line");
  debug(receive_buffer_);

  judge_segment(count);
  const char* made = buffer_data(receive_buffer_, static_cast<unsigned long>(count));
  if (get_dirty() != 0) return;  // given up while cutting
  if (made == nullptr) {
    if (whole_message_ == 0) {
      debug("<CClientSocket> No resulting message from current buffer operation");
      return;
    }
    debug("<CClientSocket> Socket indicated a partial message but parser tells us it's done, "
          "probably HTTP request");
  }
  if (waiting_ != 0) {
    debug("<CClientSocket> Just received new data but we're still waiting for the agent to "
          "process the last data");
    return;
  }
  if (queue_.empty()) {
    debug("<CClientSocket> No action required, aborting");
    return;
  }
  tell_owner();
}

void CClientSocket::OnClose(int code) {
  if (get_dirty() != 0) return;
  show_error(static_cast<unsigned>(code));
  if (code == platform::WSAENETDOWN || code == platform::WSAECONNABORTED ||
      code == platform::WSAECONNRESET) {
    set_dirty(1);
  } else {
    peer_closed_ = true;
  }
}

void CClientSocket::abandon(const char* reason) {
  debug(reason);
  framer_.reset();
  partial_since_.reset();
  // The owner was told of the first message and will still come for it.
  const size_t kept = waiting_ != 0 ? 1 : 0;
  while (queue_.size() > kept) drop_last();
  recount();
  set_dirty(1);
  Close();
  if (waiting_ == 0) retire();
}

void CClientSocket::retire() {
  if (server_ != nullptr) server_->remove_connection(this);
}
