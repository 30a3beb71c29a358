// The list-box stand-in: a sink that takes one text entry at a time, the way
// the text console feeds a list box. A GUI back end implements it with a real
// list widget; tests implement it with a vector.
#pragma once

class CListBox {
 public:
  virtual ~CListBox() = default;
  // Inserts `text` at `index`; -1 appends it as the new last entry.
  // Returns the index the entry got.
  virtual int InsertString(int index, const char* text) = 0;
};
