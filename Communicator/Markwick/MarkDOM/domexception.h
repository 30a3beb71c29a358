// DOMException: the one failure report of the document model. Every failing
// document, node or parser operation throws it; the message is fixed by the
// code when the exception is made.
#pragma once

#include <exception>

// Codes with a message of their own; any other code has an empty message.
enum DOMErrorCode {
  DOM_NOT_FOUND_ERR = 8,        // a node that is not where the operation needs it
  DOM_NO_NODE_ERR = 100,        // a handle that holds no node
  DOM_FILE_ERR = 101,           // a document file that cannot be read
  DOM_CANNOT_DELETE_ERR = 102,  // no operation reports it; kept for its message
  DOM_PARSE_ERR = 103,          // a text that is not well formed
  DOM_NO_MEMORY_ERR = 104,      // an allocation failed
};

class DOMException : public std::exception {
 public:
  static constexpr int kMaxMessage = 500;

  explicit DOMException(int code);

  int getCode() const noexcept { return code_; }
  // The message of the code, owned by the exception ("" for other codes).
  const char* getMessage() const noexcept { return message_; }
  const char* what() const noexcept override { return message_; }

 private:
  int code_;
  // A fixed buffer, so that copying the exception never allocates.
  char message_[kMaxMessage + 1];
};
