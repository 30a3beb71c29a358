// CMeeting: an appointment that scheduling agents exchange -- profile,
// start time, duration, subject, body, location and attendees -- with the
// text form of its message content:
//   tell :command appointment :profile (%s) :start (%s) :duration (%d)
//        :subject (%s) :body (%s) :location (%s) :requiredAttendees (%s)
//        :optionalAttendees ()
// The start is CKelTime's compact form "day-month-year-hour-minute-second",
// the attendees are names separated by commas.
//
// What the meeting writes reads back as written: a text goes in parentheses
// where it reads back so, else as a KQML string (in quotes, '\' and '"'
// escaped), and the attendees likewise as one text. A text that no form
// could carry (a tab or a line end; for an attendee also a comma) is
// refused when set.
//
// CParticipant: one attendee, named by the attendee, with a payment note.
#pragma once

#include <memory>

#include "Relaywick/keltime.h"
#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CParticipant : public CListElement {
 public:
  CParticipant() = default;
  explicit CParticipant(const char* name) : CListElement(name) {}

  // Keeps a copy; null clears it.
  void set_paid(const char* paid) { paid_.set(paid); }
  char* get_paid() const { return paid_.get(); }

 private:
  HeapText paid_;
};

// The attendees are the list's elements (CParticipant), owned by it.
class CMeeting : public CLList {
 public:
  // Duration 1, no time, no texts, no attendees.
  CMeeting() = default;

  // Takes `time` over (the one held before goes); null leaves none.
  void set_time(CKelTime* time) { time_.reset(time); }
  CKelTime* get_time() const { return time_.get(); }
  // Keep a copy and give 1; null clears the text. A text that the written
  // form could not carry is refused: 0, the field stays as it was.
  int set_profile(const char* text) { return set_text(profile_, text); }
  int set_subject(const char* text) { return set_text(subject_, text); }
  int set_body(const char* text) { return set_text(body_, text); }
  int set_location(const char* text) { return set_text(location_, text); }
  char* get_profile() const { return profile_.get(); }
  char* get_subject() const { return subject_.get(); }
  char* get_body() const { return body_.get(); }
  char* get_location() const { return location_.get(); }
  void set_duration(int duration) { duration_ = duration; }
  int get_duration() const { return duration_; }

  // Reads an appointment: profile, subject, body and location without their
  // parentheses (a string: its text), the duration's leading integer, and
  // the required and then the optional attendees appended after those
  // already there. The start is not read: the time stays as it was. A text
  // without its enclosing parentheses (as to_string writes it) reads as if
  // enclosed. 0, changing nothing, for a null text, one that does not parse,
  // one whose command is not "appointment", or one in which a value took in
  // the fields after it (a quote left open in one value paired up with one
  // in a later value; logged); else 1.
  int from_string(char* text) override;
  // The text form, owned by the meeting until the next call. The required
  // attendees are every attendee of the meeting but those without a name
  // and those whose names are refused (above); missing texts and the start
  // of a meeting without a time are written empty.
  char* to_string() override;

 private:
  int set_text(HeapText& field, const char* text);

  std::unique_ptr<CKelTime> time_;
  HeapText profile_;
  HeapText subject_;
  HeapText body_;
  HeapText location_;
  int duration_ = 1;
};
