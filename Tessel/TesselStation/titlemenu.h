// CTitleMenu: a popup menu whose first item is its title, in bold on the
// colours of an inactive window caption, never chosen. The map view's
// "Commands" menu is one.
#pragma once

#include <QMenu>

#include <string>

class CTitleMenu : public QMenu {
 public:
  explicit CTitleMenu(QWidget* parent = nullptr);

  // Puts the title item first, before every item added so far.
  void AddTitle(const char* title);
  const char* GetTitle() const { return title_.c_str(); }

 private:
  std::string title_;
};
