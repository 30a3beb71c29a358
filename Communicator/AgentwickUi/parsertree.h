// CParserTree: a tree view of a KQML message. ShowTree replaces the tree's
// content with the message: a root item titled by its performative, under
// it one item per field titled by the field's keyword with its colon, and
// under that the value. A value that is itself a message with fields (a
// :content (tell :command ...)) shows the same way: its performative, its
// fields beneath. The items start collapsed.
//
//   tell
//     :sender
//       Alpha
//     :content
//       tell
//         :command
//           init_sim
#pragma once

#include <QTreeWidget>

class CParserTree : public QTreeWidget {
 public:
  // Nesting below this depth shows as text.
  static constexpr int kMaxDepth = 16;

  explicit CParserTree(QWidget* parent = nullptr);

  // Replaces the content with `text`; a text that is no KQML message shows
  // as a root item holding the whole text. The root item, or null for a
  // null text, which leaves the tree empty.
  QTreeWidgetItem* ShowTree(const char* text);
};
