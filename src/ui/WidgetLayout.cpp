#include "ui/WidgetLayout.h"

#include <QEvent>
#include <algorithm>

namespace pw {

namespace {

LayoutRect ToLayoutRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

LayoutRect CWidgetLayout::OuterRect() const {
    // A window's frame counts, a child page has none.
    return ToLayoutRect(m_parent->isWindow() ? m_parent->frameGeometry() : m_parent->geometry());
}

void CWidgetLayout::Record(QWidget* parent) {
    if (m_parent) m_parent->removeEventFilter(this);
    m_parent = parent;
    m_list.Clear();
    if (!parent) return;
    std::vector<std::pair<CChildLayout::Handle, LayoutRect>> children;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        children.emplace_back(child, ToLayoutRect(child->geometry()));
    }
    m_list.Record(OuterRect(), children);
    parent->installEventFilter(this);
}

bool CWidgetLayout::SetAnchors(QWidget* child, int horizontal, int vertical) {
    return m_list.SetAnchors(child, horizontal, vertical);
}

void CWidgetLayout::Apply() {
    if (!m_parent) return;
    const QList<QWidget*> alive = m_parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const auto& placement : m_list.Apply(OuterRect())) {
        // The handle is only compared with live children, never dereferenced blind.
        auto it = std::find(alive.begin(), alive.end(), placement.child);
        if (it == alive.end()) continue;
        const LayoutRect& r = placement.rect;
        (*it)->setGeometry(r.left, r.top, std::max(0, r.right - r.left),
                           std::max(0, r.bottom - r.top));
        (*it)->update();
    }
}

bool CWidgetLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_parent && event->type() == QEvent::Resize) Apply();
    return QObject::eventFilter(watched, event);
}

}  // namespace pw
