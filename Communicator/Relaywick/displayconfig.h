// CDisplayConfig: the logic of the Showboard Configuration dialog, which
// asks which display agent the display-agent client (CSB) should use. A
// window shows it through the presenter, which acts for the user until the
// dialog closes; without a presenter the dialog closes at once, as if
// cancelled.
//
// The module is not owned and must outlive the dialog.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CSB;

class CDisplayConfig {
 public:
  static constexpr int kResourceId = 137;
  static constexpr const char* kCaption = "Showboard Configuration";
  static constexpr const char* kAgentLabel = "Showboard Agent";
  static constexpr const char* kCommitButton = "Commit";
  static constexpr const char* kDisableBox = "Disable";
  static constexpr const char* kOkButton = "OK";
  static constexpr const char* kCancelButton = "Cancel";
  // The three lines of the explanation.
  static constexpr const char* kExplanation[3] = {
      "You indicated that you would like to make use of Showboard",
      "services. Please provide the name below by which the agent",
      "is known with the ANS."};

  enum Result { kCancelled = 0, kAccepted = 1 };

  // Runs a shown dialog until it closes.
  using Presenter = std::function<void(CDisplayConfig&)>;
  // Installs the presenter for every dialog from now on (empty: none) and
  // returns the previous one.
  static Presenter set_presenter(Presenter presenter);

  explicit CDisplayConfig(CSB* module) : module_(module) {}

  // Opens the dialog, lets the presenter act and gives how it closed.
  Result DoModal();

  // What opening does: the combo box gets the known display agents, the
  // first selected, and the field shows the module's name.
  void on_init_dialog();
  // Takes the selected entry as the module's name (the field shows it), or
  // shows "No selection made".
  void on_commit();
  // Toggles the Disable box, which turns the combo box and Commit off / on.
  void on_disable();
  // Shows "Oops no visualization client selected" when the module still has
  // no name; closes in any case.
  void on_ok();
  void on_cancel();

  const std::vector<std::string>& entries() const { return entries_; }
  // -1: no selection.
  int get_selection() const { return selection_; }
  void set_selection(int index) { selection_ = index; }
  const std::string& get_field() const { return field_; }
  bool is_disable_checked() const { return disable_checked_; }
  bool is_combo_enabled() const { return !disable_checked_; }
  bool is_commit_enabled() const { return !disable_checked_; }
  bool is_open() const { return open_; }

 private:
  void close(Result result);

  CSB* module_;
  std::vector<std::string> entries_;
  int selection_ = -1;
  std::string field_;
  bool disable_checked_ = false;
  bool open_ = false;
  Result result_ = kCancelled;
};
