// CProgressDialog: a progress dialog in Qt: a line of text above a progress
// bar, moved by the hooks of CProgress. The dialog is modeless and hidden
// until the caller shows it (dialog()->show()); while it is shown, each
// hook paints at once, since the task holds the event loop meanwhile.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include "Sidewick/progress.h"

class CProgressDialog : public CProgress {
 public:
  // `parent` (not owned, may be null) is the window the dialog belongs to.
  explicit CProgressDialog(QWidget* parent = nullptr);
  // Closes and deletes the dialog, unless its parent took it already.
  ~CProgressDialog() override;

  // Shows `text` above the bar; null shows none.
  void set_text(const char* text) override;
  // Moves the bar to `position`, held to the range.
  void update(int position) override;
  // The bar's range; a high end below the low end becomes the low end.
  void set_range(int low, int high) override;
  // Back to the start of the range.
  void reset() override;

  // Null once the dialog's parent deleted it.
  QDialog* dialog() const { return dialog_; }
  QLabel* label() const { return label_; }
  QProgressBar* bar() const { return bar_; }

 private:
  void paint();

  QPointer<QDialog> dialog_;
  QPointer<QLabel> label_;
  QPointer<QProgressBar> bar_;
};
