#include "TesselStationCore/teammember.h"

#include <cctype>

void CTeamMember::SetSideColour(const char* name) {
  if (name == nullptr) return;
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.find("ALPHA") != std::string::npos) {
    colour_ = kAlphaColour;
  } else if (upper.find("BRAVO") != std::string::npos) {
    colour_ = kBravoColour;
  } else if (upper.find("CHARLIE") != std::string::npos) {
    colour_ = kCharlieColour;
  }
}
