// CFixedSplitterWnd: a splitter whose bars stay where they are: the mouse
// on a bar does nothing. No window of the station uses one.
#pragma once

#include <QSplitter>

class CFixedSplitterWnd : public QSplitter {
 public:
  explicit CFixedSplitterWnd(Qt::Orientation orientation = Qt::Horizontal,
                             QWidget* parent = nullptr);

 protected:
  QSplitterHandle* createHandle() override;
};
