#include "ui/BrowserCookies.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <ctime>

#include "net/CookieJar.h"

namespace pw {

MirroredCookie ToMirrored(const QNetworkCookie& cookie) {
    MirroredCookie mirrored;
    mirrored.name = cookie.name().toStdString();
    mirrored.value = cookie.value().toStdString();
    mirrored.domain = cookie.domain().toStdString();
    mirrored.path = cookie.path().isEmpty() ? "/" : cookie.path().toStdString();
    mirrored.secure = cookie.isSecure();
    mirrored.expiresUtc = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    return mirrored;
}

CBrowserCookies::CBrowserCookies(QWebEngineCookieStore* store, QObject* parent)
    : QObject(parent), m_mirror(std::make_shared<CookieMirror>()) {
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &CBrowserCookies::OnCookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &CBrowserCookies::OnCookieDeleted);
    // The provider holds the mirror itself: a fetch still running when this object
    // goes reads a mirror that is still alive.
    SetCookieHeaderProvider([mirror = m_mirror](const std::string& address) {
        return mirror->HeaderFor(address, static_cast<int64_t>(std::time(nullptr)));
    });
    store->loadAllCookies();
}

CBrowserCookies::~CBrowserCookies() {
    SetCookieHeaderProvider({});
}

void CBrowserCookies::OnCookieAdded(const QNetworkCookie& cookie) {
    m_mirror->Add(ToMirrored(cookie));
}

void CBrowserCookies::OnCookieDeleted(const QNetworkCookie& cookie) {
    const MirroredCookie mirrored = ToMirrored(cookie);
    m_mirror->Remove(mirrored.domain, mirrored.path, mirrored.name);
}

}  // namespace pw
