#include "ui/JobReportDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "job/JobReport.h"
#include "job/JobResult.h"
#include "ui/UiText.h"

namespace pw {

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

}  // namespace

JobEndReport MakeJobEndReport(const JobResult& result) {
    JobEndReport report;
    report.finalText = Shown(result.finalText);
    std::vector<std::pair<std::string, int>> messages;
    for (const std::string& message : result.messages) {
        auto same = std::find_if(messages.begin(), messages.end(),
                                 [&](const auto& m) { return m.first == message; });
        if (same != messages.end()) {
            ++same->second;
        } else {
            messages.emplace_back(message, 1);
        }
    }
    for (const auto& [message, count] : messages) {
        QString text = Shown(message);
        if (count > 1) text += U8("（%1 次）").arg(count);
        report.messages << text;
    }
    for (const MissingArticle& missing : result.missing) {
        report.missing.append(
            {Shown(missing.title), QString::fromStdString(missing.url), Shown(missing.reason)});
    }
    for (const MissingPicture& missing : result.missingPictures) {
        report.missing.append(
            {U8("（图片）"), QString::fromStdString(missing.url), Shown(missing.reason)});
    }
    report.picturesKeptRemote = result.picturesKeptRemote;
    if (!result.missing.empty() || result.picturesKeptRemote > 0 || result.listingIncomplete ||
        !result.booksFailed.empty()) {
        report.summary = QString::fromStdString(SummaryText(result));
    }
    report.reportPath = QString::fromStdString(result.reportPath);
    return report;
}

JobReportDialog::JobReportDialog(const JobEndReport& report, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::applicationName());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PlainLabel(report.finalText, this));
    if (!report.summary.isEmpty()) layout->addWidget(PlainLabel(report.summary, this));

    list_ = new QTreeWidget(this);
    list_->setObjectName("report");
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({U8("标题"), U8("地址"), U8("原因")});
    list_->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (const QString& message : report.messages) {
        auto* item = new QTreeWidgetItem(list_, {message});
        item->setFirstColumnSpanned(true);
    }
    for (const JobEndReport::Missing& missing : report.missing) {
        new QTreeWidgetItem(list_, {missing.title, missing.url, missing.reason});
    }
    if (report.picturesKeptRemote > 0) {
        auto* item = new QTreeWidgetItem(
            list_,
            {U8("有 %1 张图片没有下载，书中保留了它们的原地址。").arg(report.picturesKeptRemote)});
        item->setFirstColumnSpanned(true);
    }
    list_->resizeColumnToContents(0);
    layout->addWidget(list_, 1);

    if (!report.reportPath.isEmpty()) {
        layout->addWidget(PlainLabel(U8("任务报告：") + report.reportPath, this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(U8("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 400);
}

}  // namespace pw
