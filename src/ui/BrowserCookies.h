#pragma once
// Lets the page fetcher send the embedded browser's cookies, so that a login made
// on the browser page counts for the downloads. The browser's cookie store is
// mirrored on the GUI thread; the fetcher's threads read only the mirror.

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/CookieMirror.h"

class QNetworkCookie;
class QWebEngineCookieStore;

namespace pw {

class CBrowserCookies : public QObject {
    Q_OBJECT
public:
    // Follows the store and installs the fetcher's cookie source.
    explicit CBrowserCookies(QWebEngineCookieStore* store, QObject* parent = nullptr);
    // Removes the fetcher's cookie source.
    ~CBrowserCookies() override;

    const CookieMirror& Mirror() const { return *m_mirror; }

private:
    void OnCookieAdded(const QNetworkCookie& cookie);
    void OnCookieDeleted(const QNetworkCookie& cookie);

    std::shared_ptr<CookieMirror> m_mirror;
};

// The mirror's form of a browser cookie.
MirroredCookie ToMirrored(const QNetworkCookie& cookie);

}  // namespace pw
