// CChatDoc: the lines of the chat window, each with its author, in the
// order they came; and the sending of a line that the operator typed. The
// Qt chat window shows the records in their authors' colours; the UI adds
// incoming lines (CStationUi::AddChatLine) and empties the chat
// (CStationUi::ClearChat) through it.
//
// A record's author is a team member of the station document, not owned: it
// lives until the next ClearChat (the document clears the chat before it
// deletes team members). The document is attached once it exists
// (SetDocument) and detached before it goes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CTeamMember;
class CTesselStationDoc;

struct CChatRecord {
  const CTeamMember* author = nullptr;  // null when unknown
  std::string text;                     // as typed or received
};

class CChatDoc {
 public:
  CChatDoc() = default;
  CChatDoc(const CChatDoc&) = delete;
  CChatDoc& operator=(const CChatDoc&) = delete;

  void SetDocument(CTesselStationDoc* document) { document_ = document; }

  // Appends a line; a null text is an empty line.
  void AddChatRecord(const char* text, const CTeamMember* author);
  void ClearChat() { records_.clear(); }
  const std::vector<CChatRecord>& GetRecords() const { return records_; }

  // The operator's line, `length` bytes that may hold any byte: shown as
  // typed under the station's own member and sent to the team (and the
  // simulation agent) as "subject_communication". An empty line is sent
  // too. Nothing without a document.
  void SendLine(const char* text, size_t length);
  // The line as it goes into ":message (%s)": control bytes and parentheses
  // that close nothing or are never closed left out, so that the message
  // stays one well-formed KQML text.
  static std::string MessageText(std::string_view typed);

 private:
  CTesselStationDoc* document_ = nullptr;
  std::vector<CChatRecord> records_;
};
