// CProgress: the base of progress dialogs, through which a long task
// reports its progress. The hooks do nothing here; a dialog class shows a
// text, moves the position, sets the range and returns to the start
// (SidewickUi/progressdialog.h shows them in a Qt dialog).
#pragma once

class CWnd;

class CProgress {
 public:
  // `template_id` names the dialog's layout for a subclass that has one;
  // `parent` (not owned, may be null) is the window it belongs to.
  CProgress(unsigned template_id, CWnd* parent) : template_id_(template_id), parent_(parent) {}
  virtual ~CProgress() = default;
  CProgress(const CProgress&) = delete;
  CProgress& operator=(const CProgress&) = delete;

  virtual void set_text(const char* /*text*/) {}
  virtual void update(int /*position*/) {}
  virtual void set_range(int /*low*/, int /*high*/) {}
  virtual void reset() {}

  unsigned get_template_id() const { return template_id_; }
  CWnd* get_parent() const { return parent_; }

 private:
  unsigned template_id_;
  CWnd* parent_;
};
