#include "ui/OptionsDialog.h"

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
#include "ui/Prompter.h"
#include "ui/ThreadCountInput.h"
#include "ui/UiText.h"
#include "ui/UpDown.h"

namespace pw {

OptionsDialog::OptionsDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setWindowTitle(U8("选项设置"));
    setFixedSize(DluToPixels(253, 150));

    auto* general = new QGroupBox(U8("普通选项设置"), this);
    general->setGeometry(DluRect(7, 7, 239, 58));
    auto* advanced = new QGroupBox(U8("高级选项设置"), this);
    advanced->setGeometry(DluRect(7, 70, 239, 52));

    auto* caption = new QLabel(U8("下载线程数："), general);
    caption->setGeometry(DluRect(10, 14, 50, 12));
    threads_ = new QLineEdit(general);
    threads_->setObjectName("threadcnt");
    threads_->setGeometry(DluRect(62, 12, 40, 14));
    spin_ = new UpDown(threads_, general);
    // Right-aligned to the edit, as an up-down buddy sits.
    const QRect edit = threads_->geometry();
    spin_->setGeometry(edit.right() + 1, edit.top(), 16, edit.height());
    shutdown_ = new QCheckBox(U8("下载任务完成后自动关机"), general);
    shutdown_->setObjectName("autoshutpc");
    shutdown_->setGeometry(DluRect(10, 34, 200, 14));

    auto* formatsCaption = new QLabel(U8("电子书格式："), advanced);
    formatsCaption->setGeometry(DluRect(10, 14, 50, 12));
    formats_ = new QComboBox(advanced);
    formats_->setObjectName("bookformats");
    formats_->setGeometry(DluRect(62, 12, 120, 14));
    formats_->addItem(U8("CHM 和 EPUB"), QStringLiteral("both"));
    formats_->addItem(U8("只做 CHM"), QStringLiteral("chm"));
    formats_->addItem(U8("只做 EPUB"), QStringLiteral("epub"));
    keepDownloads_ =
        new QCheckBox(U8("保留下载的文章（再次下载同一博客时只下载新文章）"), advanced);
    keepDownloads_->setObjectName("keepdownloads");
    keepDownloads_->setGeometry(DluRect(10, 32, 225, 14));

    save_ = new QPushButton(U8("保存配置"), this);
    save_->setObjectName("save");
    save_->setGeometry(DluRect(189, 128, 57, 16));
    // There is no OK button: Enter must not save or close.
    save_->setAutoDefault(false);
    connect(save_, &QPushButton::clicked, this, &OptionsDialog::Save);

    const AppSettings& settings = Settings();
    autoShutdown_ = settings.autoShutPc;
    threadCount_ = settings.threadCount;
    spin_->SetRange(kMinThreadCount, kMaxThreadCount);
    spin_->SetPos(static_cast<short>(threadCount_ & 0xFFFF));
    threads_->setText(QString::number(threadCount_));
    shutdown_->setChecked(autoShutdown_);
    const std::string formats = BookFormatsText(ParseBookFormats(settings.bookFormats));
    formats_->setCurrentIndex(formats_->findData(QString::fromStdString(formats)));
    keepDownloads_->setChecked(settings.keepDownloads);
}

void OptionsDialog::ReadControls() {
    autoShutdown_ = shutdown_->isChecked();
    const auto count = ParseDecimalInt(threads_->text().toStdString());
    if (!count) {
        prompter_.Tell(QStringLiteral("Please enter an integer."), QMessageBox::Warning);
        return;
    }
    threadCount_ = *count;
    if (threadCount_ < kMinThreadCount || threadCount_ > kMaxThreadCount) {
        prompter_.Tell(QStringLiteral("Please enter an integer between %1 and %2.")
                           .arg(kMinThreadCount)
                           .arg(kMaxThreadCount),
                       QMessageBox::Warning);
    }
}

void OptionsDialog::Save() {
    ReadControls();  // the save goes on whatever it found
    AppSettings& settings = Settings();
    settings.autoShutPc = autoShutdown_;
    settings.threadCount = ClampThreadCount(threadCount_);
    settings.bookFormats = formats_->currentData().toString().toStdString();
    settings.keepDownloads = keepDownloads_->isChecked();
    settings.SaveSettings();
    prompter_.Tell(U8("选项设置成功，请关闭软件重新运行!"), QMessageBox::Information);
    accept();
}

void OptionsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace pw
