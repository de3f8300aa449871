#pragma once
// Asks for a user name and password when a download's server or proxy wants them.

#include <QDialog>
#include <optional>

#include "net/DownloadListener.h"

class QLineEdit;

namespace pw {

class CredentialsDialog : public QDialog {
    Q_OBJECT
public:
    // server: the host that asks; proxy: the proxy asks rather than the server.
    CredentialsDialog(const QString& server, bool proxy, QWidget* parent = nullptr);

    DownloadCredentials Credentials() const;

    // Runs the dialog modally; nothing when the user cancels.
    static std::optional<DownloadCredentials> Ask(const QString& server, bool proxy,
                                                  QWidget* parent);

private:
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};

}  // namespace pw
