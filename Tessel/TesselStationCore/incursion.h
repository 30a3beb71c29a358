// CIncursion: an intruding vehicle that crosses the map on a straight course
// (the base's dead reckoning). It remembers which radar stations hold it in
// their range, so that the station reports each entry and exit once, and
// whether an interceptor is on its way to it.
#pragma once

#include <set>
#include <string>

#include "TesselStationCore/resourceunit.h"

class CIncursion : public CResourceUnit {
 public:
  CIncursion();

  // "Incursion: %s\nSpeed: %0.0f\nHeading: %0.0f" with name, speed and heading.
  HeapText GetDescription() const override;

  // The symbol at the position of the current minute: radius 8, a notched
  // head (four points) with a longer nose at speed 500 and above, in red.
  void Draw(CDC* dc) const;

  // Set while an interceptor is on its way to the incursion.
  bool IsIntercepted() const { return intercepted_; }
  void SetIntercepted(bool intercepted) { intercepted_ = intercepted; }

  // The radars whose range holds the incursion, by id.
  bool IsInRadar(const char* radarId) const { return inRadars_.count(radarId) != 0; }
  void AddInRadar(const char* radarId) { inRadars_.insert(radarId); }
  void RemoveInRadar(const char* radarId) { inRadars_.erase(radarId); }

  static constexpr COLORREF kColour = RGB(0xFF, 0x21, 0x21);

 private:
  bool intercepted_ = false;
  std::set<std::string> inRadars_;
};
