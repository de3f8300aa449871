#include "ui/CredentialsDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace pw {

CCredentialsDlg::CCredentialsDlg(const QString& server, bool proxy, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(proxy ? U8("代理服务器需要验证") : U8("服务器需要验证"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel((proxy ? U8("代理服务器要求输入用户名和密码：")
                                        : U8("%1 要求输入用户名和密码：").arg(server)),
                                 this));

    auto* form = new QFormLayout;
    m_user = new QLineEdit(this);
    m_user->setObjectName("user");
    m_password = new QLineEdit(this);
    m_password->setObjectName("password");
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(U8("用户名："), m_user);
    form->addRow(U8("密码："), m_password);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(U8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(U8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

DownloadCredentials CCredentialsDlg::Credentials() const {
    // Sent as UTF-8, the character set servers expect in credentials.
    return {m_user->text().toStdString(), m_password->text().toStdString()};
}

std::optional<DownloadCredentials> CCredentialsDlg::Ask(const QString& server, bool proxy,
                                                        QWidget* parent) {
    CCredentialsDlg dialog(server, proxy, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Credentials();
}

}  // namespace pw
