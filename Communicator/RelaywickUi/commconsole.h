// CCommConsole: the "Communicator Console" dialog: a list of text lines and
// a button "Close". It is a CListBox, so that a text console (CKelConsole)
// can write into it.
#pragma once

#include <QDialog>

#include "Platform/listbox.h"

class QListWidget;

class CCommConsole : public QDialog, public CListBox {
 public:
  explicit CCommConsole(QWidget* parent = nullptr);

  // Appends `text` (null: an empty line) as the last line; its index.
  int add_line(const char* text) { return InsertString(-1, text); }
  // Inserts at `index`; -1 (or an index past the end) appends.
  int InsertString(int index, const char* text) override;

  QListWidget* list() const { return list_; }

 private:
  QListWidget* list_;
};
