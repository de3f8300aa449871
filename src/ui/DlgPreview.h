#pragma once
// The article page: the address box, the start button and the article tree.
// The job itself is the core's CArticlePage; this page shows it and forwards the
// user's actions.

#include <QHash>
#include <QWidget>

#include "engine/Host.h"
#include "job/ArticlePage.h"
#include "ui/WidgetLayout.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pw {

class CQtHost;

class CDlgPreview : public QWidget {
    Q_OBJECT
public:
    CDlgPreview(CQtHost& host, QWidget* parent = nullptr);
    ~CDlgPreview() override;

    CArticlePage& Page() { return m_page; }
    QLineEdit* AddressEdit() const { return m_editAddress; }
    QPushButton* StartButton() const { return m_btnStart; }
    QTreeWidget* TreeView() const { return m_treeArticles; }
    // The view's item for a core tree handle, or null.
    QTreeWidgetItem* ViewItem(int handle) const { return m_items.value(handle, nullptr); }

    void OnStartButton();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnTreeChanged(const TreeChange& change);
    void OnPageStateChanged(PageState state);
    void OnItemExpanded(QTreeWidgetItem* item, bool expanded);

    CArticlePage m_page;
    CWidgetLayout m_layout;
    QLineEdit* m_editAddress = nullptr;
    QPushButton* m_btnStart = nullptr;
    QTreeWidget* m_treeArticles = nullptr;
    QHash<int, QTreeWidgetItem*> m_items;
};

}  // namespace pw
