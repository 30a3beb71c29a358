// CInfoPopupDlg: a small pop-up without caption, centred on the mouse
// pointer, showing "Tessel Resource Information", a heading, a text and an
// icon; a left or right click anywhere in it closes it with the result 1.
// No window of the station opens one.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;

class CInfoPopupDlg : public QDialog {
 public:
  // Control identifiers (the controls' object names).
  enum : int { IDC_ICON = 1066, IDC_HEADING = 1068, IDC_TEXT = 1069 };

  explicit CInfoPopupDlg(QWidget* parent = nullptr);

  // Set before the dialog opens.
  QString m_heading;
  QString m_text;
  QPixmap m_icon;

 protected:
  // Shows the heading, the text and the icon when there is one.
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* icon_;
  QLabel* heading_;
  QLabel* text_;
};
