#include "ui/WidgetLayout.h"

#include <QEvent>
#include <algorithm>

namespace pw {

namespace {

LayoutRect ToLayoutRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

LayoutRect WidgetLayout::OuterRect() const {
    // A window's frame counts, a child page has none.
    return ToLayoutRect(parent_->isWindow() ? parent_->frameGeometry() : parent_->geometry());
}

void WidgetLayout::Record(QWidget* parent) {
    if (parent_) parent_->removeEventFilter(this);
    parent_ = parent;
    list_.Clear();
    if (!parent) return;
    std::vector<std::pair<ChildLayout::Handle, LayoutRect>> children;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        children.emplace_back(child, ToLayoutRect(child->geometry()));
    }
    list_.Record(OuterRect(), children);
    parent->installEventFilter(this);
}

bool WidgetLayout::SetAnchors(QWidget* child, int horizontal, int vertical) {
    return list_.SetAnchors(child, horizontal, vertical);
}

void WidgetLayout::Apply() {
    if (!parent_) return;
    const QList<QWidget*> alive = parent_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const auto& placement : list_.Apply(OuterRect())) {
        // The handle is only compared with live children, never dereferenced blind.
        auto it = std::find(alive.begin(), alive.end(), placement.child);
        if (it == alive.end()) continue;
        const LayoutRect& r = placement.rect;
        (*it)->setGeometry(r.left, r.top, std::max(0, r.right - r.left),
                           std::max(0, r.bottom - r.top));
        (*it)->update();
    }
}

bool WidgetLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent_ && event->type() == QEvent::Resize) Apply();
    return QObject::eventFilter(watched, event);
}

}  // namespace pw
