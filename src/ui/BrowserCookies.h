#pragma once
// Lets the downloads send the embedded browser's cookies, so that a login made
// on the browser tab counts for the jobs. The browser's cookie store is
// mirrored on the GUI thread; a job's threads read only the mirror, through
// the CookieSource, and the job sends them to its blog service only.

#include <QObject>
#include <memory>

#include "app/CookieMirror.h"
#include "net/CookieSource.h"

class QNetworkCookie;
class QWebEngineCookieStore;

namespace pw {

class BrowserCookies : public QObject {
    Q_OBJECT
public:
    explicit BrowserCookies(QWebEngineCookieStore* store, QObject* parent = nullptr);

    const CookieMirror& Mirror() const { return *mirror_; }
    // The Cookie header for an address; holds the mirror itself, so a job that
    // outlives this object still reads a live one.
    CookieSource Source() const;

private:
    void OnCookieAdded(const QNetworkCookie& cookie);
    void OnCookieRemoved(const QNetworkCookie& cookie);

    std::shared_ptr<CookieMirror> mirror_;
};

// The mirror's form of a browser cookie.
MirroredCookie ToMirrored(const QNetworkCookie& cookie);

}  // namespace pw
