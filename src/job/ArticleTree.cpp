#include "job/ArticleTree.h"

namespace pw {

ArticleTree::Item* ArticleTree::At(int item) {
    const int index = item - base_ - 1;
    return index >= 0 && index < Count() ? &items_[static_cast<size_t>(index)] : nullptr;
}

const ArticleTree::Item* ArticleTree::At(int item) const {
    return const_cast<ArticleTree*>(this)->At(item);
}

void ArticleTree::Notify(const TreeChange& change) const {
    if (observer_) observer_(change);
}

int ArticleTree::InsertItem(int parent, const std::string& text, TreeItemKind kind) {
    if (parent != 0 && !At(parent)) return 0;
    Item item;
    item.text = text;
    item.kind = kind;
    item.parent = parent;
    items_.push_back(std::move(item));
    const int handle = base_ + Count();
    if (parent == 0) {
        if (Item* last = At(lastTopLevel_)) last->nextSibling = handle;
        if (!firstTopLevel_) firstTopLevel_ = handle;
        lastTopLevel_ = handle;
    } else {
        Item* p = At(parent);
        if (Item* last = At(p->lastChild)) last->nextSibling = handle;
        if (!p->firstChild) p->firstChild = handle;
        p->lastChild = handle;
    }
    Notify({TreeOp::Insert, handle, parent, text, kind});
    return handle;
}

void ArticleTree::SetItemData(int item, ArticleInfo* data) {
    if (Item* it = At(item)) it->data = data;
}

ArticleInfo* ArticleTree::GetItemData(int item) const {
    const Item* it = At(item);
    return it ? it->data : nullptr;
}

std::string ArticleTree::GetItemText(int item) const {
    const Item* it = At(item);
    return it ? it->text : std::string();
}

TreeItemKind ArticleTree::GetItemKind(int item) const {
    const Item* it = At(item);
    return it ? it->kind : TreeItemKind::Article;
}

int ArticleTree::GetRootItem() const {
    return firstTopLevel_;
}

int ArticleTree::GetChildItem(int item) const {
    const Item* it = At(item);
    return it ? it->firstChild : 0;
}

int ArticleTree::GetNextSiblingItem(int item) const {
    const Item* it = At(item);
    return it ? it->nextSibling : 0;
}

int ArticleTree::GetParentItem(int item) const {
    const Item* it = At(item);
    return it ? it->parent : 0;
}

int ArticleTree::GetNextItem(int item) const {
    if (const int child = GetChildItem(item)) return child;
    for (int it = item; it; it = GetParentItem(it)) {
        if (const int sibling = GetNextSiblingItem(it)) return sibling;
    }
    return 0;
}

int ArticleTree::Depth(int item) const {
    int depth = 0;
    for (int p = GetParentItem(item); p; p = GetParentItem(p)) ++depth;
    return depth;
}

bool ArticleTree::ItemHasChildren(int item) const {
    return GetChildItem(item) != 0;
}

void ArticleTree::Expand(int item) {
    Item* it = At(item);
    if (!it) return;
    it->expanded = true;
    Notify({TreeOp::Expand, item, it->parent, {}, it->kind});
}

bool ArticleTree::IsExpanded(int item) const {
    const Item* it = At(item);
    return it && it->expanded;
}

void ArticleTree::SetExpandedState(int item, bool expanded) {
    if (Item* it = At(item)) it->expanded = expanded;
}

void ArticleTree::DeleteAllItems() {
    base_ += Count();
    items_.clear();
    firstTopLevel_ = lastTopLevel_ = 0;
    Notify({TreeOp::DeleteAll, 0, 0, {}, TreeItemKind::Blog});
}

}  // namespace pw
