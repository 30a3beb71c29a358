// CFormatBar: the chat window's tool bar that chooses the font of the chat
// text: a list of font names and an editable box of sizes, then the bold
// and italic buttons, which the chat window uses as check boxes. The bar
// talks to its owner only through character formats: it sets a face or a
// size, and it asks for the current format to show it.
#pragma once

#include <QToolBar>

#include <string>

class QComboBox;

// A character format as the rich-edit control knows it: the mask says which
// of the other fields count.
struct CCharFormat {
  enum : unsigned {
    CFM_BOLD = 0x00000001,
    CFM_ITALIC = 0x00000002,
    CFM_CHARSET = 0x08000000,
    CFM_FACE = 0x20000000,
    CFM_COLOR = 0x40000000,
    CFM_SIZE = 0x80000000,
  };
  enum : unsigned { CFE_BOLD = 0x0001, CFE_ITALIC = 0x0002 };
  static constexpr size_t kMaxFace = 31;

  unsigned mask = 0;
  unsigned effects = 0;
  int height = 0;  // twips: 20 a point
  std::string face;
};

// What the bar asks of its owner, the chat window.
class CFormatBarOwner {
 public:
  virtual ~CFormatBarOwner() = default;
  // The format to show; false when the owner cannot tell.
  virtual bool OnGetFormat(CCharFormat* format) = 0;
  // Applies the fields that the mask names.
  virtual void OnSetFormat(const CCharFormat& format) = 0;
  // The bar's notification -4 (NM_RETURN): Enter or Escape in one of its
  // boxes, after any choice that Enter confirmed.
  virtual void OnBarReturn() = 0;
};

class CFormatBar : public QToolBar {
 public:
  enum : unsigned {
    IDR_FORMATBAR = 172,
    ID_FONT_SIZE = 32812,
    ID_FONT_NAME = 32813,
    ID_BOLD = 32814,
    ID_ITALIC = 32815,
  };
  // The sizes offered, in points.
  static constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
  // The size box takes at most this many characters.
  static constexpr int kMaxSizeText = 4;

  // `owner` is not owned and must outlive the bar.
  explicit CFormatBar(CFormatBarOwner& owner, QWidget* parent = nullptr);

  // The choice confirmed in the name list: that face to the owner.
  void OnFontNameChosen();
  // The size chosen or typed: that size to the owner; 0 and what is no
  // number change nothing.
  void OnFontSizeChosen();
  // Shows the owner's current face and size, unless the operator is busy in
  // one of the boxes.
  void OnUpdateCmdUI();

  QComboBox* GetNameBox() const { return names_; }
  QComboBox* GetSizeBox() const { return sizes_; }
  QAction* GetBold() const { return bold_; }
  QAction* GetItalic() const { return italic_; }

 protected:
  // Enter in a box confirms its choice; Enter and Escape then tell the owner
  // (OnBarReturn) and go no further.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool IsEditing() const;

  CFormatBarOwner& owner_;
  QComboBox* names_;
  QComboBox* sizes_;
  QAction* bold_;
  QAction* italic_;
};
