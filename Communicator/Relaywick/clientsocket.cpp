#include "Relaywick/clientsocket.h"

#include <charconv>
#include <cstring>
#include <string>

#include "Platform/socketerror.h"
#include "Relaywick/serversocket.h"
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
  // Up to the first 0x04 or NUL, every CR and LF turned into a blank.
  size_t length = 0;
  for (;;) {
    length += std::strcspn(text + length, "\r\n\x04");
    if (text[length] != '\r' && text[length] != '\n') break;
    text[length++] = ' ';
  }
  // A peer that only ended its sending still reads: the text goes to it. One
  // that closed answers with a reset, and the send fails.
  const int sent = SendBuffered(text, static_cast<int>(length + 1));
  if (sent < 0) {
    show_error(static_cast<unsigned>(GetLastError()));
    give_up_sending();
    return -1;
  }
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
  CListElement* first = queue_.get_element(0);
  if (first == nullptr) {
    debug("<CClientSocket> Attempting to retrieve data from empty socket");
    return nullptr;
  }
  return first->get_name();
}

void CClientSocket::remove_from_queue() {
  debug("<CClientSocket> Removing message from message queue");
  if (queue_.get_nr_elements() == 0) {
    debug("<CClientSocket> Attempting to remove message from empty channel message queue");
    if (get_dirty() == 0) return;
  } else {
    delete_queued(queue_.get_element(0));
    recount();
    if (queue_.get_nr_elements() > 0) {
      debug("<CClientSocket> Message queue not empty, signalling agent");
      signal();
    }
  }
  if (queue_.get_nr_elements() == 0) {
    waiting_ = 0;
    if (get_dirty() != 0) {
      debug("<CClientSocket> Connection closed or invalid, signalling parent ...");
      retire();
      return;
    }
  }
  if (paused_ && queue_.get_nr_elements() < kMaxQueue) {
    // The notification that was left unread: its data still waits, so
    // this receive does not block.
    paused_ = false;
    OnReceive(0);
  }
}

void CClientSocket::flush() {
  parsed_ = nullptr;
  queue_.delete_list();
  queued_bytes_ = 0;
  recount();
}

CListElement* CClientSocket::enqueue(const char* text) {
  if (queue_.get_nr_elements() >= kMaxQueue && waiting_ == 0) {
    abandon("<CClientSocket> Message queue is full, closing connection");
    return nullptr;
  }
  completed_ = true;
  queued_bytes_ += std::strlen(text);
  return queue_.add_element(new CListElement(text));
}

void CClientSocket::delete_queued(CListElement* message) {
  if (message == parsed_) parsed_ = nullptr;
  if (message->get_name() != nullptr) queued_bytes_ -= std::strlen(message->get_name());
  queue_.delete_element(message);
}

bool CClientSocket::held_within_limit() {
  if (recount()) return true;
  abandon(str_format("<CClientSocket> Messages held by the agent would pass [%zu] bytes, closing "
                     "connection",
                     get_registry()->get_limits().held_bytes)
              .c_str());
  return false;
}

bool CClientSocket::recount() {
  CServerSocket* server = get_registry();
  if (server == nullptr) return true;
  const size_t held = get_held_bytes();
  if (!server->recount(counted_bytes_, held)) return false;
  counted_bytes_ = held;
  return true;
}

CListElement* CClientSocket::buffer_data(const char* data, unsigned long length) {
  if (get_dirty() != 0) return nullptr;
  if (data == nullptr) length = 0;
  if (whole_message_ != 0 && parser_->get_parser_type() == PARSER_HTTP) {
    debug("<CClientSocket> HTTP message detected, circumventing defragmentation code");
    CListElement* whole =
        enqueue(std::string(data ? data : "", data ? strnlen(data, length) : 0).c_str());
    return whole != nullptr && held_within_limit() ? whole : nullptr;
  }
  if (whole_message_ != 0) {
    debug("<CClientSocket> Message is not a HTTP message, assuming full ACL message with trailing "
          "fragment");
  }
  CMessageFramer::Result cut = framer_.feed(std::string_view(data ? data : "", length));
  if (cut.overflow) {
    abandon("<CClientSocket> Message is longer than 1048576 bytes, closing connection");
    return nullptr;
  }
  CListElement* last = nullptr;
  for (const CMessageFramer::Message& message : cut.messages) {
    last = enqueue(message.text.c_str());
    if (last == nullptr) return nullptr;
    debug(message.joined ? "<CClientSocket> Partial message now complete, data displayed on next line"
                         : "<CClientSocket> Message complete, data displayed on next line");
    debug(message.text.c_str());
  }
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
      debug(std::string(cut.held).c_str());
      break;
  }
  return last;
}

void CClientSocket::assign_parser(const char* data) {
  parsed_ = nullptr;
  if (get_logger() != nullptr) parser_->set_file(get_logger()->get_file_pointer());
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

bool CClientSocket::trade_parse(std::unique_ptr<CParser>& parser) {
  if (parsed_ == nullptr || parsed_ != queue_.get_element(0) || parser == nullptr ||
      parser->get_parser_type() != parser_->get_parser_type() ||
      parser->get_file_pointer() != nullptr || parser_->get_file_pointer() != nullptr) {
    return false;
  }
  parser.swap(parser_);
  parsed_ = nullptr;
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
  if (get_dirty() == 0 && reply_with != nullptr) reply_with_.set(reply_with);
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
  if (waiting_ != 0 && queue_.get_nr_elements() >= kMaxQueue) {
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

  assign_parser(receive_buffer_);
  CListElement* made = buffer_data(receive_buffer_, static_cast<unsigned long>(count));
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
  if (queue_.get_nr_elements() == 0) {
    debug("<CClientSocket> No action required, aborting");
    return;
  }

  debug("<CClientSocket> Parsing incoming message");
  // A segment that made no message leaves the newest queued one to name
  // the sender.
  CListElement* message = made != nullptr ? made : queue_.get_last_element();
  const int32_t reads_as = parser_->get_parser_type();
  if (parser_->parse_message(message->get_name()) != 1) {
    debug("<CClientSocket> Corrupted Message, unparsable!");
    return;
  }
  if (parser_->get_parser_type() == reads_as) parsed_ = message;
  debug("<CCliientSocket> Done parsing incoming message");

  if (sender_assigned_ != 0) {
    debug("<CClientSocket> Sender already assigned, skipping ...");
  } else {
    const char* sender = parser_->find_sender();
    if (sender == nullptr) {
      debug("<CClientSocket> Corrupted Message (no sender found)");
      return;
    }
    set_agentname(sender);
    debug(sender);
    sender_assigned_ = 1;
  }

  if (get_handler() == nullptr) {
    debug("<CClientSocket> Socket handler is NULL, config error");
    return;
  }
  if (get_logger() != nullptr) {
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
  signal();
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
  // The owner was told of the first message and will still come for it.
  const int kept = waiting_ != 0 ? 1 : 0;
  while (queue_.get_nr_elements() > kept) delete_queued(queue_.get_last_element());
  recount();
  set_dirty(1);
  Close();
  if (waiting_ == 0) retire();
}

void CClientSocket::retire() {
  if (server_ != nullptr) server_->remove_connection(this);
}
