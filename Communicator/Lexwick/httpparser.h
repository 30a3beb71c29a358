// CHTTPParser: reads an HTTP request (from an agent's port or a discovery
// datagram) into its lines and header fields and recognises the method. The
// front end tries it first; the discovery parser derives from it and adds its
// own methods through process_additional.
//
//   GET /a HTTP/1.0        -> field GET  = "/a HTTP/1.0", method 2
//   Host: server           -> field Host = "server"
//
// The lists of CParserBase stay null: the lines and fields live in lists of
// this class, owned by it and rebuilt by every parse. Texts returned are owned
// by the parser and valid until its next parse or its destruction.
//
// The lines and fields are records in storage that the parser keeps from one
// parse to the next, named and valued by texts in its own copy of the input.
// Callers read and walk the lists; they never add, unlink or delete an element.
#pragma once

#include <cstdint>

#include "Toolwick/elementpool.h"
#include "Toolwick/llist.h"
#include "Toolwick/parserbase.h"
#include "Toolwick/textbuffer.h"

// Request method codes (get_method). Codes from 10 up belong to subclasses.
enum : int32_t {
  HTTP_METHOD_NONE = 0,
  HTTP_METHOD_OPTIONS = 1,
  HTTP_METHOD_GET = 2,
  HTTP_METHOD_HEAD = 3,
  HTTP_METHOD_POST = 4,
  HTTP_METHOD_PUT = 5,
  HTTP_METHOD_DELETE = 6,
  HTTP_METHOD_TRACE = 7,
  HTTP_METHOD_CONNECT = 8,
};

class CHTTPParser : public CParserBase {
 public:
  // Named "HTTP Parser v0.29", parser type 3, method 0.
  CHTTPParser();
  ~CHTTPParser() override;

  // Parses like parse_message but keeps the method code it had when nothing
  // is recognised; always 1, whatever the text.
  int parsable(const char* text) override;
  // Clears the method and parses; 1 when a method was recognised.
  int parse_message(const char* text) override;
  // Always "HTTPCLIENT" / "HTTPREPLY".
  char* find_sender() override;
  char* find_reply_with() override;
  // Whether parse_message of this class would recognise a standard method
  // in `text`: some line of it begins with a method name followed by a blank
  // or ':'. Cheaper than the parse, for telling a text that cannot be a
  // request (a KQML message) from one that may be.
  static bool has_method(const char* text);
  // Called by process_fields when no standard method is present; subclasses
  // recognise their own methods here and set_method their codes.
  virtual void process_additional() {}

  // The value of the field named exactly so ("/a HTTP/1.0" for the request
  // line GET /a HTTP/1.0); null when the request has no such field.
  char* find_OPTIONS() { return find_field("OPTIONS"); }
  char* find_GET() { return find_field("GET"); }
  char* find_HEAD() { return find_field("HEAD"); }
  char* find_POST() { return find_field("POST"); }
  char* find_PUT() { return find_field("PUT"); }
  char* find_DELETE() { return find_field("DELETE"); }
  char* find_TRACE() { return find_field("TRACE"); }
  char* find_CONNECT() { return find_field("CONNECT"); }
  // The value of the first field named exactly `name`; null when none.
  char* find_field(const char* name) const;

  void set_method(int32_t method) { method_ = method; }
  int32_t get_method() const { return method_; }
  // Sets the method from the first standard method (in code order) that is
  // present as a field, a header named like one included; otherwise calls
  // process_additional and leaves the method as it is.
  void process_fields();
  // No error reply is composed: always null.
  char* create_error_reply(int code);

  // Forgets the last text and gives back what a large one left behind.
  void release_storage();

  // One plain element per line of the last text, named by the whole line.
  CLList* get_lines() { return &lines_; }
  // One CParameter per line that holds a field name (the text before its
  // first blank or ':'), valued by the rest without its leading blanks.
  CLList* get_elements() { return &elements_; }

 private:
  void parse_lines(const char* text);
  void discard_lines();

  // Two copies of the text: the lines are ended in the first, the fields
  // are cut out of the second.
  TextBuffer input_;
  ElementPool records_;
  CLList lines_{"<CHTTPParser> tokens"};
  CLList elements_{"<CHTTPParser> elements"};
  int32_t method_ = HTTP_METHOD_NONE;
  char sender_[sizeof "HTTPCLIENT"] = "HTTPCLIENT";
  char reply_with_[sizeof "HTTPREPLY"] = "HTTPREPLY";
};
