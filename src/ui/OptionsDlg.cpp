#include "ui/OptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/AppSettings.h"
#include "book/BookFormats.h"
#include "ui/DialogUnits.h"
#include "ui/QtHost.h"
#include "ui/ThreadCountInput.h"
#include "ui/UiText.h"
#include "ui/UpDown.h"

namespace pw {

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(U8("选项设置"));
    setFixedSize(DluToPixels(253, 150));

    auto* general = new QGroupBox(U8("普通选项设置"), this);
    general->setGeometry(DluRect(7, 7, 239, 58));
    auto* advanced = new QGroupBox(U8("高级选项设置"), this);
    advanced->setGeometry(DluRect(7, 70, 239, 50));

    auto* caption = new QLabel(U8("下载线程数："), general);
    caption->setGeometry(DluRect(10, 14, 50, 12));
    m_editThreads = new QLineEdit(general);
    m_editThreads->setObjectName("threadcnt");
    m_editThreads->setGeometry(DluRect(62, 12, 40, 14));
    m_spin = new CUpDown(m_editThreads, general);
    // Right-aligned to the edit, as an up-down buddy sits.
    const QRect edit = m_editThreads->geometry();
    m_spin->setGeometry(edit.right() + 1, edit.top(), 16, edit.height());
    m_chkShutdown = new QCheckBox(U8("下载任务完成后自动关机"), general);
    m_chkShutdown->setObjectName("autoshutpc");
    m_chkShutdown->setGeometry(DluRect(10, 34, 200, 14));

    auto* formatsCaption = new QLabel(U8("电子书格式："), advanced);
    formatsCaption->setGeometry(DluRect(10, 16, 50, 12));
    m_comboFormats = new QComboBox(advanced);
    m_comboFormats->setObjectName("bookformats");
    m_comboFormats->setGeometry(DluRect(62, 14, 120, 14));
    m_comboFormats->addItem(U8("CHM 和 EPUB"), QStringLiteral("both"));
    m_comboFormats->addItem(U8("只做 CHM"), QStringLiteral("chm"));
    m_comboFormats->addItem(U8("只做 EPUB"), QStringLiteral("epub"));

    m_btnSave = new QPushButton(U8("保存配置"), this);
    m_btnSave->setObjectName("save");
    m_btnSave->setGeometry(DluRect(189, 128, 57, 16));
    // There is no OK button: Enter must not save or close.
    m_btnSave->setAutoDefault(false);
    connect(m_btnSave, &QPushButton::clicked, this, &COptionsDlg::OnSave);

    const CAppSettings& settings = Settings();
    m_nAutoShutdown = settings.m_nAutoShutPc;
    m_nThreadCount = settings.m_nThreadCnt;
    m_spin->SetRange(kMinThreadCount, kMaxThreadCount);
    m_spin->SetPos(static_cast<short>(m_nThreadCount & 0xFFFF));
    m_editThreads->setText(QString::number(m_nThreadCount));
    m_chkShutdown->setChecked(m_nAutoShutdown != 0);
    const std::string formats = BookFormatsText(ParseBookFormats(settings.m_strBookFormats));
    m_comboFormats->setCurrentIndex(m_comboFormats->findData(QString::fromStdString(formats)));
}

void COptionsDlg::ReadControls() {
    m_nAutoShutdown = m_chkShutdown->isChecked() ? 1 : 0;
    const auto count = ParseDecimalInt(m_editThreads->text().toStdString());
    if (!count) {
        ShowUiBox(BoxKind::Warning, QStringLiteral("Please enter an integer."));
        return;
    }
    m_nThreadCount = *count;
    if (m_nThreadCount < kMinThreadCount || m_nThreadCount > kMaxThreadCount) {
        ShowUiBox(BoxKind::Warning, QStringLiteral("Please enter an integer between %1 and %2.")
                                        .arg(kMinThreadCount)
                                        .arg(kMaxThreadCount));
    }
}

void COptionsDlg::OnSave() {
    ReadControls();  // the save goes on whatever it found
    CAppSettings& settings = Settings();
    settings.m_nAutoShutPc = m_nAutoShutdown;
    settings.m_nThreadCnt = ClampThreadCount(m_nThreadCount);
    settings.m_strBookFormats = m_comboFormats->currentData().toString().toStdString();
    settings.SaveSettings();
    ShowUiBox(BoxKind::Information, U8("选项设置成功，请关闭软件重新运行!"));
    accept();
}

void COptionsDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pw
