#include "Relaywick/displayconfig.h"

#include "Platform/messagesink.h"
#include "Relaywick/displayclient.h"

namespace {

CDisplayConfig::Presenter& presenter() {
  static CDisplayConfig::Presenter installed;
  return installed;
}

}  // namespace

CDisplayConfig::Presenter CDisplayConfig::set_presenter(Presenter next) {
  Presenter previous = std::move(presenter());
  presenter() = std::move(next);
  return previous;
}

CDisplayConfig::Result CDisplayConfig::DoModal() {
  open_ = true;
  result_ = kCancelled;
  on_init_dialog();
  if (presenter()) presenter()(*this);
  open_ = false;
  return result_;
}

void CDisplayConfig::on_init_dialog() {
  entries_ = {"Showboard", "Veranta-Showboard", "Veranta_Showboard", "VerantaShowboard",
              "SB",        "Veranta-SB",        "Lattisk"};
  selection_ = 0;
  const char* name = module_->get_name();
  field_ = name != nullptr ? name : "";
}

void CDisplayConfig::on_commit() {
  if (selection_ < 0 || selection_ >= static_cast<int>(entries_.size())) {
    field_ = "No selection made";
    return;
  }
  field_ = entries_[static_cast<size_t>(selection_)];
  module_->set_display(field_.c_str());
}

void CDisplayConfig::on_disable() { disable_checked_ = !disable_checked_; }

void CDisplayConfig::on_ok() {
  if (module_->get_name() == nullptr) platform::message_box("Oops no visualization client selected");
  close(kAccepted);
}

void CDisplayConfig::on_cancel() { close(kCancelled); }

void CDisplayConfig::close(Result result) {
  result_ = result;
  open_ = false;
}
