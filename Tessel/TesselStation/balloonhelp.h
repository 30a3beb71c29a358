// CBalloonHelp: a pop-up note with a tail that points at an anchor point,
// an optional icon, a bold title, a content text, an optional close button
// and an optional web address opened by a click. It closes itself on the
// triggers its options choose -- mouse buttons anywhere in the program, the
// mouse moving away, a key press, a time-out -- and can fade in and out.
// No window of the station opens one.
//
// Layout: the window is the content area (header above content) plus 16
// pixels in width and 36 in height; 8 pixels of frame on every side and
// the 20 pixels of the tail's band at the top (the tail points up) or the
// bottom. Which corner of the anchor the balloon hangs from depends on the
// quadrant of the screen's work area that holds the anchor; the balloon is
// then moved into the work area, its tail still pointing at the anchor.
//
// Ownership: a balloon made by LaunchBalloon deletes itself once closed;
// one made otherwise is the caller's unless kDeleteThisOnClose is given.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <string>

class CBalloonHelp : public QWidget {
 public:
  // Options, a bit set given at creation.
  enum : unsigned {
    kCloseOnLButtonUp = 0x0001,
    kCloseOnMButtonUp = 0x0002,
    kCloseOnRButtonUp = 0x0004,
    kCloseOnLButtonDown = 0x0008,
    kCloseOnMButtonDown = 0x0010,
    kCloseOnRButtonDown = 0x0020,
    kCloseOnMouseMove = 0x0040,
    kCloseOnKeyPress = 0x0080,
    // A trigger only starts the time-out, at whose end the balloon closes.
    kDelayClose = 0x0100,
    kDeleteThisOnClose = 0x0200,
    kShowCloseButton = 0x0400,
    kShowInnerShadow = 0x0800,
    kShowTopmost = 0x1000,
    kDisableShadow = 0x2000,  // kept; the platform draws no shadow
    kDisableFadeIn = 0x4000,
    kDisableFadeOut = 0x8000,
  };
  // Every mouse trigger.
  static constexpr unsigned kCloseOnMouse = 0x007F;
  // A fade in or out lasts this long.
  static constexpr int kFadeMs = 200;
  // Gap and frame sizes.
  static constexpr int kTailBand = 20;
  static constexpr int kFrame = 8;

  CBalloonHelp();
  ~CBalloonHelp() override;

  // A new balloon that deletes itself once closed. `iconName` (null: no
  // icon) names one of the standard icons "information", "warning", "error"
  // and "question", or an icon of the desktop's theme.
  static CBalloonHelp* LaunchBalloon(const char* title, const char* content, QPoint anchor,
                                     const char* iconName, unsigned options,
                                     QWidget* parent = nullptr, const char* url = nullptr,
                                     int timeoutMs = 0);
  // Lays the balloon out, places and shows it (without taking the focus),
  // and installs its triggers. The anchor is in the screen's coordinates.
  // False when it cannot be shown.
  bool Create(const char* title, const char* content, QPoint anchor, unsigned options,
              QWidget* parent = nullptr, const char* url = nullptr, int timeoutMs = 0,
              const QPixmap& icon = QPixmap());

  // --- Setters that lay an open balloon out anew.
  void SetTitleFont(const QFont& font);
  void SetContentFont(const QFont& font);
  void SetContent(const char* content);
  void SetTitle(const char* title);
  // In `window`'s coordinates when it is given (the balloon then follows
  // the window when it moves), else in the screen's.
  void SetAnchorPoint(QPoint anchor, QWidget* window = nullptr);
  void SetIcon(const QPixmap& icon);
  // --- Setters that only redraw.
  void SetBackgroundColor(const QColor& colour);
  void SetForegroundColor(const QColor& colour);
  // How far (pixels, in x or y) the mouse may move before kCloseOnMouseMove
  // closes the balloon.
  void SetMouseMoveTolerance(int pixels) { tolerance_ = pixels; }
  // 0 stops the time-out.
  void SetTimeout(int milliseconds);

  unsigned GetOptions() const { return options_; }
  int GetQuadrant() const { return quadrant_; }
  // Tail points in window coordinates: two base points, then the tip.
  const std::array<QPoint, 3>& GetTail() const { return tail_; }

  // --- The geometry, for a window of `size`.

  // 0 tail up near the right, 1 tail up near the left, 2 tail down near the
  // right, 3 tail down near the left.
  static int Quadrant(QPoint anchor, const QRect& workArea);
  static std::array<QPoint, 3> Tail(int quadrant, QSize size);
  // The window's top-left corner for the tail's tip at `anchor`, moved
  // into the work area; the tail's points follow so that the tip still
  // points at the anchor.
  static QPoint Place(QPoint anchor, QSize size, const QRect& workArea,
                      std::array<QPoint, 3>* tail);

 protected:
  // Measure (and, with a painter, draw at `at`) the header and the content.
  virtual QSize DrawHeader(QPainter* painter, QPoint at);
  virtual QSize DrawContent(QPainter* painter, QPoint at);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Size, quadrant, tail, place and shape from the texts, fonts and anchor.
  void Layout();
  QPoint ScreenAnchor() const;
  QRect CloseButtonRect() const;
  QRect ContentRect() const;
  // A trigger fired: closes, or with kDelayClose only starts the time-out.
  void Trigger();
  // The triggers go; the window is about to close.
  void Finish();

  std::string content_;
  std::string url_;
  int timeoutMs_ = 0;
  QTimer timer_;
  QPointer<QWidget> anchorWindow_;
  QPoint anchor_;
  QRect workArea_;
  QPixmap icon_;
  QFont titleFont_;
  QFont contentFont_;
  QColor background_;
  QColor foreground_;
  QPoint cursorAtShow_;
  bool closePressed_ = false;
  bool closing_ = false;
  int tolerance_ = 3;
  unsigned options_ = 0;
  int quadrant_ = 0;
  std::array<QPoint, 3> tail_{};
  bool fades_ = true;
};
