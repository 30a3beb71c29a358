// CKelConsole: a text console that writes each message as a new last entry
// of a list box, or to standard output when it has none.
#pragma once

#include "Platform/listbox.h"

class CKelConsole {
 public:
  CKelConsole() = default;
  virtual ~CKelConsole() = default;
  CKelConsole(const CKelConsole&) = delete;
  CKelConsole& operator=(const CKelConsole&) = delete;

  // The list box that receives the output from now on, not owned; it must
  // outlive its use here. Null: standard output.
  void assign_listbox(CListBox* listbox) { listbox_ = listbox; }

  // Formats the message (any length) and appends it to the list box; without
  // one prints it on standard output, ended by a line feed when it has none.
  void dprintf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

 private:
  CListBox* listbox_ = nullptr;
};
