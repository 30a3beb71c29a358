// CSizingDockBar: a bar that docks on any side of the main window or floats,
// and whose docked width (left, right) or height (top, bottom) the user
// changes by dragging the edge that faces the window's centre. A double
// click on its title toggles between docked and floating.
//
// The bar keeps three sizes -- docked at the top or bottom, docked at the
// left or right, floating -- each remembered when the user changes it, and
// never smaller than kMinimumSize in either direction; docked, never larger
// than the size before plus the frame's client area across the edge.
#pragma once

#include <QDockWidget>
#include <QSize>

class QMainWindow;

class CSizingDockBar : public QDockWidget {
 public:
  static constexpr int kMinimumSize = 32;

  explicit CSizingDockBar(QWidget* parent = nullptr);

  // Makes the bar a child of `frame` with `defaultSize` for each of its three
  // sizes and the control identifier `id` (its object name). True once made.
  bool Create(QMainWindow* frame, QSize defaultSize, int id);

  // Docked at the top or the bottom.
  bool IsHorizontal() const;
  // The sizes, as remembered.
  QSize GetHorizontalSize() const { return horizontal_; }
  QSize GetVerticalSize() const { return vertical_; }
  QSize GetFloatingSize() const { return floating_; }

  // The size of where the bar sits now.
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A docked size as the user changed it, held between the minimum and the
  // size before plus the frame's client area in the same direction.
  int Docked(int wanted, int before, int client) const;

  QMainWindow* frame_ = nullptr;
  QSize horizontal_{200, 200};
  QSize vertical_{200, 200};
  QSize floating_{200, 200};
};
