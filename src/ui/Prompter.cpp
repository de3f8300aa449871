#include "ui/Prompter.h"

#include <QCoreApplication>

#include "ui/JobReportDialog.h"

namespace pw {

bool Prompter::Show(const Box& box) {
    const QString caption =
        box.caption.isEmpty() ? QCoreApplication::applicationName() : box.caption;
    QMessageBox dialog(box.icon, caption, box.text,
                       box.yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner_);
    dialog.setTextFormat(Qt::PlainText);
    return dialog.exec() == QMessageBox::Yes;
}

void Prompter::ShowJobReport(const JobEndReport& report) {
    JobReportDialog dialog(report, owner_);
    dialog.exec();
}

}  // namespace pw
