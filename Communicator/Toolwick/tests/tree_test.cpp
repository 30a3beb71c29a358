#include "Toolwick/tree.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Nodes and lists that record how often each name is destroyed.
using Deaths = std::map<std::string, int>;

struct CountedNode : CTreeElement {
  CountedNode(const char* name, Deaths* deaths) : CTreeElement(name), deaths(deaths) {}
  ~CountedNode() override { ++(*deaths)[get_name()]; }
  Deaths* deaths;
};

struct CountedElement : CListElement {
  CountedElement(const char* name, Deaths* deaths) : CListElement(name), deaths(deaths) {}
  ~CountedElement() override { ++(*deaths)[get_name()]; }
  Deaths* deaths;
};

CTreeElement* node(const char* name, CTreeElement* left = nullptr,
                   CTreeElement* right = nullptr) {
  auto* n = new CTreeElement(name);
  n->set_left(left);
  n->set_right(right);
  return n;
}

TEST(TreeElement, Defaults) {
  CTreeElement e("e");
  EXPECT_EQ(e.get_btype(), BTYPE_TREE_ELEMENT);
  EXPECT_EQ(e.get_parent(), nullptr);
  EXPECT_EQ(e.get_left(), nullptr);
  EXPECT_EQ(e.get_right(), nullptr);
  EXPECT_EQ(e.get_content(), nullptr);
  EXPECT_EQ(CTree().get_btype(), BTYPE_TREE);
  EXPECT_EQ(CTreeList().get_btype(), BTYPE_TREE_LIST);
}

TEST(TreeElement, SettersOnlyStore) {
  CTreeElement parent("p");
  CTreeElement child("c");
  int payload = 0;
  child.set_parent(&parent);
  child.set_content(&payload);
  EXPECT_EQ(child.get_parent(), &parent);
  EXPECT_EQ(child.get_content(), &payload);
  EXPECT_EQ(parent.get_left(), nullptr);  // no link back
  child.init();
  EXPECT_EQ(child.get_parent(), nullptr);
}

TEST(TreeElement, FindIsPreOrder) {
  // a(b(c), c): the "c" below "b" comes first.
  CTreeElement* inner_c = node("c");
  CTreeElement* b = node("b", inner_c);
  std::unique_ptr<CTreeElement> a(node("a", b, node("c")));
  EXPECT_EQ(a->find_element("a"), a.get());
  EXPECT_EQ(a->find_element("c"), inner_c);
  EXPECT_EQ(a->find_element("b"), b);
  EXPECT_EQ(a->find_element("z"), nullptr);
  EXPECT_EQ(a->find_element(nullptr), nullptr);
}

TEST(TreeElement, FindSkipsUnnamedNodes) {
  CTreeElement* target = node("t");
  std::unique_ptr<CTreeElement> root(node(nullptr, node(nullptr), target));
  EXPECT_EQ(root->find_element("t"), target);
}

TEST(Tree, FindOnlyWithModeOne) {
  CTree tree("tree");
  EXPECT_EQ(tree.find_element("a", 1), nullptr);  // no root
  CTreeElement* c = node("c");
  tree.set_root(node("a", node("b", c), node("c")));
  EXPECT_EQ(tree.find_element("c", 1), c);
  EXPECT_EQ(tree.find_element("a", 1), tree.get_root());
  EXPECT_EQ(tree.find_element("a", 0), nullptr);
  EXPECT_EQ(tree.find_element("a", 2), nullptr);
  EXPECT_EQ(tree.find_element(nullptr, 1), nullptr);
}

TEST(Tree, DestroysEveryNodeOnce) {
  Deaths deaths;
  {
    CTree tree("tree");
    auto* b = new CountedNode("b", &deaths);
    b->set_left(new CountedNode("d", &deaths));
    auto* root = new CountedNode("a", &deaths);
    root->set_left(b);
    root->set_right(new CountedNode("c", &deaths));
    tree.set_root(root);
  }
  EXPECT_EQ(deaths, (Deaths{{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}}));
}

TEST(Tree, NodeOnBothSidesIsDestroyedOnce) {
  Deaths deaths;
  {
    CTreeElement parent("p");
    auto* shared = new CountedNode("shared", &deaths);
    parent.set_left(shared);
    parent.set_right(shared);
  }
  EXPECT_EQ(deaths, (Deaths{{"shared", 1}}));
}

// Nodes that count how many of them are destroyed.
struct TallyNode : CTreeElement {
  TallyNode(const char* name, int* destroyed) : CTreeElement(name), destroyed(destroyed) {}
  ~TallyNode() override { ++*destroyed; }
  int* destroyed;
};

// Searching and destroying a tree far deeper than the stack could take in
// nested calls.
TEST(TreeElement, DeepTreesAreSearchedAndDestroyedWithoutRecursion) {
  constexpr int kDepth = 200000;
  const struct {
    const char* name;
    // Which side each node's child hangs on, by the child's depth.
    bool (*on_left)(int depth);
  } shapes[] = {
      {"left chain", [](int) { return true; }},
      {"right chain", [](int) { return false; }},
      {"zigzag", [](int depth) { return depth % 2 == 0; }},
  };
  for (const auto& shape : shapes) {
    int destroyed = 0;
    {
      CTree tree("tree");
      CTreeElement* parent = new TallyNode("root", &destroyed);
      tree.set_root(parent);
      for (int depth = 1; depth < kDepth; ++depth) {
        const char* name = depth == kDepth - 1 ? "deepest" : nullptr;
        auto* child = new TallyNode(name, &destroyed);
        if (shape.on_left(depth)) {
          parent->set_left(child);
        } else {
          parent->set_right(child);
        }
        parent = child;
      }
      EXPECT_EQ(tree.find_element("deepest", 1), parent) << shape.name;
      EXPECT_EQ(tree.find_element("absent", 1), nullptr) << shape.name;
    }
    EXPECT_EQ(destroyed, kDepth) << shape.name;
  }
}

// A tree hung below a node of another tree goes with it.
TEST(Tree, TreeInsideATreeIsDestroyedWithIt) {
  Deaths deaths;
  {
    CTreeElement top("top");
    auto* inner = new CTree("inner");
    inner->set_root(new CountedNode("inner root", &deaths));
    inner->get_root()->set_left(new CountedNode("inner leaf", &deaths));
    top.set_left(inner);
    top.set_right(new CountedNode("right", &deaths));
    inner->set_right(new CountedNode("beside the root", &deaths));
  }
  EXPECT_EQ(deaths, (Deaths{{"beside the root", 1}, {"inner leaf", 1}, {"inner root", 1},
                            {"right", 1}}));
}

TEST(TreeList, OwnsChildrenButNotParent) {
  Deaths deaths;
  CLList parent("parent");
  {
    CTreeList list("l");
    EXPECT_EQ(list.has_children(), 0);
    auto* children = new CLList("children");
    children->add_element(new CountedElement("child", &deaths));
    list.set_children(children);
    list.set_parent(&parent);
    list.add_element(new CountedElement("own", &deaths));
    EXPECT_EQ(list.has_children(), 1);
    EXPECT_EQ(list.get_children(), children);
    EXPECT_EQ(list.get_parent(), &parent);
  }
  EXPECT_EQ(deaths, (Deaths{{"child", 1}, {"own", 1}}));
  EXPECT_STREQ(parent.get_name(), "parent");
}

}  // namespace
