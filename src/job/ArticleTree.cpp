#include "job/ArticleTree.h"

namespace pw {

CArticleTree::Item* CArticleTree::At(int item) {
    const int index = item - m_nBase - 1;
    return index >= 0 && index < Count() ? &m_items[static_cast<size_t>(index)] : nullptr;
}

const CArticleTree::Item* CArticleTree::At(int item) const {
    return const_cast<CArticleTree*>(this)->At(item);
}

void CArticleTree::Notify(const TreeChange& change) const {
    if (m_observer) m_observer(change);
}

int CArticleTree::InsertItem(int parent, const std::string& text, int image, int selectedImage) {
    if (parent != 0 && !At(parent)) return 0;
    Item item;
    item.text = text;
    item.image = image;
    item.selectedImage = selectedImage;
    item.parent = parent;
    m_items.push_back(std::move(item));
    const int handle = m_nBase + Count();
    if (parent == 0) {
        if (Item* last = At(m_nLastTopLevel)) last->nextSibling = handle;
        if (!m_nFirstTopLevel) m_nFirstTopLevel = handle;
        m_nLastTopLevel = handle;
    } else {
        Item* p = At(parent);
        if (Item* last = At(p->lastChild)) last->nextSibling = handle;
        if (!p->firstChild) p->firstChild = handle;
        p->lastChild = handle;
    }
    Notify({TreeOp::Insert, handle, parent, text, image, selectedImage});
    return handle;
}

void CArticleTree::SetItemImages(int item, int image, int selectedImage) {
    Item* it = At(item);
    if (!it) return;
    it->image = image;
    it->selectedImage = selectedImage;
    Notify({TreeOp::SetImages, item, it->parent, {}, image, selectedImage});
}

void CArticleTree::SetItemData(int item, ArticleInfo* data) {
    if (Item* it = At(item)) it->data = data;
}

ArticleInfo* CArticleTree::GetItemData(int item) const {
    const Item* it = At(item);
    return it ? it->data : nullptr;
}

std::string CArticleTree::GetItemText(int item) const {
    const Item* it = At(item);
    return it ? it->text : std::string();
}

int CArticleTree::GetItemImage(int item) const {
    const Item* it = At(item);
    return it ? it->image : -1;
}

int CArticleTree::GetRootItem() const {
    return m_nFirstTopLevel;
}

int CArticleTree::GetChildItem(int item) const {
    const Item* it = At(item);
    return it ? it->firstChild : 0;
}

int CArticleTree::GetNextSiblingItem(int item) const {
    const Item* it = At(item);
    return it ? it->nextSibling : 0;
}

int CArticleTree::GetParentItem(int item) const {
    const Item* it = At(item);
    return it ? it->parent : 0;
}

bool CArticleTree::ItemHasChildren(int item) const {
    return GetChildItem(item) != 0;
}

void CArticleTree::Expand(int item) {
    Item* it = At(item);
    if (!it) return;
    it->expanded = true;
    Notify({TreeOp::Expand, item, it->parent, {}, it->image, it->selectedImage});
}

bool CArticleTree::IsExpanded(int item) const {
    const Item* it = At(item);
    return it && it->expanded;
}

void CArticleTree::SetExpandedState(int item, bool expanded) {
    if (Item* it = At(item)) it->expanded = expanded;
}

void CArticleTree::DeleteAllItems() {
    m_nBase += Count();
    m_items.clear();
    m_nFirstTopLevel = m_nLastTopLevel = 0;
    Notify({TreeOp::DeleteAll, 0, 0, {}, 0, 0});
}

}  // namespace pw
