#include "TesselStationCore/chatdoc.h"

#include <vector>

#include "TesselStationCore/tesselstationdoc.h"
#include "TesselStationCore/stationmessages.h"

size_t CChatRecord::Bytes(const CChatRecord& record) {
  return record.text.size() + CChatDoc::kLineBytes;
}

void CChatDoc::Keep(const CTeamMember* author, std::string_view text) {
  records_.Add({author, std::string(text.substr(0, kMaxBytes - kLineBytes))});
}

void CChatDoc::AddChatRecord(const char* text, const CTeamMember* author) {
  Keep(author, text != nullptr ? text : "");
}

bool CChatDoc::SendLine(const char* text, size_t length) {
  if (document_ == nullptr) return false;
  const std::string_view typed(text != nullptr ? text : "", text != nullptr ? length : 0);
  Keep(document_->GetOwnMember(), typed);
  document_->SendToTeam(
      station::message::SubjectCommunication(document_->GetOwnName(), MessageText(typed).c_str())
          .c_str());
  return true;
}

std::string CChatDoc::MessageText(std::string_view typed) {
  std::string kept;
  std::vector<size_t> open;  // positions in `kept` of the '(' not closed yet
  for (const char c : typed) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) continue;
    if (c == ')') {
      if (open.empty()) continue;
      open.pop_back();
    } else if (c == '(') {
      open.push_back(kept.size());
    }
    kept += c;
  }
  std::string message;
  message.reserve(kept.size());
  size_t next = 0;  // the next unclosed '(' in `open`, which is in order
  for (size_t i = 0; i < kept.size(); ++i) {
    if (next < open.size() && open[next] == i) {
      ++next;
      continue;
    }
    message += kept[i];
  }
  return message;
}
