// CChatDoc: the lines of the chat window, each with its author, in the
// order they came; and the sending of a line that the operator typed. The
// Qt chat window shows the records in their authors' colours; the UI adds
// incoming lines (CStationUi::AddChatLine) and empties the chat
// (CStationUi::ClearChat) through it.
//
// The chat keeps its last lines within kMaxBytes, the oldest going first:
// a teammate's lines of a megabyte hold no more than a few megabytes.
//
// A record's author is a team member of the station document, not owned: it
// lives until the next ClearChat (the document clears the chat before it
// deletes team members). The document is attached once it exists
// (SetDocument) and detached before it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "TesselStationCore/boundedlines.h"

class CTeamMember;
class CTesselStationDoc;

struct CChatRecord {
  const CTeamMember* author = nullptr;  // null when unknown
  std::string text;                     // as typed or received

  // What the record counts towards the chat's bound.
  static size_t Bytes(const CChatRecord& record);
};

class CChatDoc {
 public:
  // A line counts its text and kLineBytes; one longer than the whole bound
  // is kept cut to it.
  static constexpr size_t kMaxBytes = size_t{4} << 20;
  static constexpr size_t kLineBytes = 64;

  CChatDoc() = default;
  CChatDoc(const CChatDoc&) = delete;
  CChatDoc& operator=(const CChatDoc&) = delete;

  void SetDocument(CTesselStationDoc* document) { document_ = document; }

  // Appends a line; a null text is an empty line.
  void AddChatRecord(const char* text, const CTeamMember* author);
  void ClearChat() { records_.Clear(); }
  // Oldest first.
  const std::deque<CChatRecord>& GetRecords() const { return records_.Get(); }
  // What the records count together, at most kMaxBytes.
  size_t GetBytes() const { return records_.Bytes(); }

  // The operator's line, `length` bytes that may hold any byte: shown as
  // typed under the station's own member and sent to the team (and the
  // simulation agent) as "subject_communication". An empty line is sent
  // too. Nothing without a document (false).
  bool SendLine(const char* text, size_t length);
  // The line as it goes into ":message (%s)": control bytes and parentheses
  // that close nothing or are never closed left out, so that the message
  // stays one well-formed KQML text.
  static std::string MessageText(std::string_view typed);

 private:
  void Keep(const CTeamMember* author, std::string_view text);

  CTesselStationDoc* document_ = nullptr;
  CBoundedLines<CChatRecord, &CChatRecord::Bytes> records_{kMaxBytes, SIZE_MAX};
};
