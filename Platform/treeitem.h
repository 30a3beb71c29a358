// HTREEITEM: an opaque handle of an item in a tree control. Framework objects
// only store it; the tree control of a user interface maps it to its items.
#pragma once

using HTREEITEM = struct TreeItemTag*;
