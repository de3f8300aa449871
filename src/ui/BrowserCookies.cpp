#include "ui/BrowserCookies.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <ctime>

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

BrowserCookies::BrowserCookies(QWebEngineCookieStore* store, QObject* parent)
    : QObject(parent), mirror_(std::make_shared<CookieMirror>()) {
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &BrowserCookies::OnCookieAdded);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &BrowserCookies::OnCookieRemoved);
    store->loadAllCookies();
}

CookieSource BrowserCookies::Source() const {
    return [mirror = mirror_](const std::string& address) {
        return mirror->HeaderFor(address, static_cast<int64_t>(std::time(nullptr)));
    };
}

void BrowserCookies::OnCookieAdded(const QNetworkCookie& cookie) {
    mirror_->Add(ToMirrored(cookie));
}

void BrowserCookies::OnCookieRemoved(const QNetworkCookie& cookie) {
    const MirroredCookie mirrored = ToMirrored(cookie);
    mirror_->Remove(mirrored.domain, mirrored.path, mirrored.name);
}

}  // namespace pw
