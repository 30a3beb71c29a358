// Test helper: a tree widget's items as lines of text, depth first, each
// indented by two blanks per level, so that tree checks read as outlines.
#pragma once

#include <QTreeWidget>

#include <string>
#include <vector>

namespace testsupport {

inline void tree_lines(QTreeWidgetItem* item, int level, std::vector<std::string>* out) {
  out->push_back(std::string(static_cast<size_t>(level) * 2, ' ') + item->text(0).toStdString());
  for (int i = 0; i < item->childCount(); ++i) tree_lines(item->child(i), level + 1, out);
}

inline std::vector<std::string> tree_lines(QTreeWidget* tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) tree_lines(tree->topLevelItem(i), 0, &out);
  return out;
}

}  // namespace testsupport
