// CCartesian: an integer point in three dimensions that agents exchange as
// the keyword text "(cartesian :x (1) :y (-2) :z (30)". The text is written
// without a closing parenthesis for the opening one, as peers expect it.
#pragma once

#include <cstdint>

#include "Toolwick/listelement.h"

class CCartesian : public CListElement {
 public:
  CCartesian() = default;

  void set_x(int x) { x_ = x; }
  void set_y(int y) { y_ = y; }
  void set_z(int z) { z_ = z; }
  void set_xy(int x, int y) {
    x_ = x;
    y_ = y;
  }
  void set_xyz(int x, int y, int z) {
    x_ = x;
    y_ = y;
    z_ = z;
  }
  int get_x() const { return x_; }
  int get_y() const { return y_; }
  int get_z() const { return z_; }

  // Reads the keywords x, y and z that the text holds (each value's leading
  // integer, inside its parentheses or bare); the others keep their values.
  // The text form without its closing parenthesis reads as if closed. 0,
  // changing nothing, for a null text or one that does not parse; else 1.
  int from_string(char* text) override;
  // The text form, owned by the object until the next call.
  char* to_string() override;

 private:
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t z_ = 0;
};
