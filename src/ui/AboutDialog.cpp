#include "ui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "base/Identity.h"
#include "ui/ProgramIcon.h"
#include "ui/UiText.h"

namespace pw {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 %1").arg(kProgramName));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    auto* version = new QLabel(QStringLiteral("%1 %2 版").arg(kProgramName, kVersion), this);
    auto* about = new QLabel(U8("把博客文章一键下载制作成电子书"), this);
    auto* ok = new QPushButton(U8("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(about, 1, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace pw
