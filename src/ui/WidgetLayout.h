#pragma once
// The layout list bound to a Qt window: records the window's children as they
// stand and re-places them after every size change of the window.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "ui/ChildLayout.h"

namespace pw {

class WidgetLayout : public QObject {
    Q_OBJECT
public:
    explicit WidgetLayout(QObject* owner = nullptr) : QObject(owner) {}

    // Records every direct child widget of parent, all scaled in proportion until
    // anchored, and follows the parent's resizes from now on.
    void Record(QWidget* parent);
    bool SetAnchors(QWidget* child, int horizontal, int vertical);
    // Re-places the children for the parent's current size; nothing without a parent.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LayoutRect OuterRect() const;

    QPointer<QWidget> parent_;
    ChildLayout list_;
};

}  // namespace pw
