#include "AgentwickUi/parsertree.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "testsupport/tempdir.h"
#include "testsupport/treelines.h"

namespace {

using testsupport::tree_lines;

struct TreeCase {
  const char* name;
  const char* text;
  std::vector<std::string> lines;
};

void PrintTo(const TreeCase& c, std::ostream* out) { *out << c.name; }

class ParserTree : public ::testing::TestWithParam<TreeCase> {
 protected:
  testsupport::TempDir dir;  // the parser keeps its UUID state here
};

TEST_P(ParserTree, ShowsTheFieldsOfTheMessageAndOfNestedMessages) {
  CParserTree tree;
  tree.ShowTree("(ask-one :sender Old :content (x))");  // replaced by the next one
  QTreeWidgetItem* root = tree.ShowTree(GetParam().text);
  EXPECT_EQ(tree_lines(&tree), GetParam().lines);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree.topLevelItem(0), root);
  EXPECT_FALSE(root->isExpanded());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ParserTree,
    ::testing::Values(
        TreeCase{"Flat",
                 "(tell :sender Alpha :receiver Sim :reply-with r1 :content (hello world))",
                 {"tell", "  :sender", "    Alpha", "  :receiver", "    Sim", "  :reply-with",
                  "    r1", "  :content", "    (hello world)"}},
        TreeCase{"NestedContent",
                 "(tell :sender Sim :content (tell :command init_sim :map (file map.txt) "
                 ":units (sub :count 3)))",
                 {"tell", "  :sender", "    Sim", "  :content", "    tell", "      :command",
                  "        init_sim", "      :map", "        (file map.txt)", "      :units",
                  "        sub", "          :count", "            3"}},
        TreeCase{"EmptyValue", "(tell :content ())", {"tell", "  :content", "    ()"}},
        TreeCase{"NoMessage", "plain words", {"plain words"}}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return info.param.name; });

TEST(ParserTreeLimits, NullTextEmptiesTheTree) {
  CParserTree tree;
  tree.ShowTree("(tell :content (x))");
  EXPECT_EQ(tree.ShowTree(nullptr), nullptr);
  EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST(ParserTreeLimits, DeepNestingBelowTheLimitShowsAsText) {
  testsupport::TempDir dir;
  std::string text = "x";
  for (int level = 0; level < CParserTree::kMaxDepth + 5; ++level) text = "(m :a " + text + ")";
  CParserTree tree;
  tree.ShowTree(text.c_str());
  std::vector<std::string> lines = tree_lines(&tree);
  // Each level is a message item and a keyword item, down to the limit.
  ASSERT_EQ(lines.size(), static_cast<size_t>(2 * CParserTree::kMaxDepth + 1));
  const std::string& last = lines.back();
  EXPECT_EQ(last.find_first_not_of(' '), static_cast<size_t>(4 * CParserTree::kMaxDepth));
  EXPECT_EQ(last.substr(last.find_first_not_of(' '), 6), "(m :a ");
}

}  // namespace
