// CTeamMember: a station of the team -- this station itself or a teammate --
// known by its agent name, with the colour in which its units, control bars
// and chat lines are drawn.
#pragma once

#include <string>

#include "Platform/gdiobject.h"
#include "Platform/object.h"

class CTeamMember : public CObject {
 public:
  // The colour of a member whose name names no side.
  static constexpr COLORREF kNoSideColour = RGB(0xFF, 0xFF, 0xFF);
  // The side colours, chosen by the side word in the name.
  static constexpr COLORREF kAlphaColour = RGB(0x42, 0xFF, 0x21);
  static constexpr COLORREF kBravoColour = RGB(0xCC, 0x63, 0x63);
  static constexpr COLORREF kCharlieColour = RGB(0x00, 0xCC, 0xFF);

  CTeamMember() = default;

  COLORREF GetColour() const { return colour_; }
  // The name, owned by the member; empty at construction.
  const char* GetName() const { return name_.c_str(); }
  // Null sets the empty name.
  void SetName(const char* name) { name_ = name != nullptr ? name : ""; }
  // Takes the colour of the first side word that `name` holds in any case:
  // "ALPHA", then "BRAVO", then "CHARLIE"; no side word leaves it as it is.
  void SetSideColour(const char* name);

 private:
  COLORREF colour_ = kNoSideColour;
  std::string name_;
};
