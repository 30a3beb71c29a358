// CTabbedDockBar: a CSizingDockBar whose pages are views on the tabs of a
// tab control, the tabs below the pages. The main frame puts its information
// pane into one as the tab "Information". One page is active: shown,
// enabled and holding the focus; the others are hidden and disabled.
//
// The bar owns its views (they are its child windows).
#pragma once

#include <QTabWidget>

#include <string>
#include <vector>

#include "TesselStation/sizingdockbar.h"

class CTabbedDockBar : public CSizingDockBar {
 public:
  // The tab control's identifier (its object name).
  static constexpr int kTabControlId = 102;
  // A page title keeps at most this many characters.
  static constexpr size_t kMaxTitle = 31;

  struct Page {
    QWidget* view;
    std::string title;
  };

  explicit CTabbedDockBar(QWidget* parent = nullptr);

  // Adds `view` (taken over; null fails) as the last page, titled `title`.
  // The first page becomes the active one; later ones are added hidden and
  // disabled until their tab is chosen. True when added.
  bool AddView(const char* title, QWidget* view);
  // The first page whose view is of type View or derives from it; null when
  // none.
  template <typename View>
  View* GetView() const {
    for (const Page& page : pages_) {
      if (auto* view = dynamic_cast<View*>(page.view)) return view;
    }
    return nullptr;
  }
  // Makes the page at `index` the active one; -1 and the active index change
  // nothing.
  void SetActiveView(int index);

  int GetActiveIndex() const { return active_; }
  QWidget* GetActiveView() const { return activeView_; }
  const std::vector<Page>& GetPages() const { return pages_; }
  QTabWidget* GetTabControl() const { return tabs_; }

 private:
  QTabWidget* tabs_;
  std::vector<Page> pages_;
  int active_ = 0;
  QWidget* activeView_ = nullptr;
};
