#pragma once
// The article tree: blog, categories, articles. A plain model with the tree
// control's operations; every change is reported to an observer so a window can
// mirror it. Handles are never reused, 0 means "no item". A job's list thread
// builds it; afterwards it is only read.

#include <functional>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"
#include "job/TreeChange.h"

namespace pw {

class ArticleTree {
public:
    using Observer = std::function<void(const TreeChange&)>;

    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    // Appends as last child of parent (top level for 0); returns the new handle.
    int InsertItem(int parent, const std::string& text, TreeItemKind kind);
    void SetItemData(int item, ArticleInfo* data);
    ArticleInfo* GetItemData(int item) const;
    std::string GetItemText(int item) const;
    TreeItemKind GetItemKind(int item) const;

    int GetRootItem() const;  // first top-level item
    int GetChildItem(int item) const;
    int GetNextSiblingItem(int item) const;
    int GetParentItem(int item) const;
    // The item after this one in pre-order (children before siblings); 0 at the end.
    int GetNextItem(int item) const;
    // Ancestors above the item: 0 for a top-level item.
    int Depth(int item) const;
    bool ItemHasChildren(int item) const;
    void Expand(int item);
    bool IsExpanded(int item) const;
    // The user expanded or collapsed the item in a view; no notification.
    void SetExpandedState(int item, bool expanded);
    void DeleteAllItems();
    int Count() const { return static_cast<int>(items_.size()); }

private:
    struct Item {
        std::string text;
        TreeItemKind kind = TreeItemKind::Article;
        ArticleInfo* data = nullptr;
        int parent = 0;
        int firstChild = 0;
        int lastChild = 0;
        int nextSibling = 0;
        bool expanded = false;
    };

    Item* At(int item);
    const Item* At(int item) const;
    void Notify(const TreeChange& change) const;

    std::vector<Item> items_;
    int base_ = 0;  // handle of items_[0] is base_ + 1
    int lastTopLevel_ = 0;
    int firstTopLevel_ = 0;
    Observer observer_;
};

}  // namespace pw
