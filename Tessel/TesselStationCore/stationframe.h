// CStationFrame: what the station's document needs of its main frame, which
// keeps the mission clock and shows the go/no-go status of the station's
// side. The window-free frame logic implements it; the document holds a
// pointer that may be null (no frame: the clock reads 0).
#pragma once

class CStationFrame {
 public:
  virtual ~CStationFrame() = default;

  // The mission clock in whole minutes of the mission day.
  virtual int GetClock() const = 0;
  // A clock pulse: stores the minutes and updates what the frame shows of
  // them (phase, countdown, the launch window and its go/no-go button).
  virtual void SetClock(int minutes) = 0;
  // Shows the station's own go (true) or no-go on the go/no-go button.
  virtual void SetGoNoGoDisplay(bool go) = 0;
};
