// CKelLatLong: a GPS-style fix of a vehicle as agents exchange it: the
// geographic position in degrees and minutes with hemisphere letters, speed,
// bearing, altitude, velocities, linear accelerations, attitude angles and
// the time of the fix. The element name is the GPS unit's identifier.
//
// Keyword text (the hemisphere letters and the unit are not written):
//   (speed (%f) :time (%ld) :bearing (%f) :altitude (%f) :x_velocity (%f)
//    :y_velocity (%f) :z_velocity (%f) :x_linear (%f) :y_linear (%f)
//    :z_linear (%f) :longdegrees (%d) :longminutes (%f) :latdegrees (%d)
//    :latminutes (%f) :psi (%f) :theta (%f) :phi (%f))
#pragma once

#include <string>

#include "Toolwick/listelement.h"

class CKelLatLong : public CListElement {
 public:
  // Named "WIN32GPSDDATA", every number 0, no hemisphere letters.
  CKelLatLong();

  void set_speed(float value) { speed_ = value; }
  float get_speed() const { return speed_; }
  void set_bearing(float value) { bearing_ = value; }
  float get_bearing() const { return bearing_; }
  void set_altitude(float value) { altitude_ = value; }
  float get_altitude() const { return altitude_; }
  void set_x_velocity(float value) { x_velocity_ = value; }
  float get_x_velocity() const { return x_velocity_; }
  void set_y_velocity(float value) { y_velocity_ = value; }
  float get_y_velocity() const { return y_velocity_; }
  void set_z_velocity(float value) { z_velocity_ = value; }
  float get_z_velocity() const { return z_velocity_; }
  void set_x_linear(float value) { x_linear_ = value; }
  float get_x_linear() const { return x_linear_; }
  void set_y_linear(float value) { y_linear_ = value; }
  float get_y_linear() const { return y_linear_; }
  void set_z_linear(float value) { z_linear_ = value; }
  float get_z_linear() const { return z_linear_; }
  void set_time(long value) { time_ = value; }
  long get_time() const { return time_; }
  void set_latsign(char value) { latsign_ = value; }
  char get_latsign() const { return latsign_; }
  void set_latdegr(int value) { latdegr_ = value; }
  int get_latdegr() const { return latdegr_; }
  void set_latmin(float value) { latmin_ = value; }
  float get_latmin() const { return latmin_; }
  void set_longsign(char value) { longsign_ = value; }
  char get_longsign() const { return longsign_; }
  void set_longdegr(int value) { longdegr_ = value; }
  int get_longdegr() const { return longdegr_; }
  void set_longmin(float value) { longmin_ = value; }
  float get_longmin() const { return longmin_; }
  void set_psi(float value) { psi_ = value; }
  float get_psi() const { return psi_; }
  void set_theta(float value) { theta_ = value; }
  float get_theta() const { return theta_; }
  void set_phi(float value) { phi_ = value; }
  float get_phi() const { return phi_; }

  // Reads every keyword of the text form that is present (values inside
  // their parentheses or bare), the speed also from the head of the text
  // form, and "gpsid" as the element name; absent keywords leave their
  // fields. The hemisphere letters are not read. 0 for a null text or one that does not
  // parse; else 1.
  int from_string(char* text) override;
  // The text form, owned by the object until the next call.
  char* to_string() override;
  // Degrees plus minutes / 60 with four decimals: the latitude negative
  // when its letter is 'E', the longitude negative unless its letter is
  // 'S' (the letters as the receivers of these texts read them). Owned by
  // the object until the next call of the same operation.
  char* get_latstring();
  char* get_longstring();

 private:
  float speed_ = 0;
  float bearing_ = 0;
  float altitude_ = 0;
  float x_velocity_ = 0;
  float y_velocity_ = 0;
  float z_velocity_ = 0;
  float x_linear_ = 0;
  float y_linear_ = 0;
  float z_linear_ = 0;
  long time_ = 0;
  char latsign_ = 0;
  int latdegr_ = 0;
  float latmin_ = 0;
  char longsign_ = 0;
  int longdegr_ = 0;
  float longmin_ = 0;
  float psi_ = 0;
  float theta_ = 0;
  float phi_ = 0;
  std::string latitude_text_ = " ";
  std::string longitude_text_;
};
