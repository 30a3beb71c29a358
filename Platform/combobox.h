// The combo-box stand-in: a sink that takes one text entry at a time into
// the box's drop-down list. A GUI back end implements it with a real combo
// widget; tests implement it with a vector.
#pragma once

class CComboBox {
 public:
  virtual ~CComboBox() = default;
  // Appends `text` to the list. Returns the index the entry got.
  virtual int AddString(const char* text) = 0;
};
