#include "ui/DlgPreview.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "ui/DialogUnits.h"
#include "ui/QtHost.h"
#include "ui/SwallowKeys.h"
#include "ui/TreeImages.h"
#include "ui/UiText.h"

namespace pw {

namespace {

constexpr int kHandleRole = Qt::UserRole;

int HandleOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kHandleRole).toInt() : 0;
}

}  // namespace

CDlgPreview::CDlgPreview(CQtHost& host, QWidget* parent) : QWidget(parent), m_layout(this) {
    setObjectName("articlePage");
    resize(DluToPixels(452, 261));

    m_editAddress = new QLineEdit(this);
    m_editAddress->setObjectName("address");
    m_editAddress->setGeometry(DluRect(10, 1, 347, 14));

    m_btnStart = new QPushButton(U8("一键下载制作成书"), this);
    m_btnStart->setObjectName("start");
    m_btnStart->setGeometry(DluRect(360, 1, 82, 14));

    m_treeArticles = new QTreeWidget(this);
    m_treeArticles->setObjectName("articles");
    m_treeArticles->setGeometry(DluRect(10, 16, 432, 245));
    m_treeArticles->setHeaderHidden(true);
    m_treeArticles->setRootIsDecorated(true);  // buttons and lines at the root
    m_treeArticles->setIconSize(QSize(kTreeImageSize, kTreeImageSize));

    m_layout.Record(this);
    m_layout.SetAnchors(m_editAddress, kAnchorStretch, kAnchorFixed);
    m_layout.SetAnchors(m_btnStart, kAnchorMoveWithFar, kAnchorFixed);
    m_layout.SetAnchors(m_treeArticles, kAnchorStretch, kAnchorStretch);

    m_editAddress->setText(FromAnsi(CArticlePage::ExampleAddress()));

    connect(m_btnStart, &QPushButton::clicked, this, &CDlgPreview::OnStartButton);
    connect(m_treeArticles, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, true); });
    connect(m_treeArticles, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, false); });
    connect(&host, &CQtHost::treeChanged, this, &CDlgPreview::OnTreeChanged);
    connect(&host, &CQtHost::pageStateChanged, this, &CDlgPreview::OnPageStateChanged);
}

CDlgPreview::~CDlgPreview() {
    // The core page outlives this widget's slots by a moment; it must not reach them.
    if (CQtHost* host = QtHost()) disconnect(host, nullptr, this, nullptr);
}

void CDlgPreview::OnStartButton() {
    if (!m_page.StartEnabled()) return;
    m_page.OnStartButton(ToAnsiText(m_editAddress->text()));
}

void CDlgPreview::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(event)) QWidget::keyPressEvent(event);
}

void CDlgPreview::OnPageStateChanged(PageState state) {
    m_btnStart->setEnabled(state == PageState::Idle);
}

void CDlgPreview::OnTreeChanged(const TreeChange& change) {
    switch (change.op) {
        case TreeOp::Insert: {
            QTreeWidgetItem* parent = m_items.value(change.parent, nullptr);
            if (change.parent && !parent) return;
            auto* item = new QTreeWidgetItem;
            item->setText(0, FromAnsi(change.text));
            item->setIcon(0, TreeItemIcon(change.image, change.selectedImage));
            item->setData(0, kHandleRole, change.item);
            if (parent) {
                parent->addChild(item);
            } else {
                m_treeArticles->addTopLevelItem(item);
            }
            m_items.insert(change.item, item);
            break;
        }
        case TreeOp::SetImages:
            if (QTreeWidgetItem* item = m_items.value(change.item, nullptr)) {
                item->setIcon(0, TreeItemIcon(change.image, change.selectedImage));
            }
            break;
        case TreeOp::Expand:
            if (QTreeWidgetItem* item = m_items.value(change.item, nullptr)) {
                // Expanding by program raises no expansion notification.
                const QSignalBlocker quiet(m_treeArticles);
                item->setExpanded(true);
            }
            break;
        case TreeOp::DeleteAll:
            m_items.clear();
            m_treeArticles->clear();
            break;
    }
}

void CDlgPreview::OnItemExpanded(QTreeWidgetItem* item, bool expanded) {
    m_page.OnItemExpanded(HandleOf(item), expanded);
}

}  // namespace pw
