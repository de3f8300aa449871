#include "ui/CredentialsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace pw {

CredentialsDialog::CredentialsDialog(const QString& server, bool proxy, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(proxy ? U8("代理服务器需要验证") : U8("服务器需要验证"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel((proxy ? U8("代理服务器要求输入用户名和密码：")
                                        : U8("%1 要求输入用户名和密码：").arg(server)),
                                 this));

    auto* form = new QFormLayout;
    user_ = new QLineEdit(this);
    user_->setObjectName("user");
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(U8("用户名："), user_);
    form->addRow(U8("密码："), password_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(U8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(U8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

DownloadCredentials CredentialsDialog::Credentials() const {
    // Sent as UTF-8, the character set servers expect in credentials.
    return {user_->text().toStdString(), password_->text().toStdString()};
}

std::optional<DownloadCredentials> CredentialsDialog::Ask(const QString& server, bool proxy,
                                                          QWidget* parent) {
    CredentialsDialog dialog(server, proxy, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Credentials();
}

}  // namespace pw
