// The copy of the browser's cookies that the fetcher reads: which cookies an
// address gets, in which order, and what is never sent.

#include <QtTest>
#include <atomic>
#include <thread>
#include <vector>

#include "UiTestMain.h"
#include "app/CookieMirror.h"

using namespace pw;

Q_DECLARE_METATYPE(std::string)

namespace {

constexpr int64_t kNow = 1700000000;

MirroredCookie Cookie(std::string name, std::string value, std::string domain,
                      std::string path = "/") {
    MirroredCookie cookie;
    cookie.name = std::move(name);
    cookie.value = std::move(value);
    cookie.domain = std::move(domain);
    cookie.path = std::move(path);
    return cookie;
}

}  // namespace

class CookieMirrorTest : public QObject {
    Q_OBJECT
private slots:
    void domainsMatchAsBrowsersMatchThem_data() {
        QTest::addColumn<std::string>("address");
        QTest::addColumn<std::string>("header");
        QTest::newRow("the host itself")
            << std::string("http://blog.sina.com.cn/u/1") << std::string("host=1; dom=2");
        QTest::newRow("another subdomain")
            << std::string("http://photo.sina.com.cn/") << std::string("dom=2");
        QTest::newRow("the bare domain")
            << std::string("http://sina.com.cn/") << std::string("dom=2");
        QTest::newRow("a subdomain of the host")
            << std::string("http://x.blog.sina.com.cn/") << std::string("dom=2");
        QTest::newRow("a look-alike domain")
            << std::string("http://evilsina.com.cn/") << std::string();
        QTest::newRow("letter case, port, user")
            << std::string("HTTP://me:pw@BLOG.Sina.COM.cn:8080/x?y#z")
            << std::string("host=1; dom=2");
        QTest::newRow("trailing dot")
            << std::string("http://blog.sina.com.cn./") << std::string("host=1; dom=2");
        QTest::newRow("not http") << std::string("ftp://blog.sina.com.cn/") << std::string();
        QTest::newRow("no host") << std::string("http:///path") << std::string();
    }
    void domainsMatchAsBrowsersMatchThem() {
        QFETCH(std::string, address);
        QFETCH(std::string, header);
        CookieMirror mirror;
        mirror.Add(Cookie("host", "1", "blog.sina.com.cn"));
        mirror.Add(Cookie("dom", "2", ".sina.com.cn"));
        QCOMPARE(mirror.HeaderFor(address, kNow), header);
    }

    void pathsMatchWholeSegments() {
        CookieMirror mirror;
        mirror.Add(Cookie("s", "1", "a.cn", "/s"));
        mirror.Add(Cookie("slash", "2", "a.cn", "/s/"));
        QCOMPARE(mirror.HeaderFor("http://a.cn/s", kNow), std::string("s=1"));
        QCOMPARE(mirror.HeaderFor("http://a.cn/s/x", kNow), std::string("slash=2; s=1"));
        QCOMPARE(mirror.HeaderFor("http://a.cn/sx", kNow), std::string());
        QCOMPARE(mirror.HeaderFor("http://a.cn/?s", kNow), std::string());
        QCOMPARE(mirror.HeaderFor("http://a.cn/s?q=/s/", kNow), std::string("s=1"));
    }

    void longerPathsFirstThenTheOrderOfSetting() {
        CookieMirror mirror;
        mirror.Add(Cookie("b", "1", "a.cn"));
        mirror.Add(Cookie("a", "2", "a.cn"));
        mirror.Add(Cookie("deep", "3", "a.cn", "/x/y"));
        mirror.Add(Cookie("b", "4", "a.cn"));  // replaced, keeps its place
        QCOMPARE(mirror.HeaderFor("http://a.cn/x/y/z", kNow), std::string("deep=3; b=4; a=2"));
        QCOMPARE(mirror.Count(), size_t(3));
    }

    void secureAndExpiredCookies() {
        CookieMirror mirror;
        MirroredCookie secure = Cookie("sec", "1", "a.cn");
        secure.secure = true;
        MirroredCookie expired = Cookie("old", "2", "a.cn");
        expired.expiresUtc = kNow - 1;
        MirroredCookie later = Cookie("later", "3", "a.cn");
        later.expiresUtc = kNow + 60;
        mirror.Add(secure);
        mirror.Add(expired);
        mirror.Add(later);
        QCOMPARE(mirror.HeaderFor("http://a.cn/", kNow), std::string("later=3"));
        QCOMPARE(mirror.HeaderFor("https://a.cn/", kNow), std::string("sec=1; later=3"));
    }

    void removedCookiesAreGone() {
        CookieMirror mirror;
        mirror.Add(Cookie("a", "1", ".a.cn", "/p"));
        mirror.Add(Cookie("b", "2", ".a.cn", "/p"));
        mirror.Remove(".A.cn", "/p", "a");
        mirror.Remove(".a.cn", "/", "b");  // another path: a different cookie
        QCOMPARE(mirror.HeaderFor("http://a.cn/p", kNow), std::string("b=2"));
        mirror.Clear();
        QCOMPARE(mirror.HeaderFor("http://a.cn/p", kNow), std::string());
    }

    void cookiesThatCouldBreakTheRequestAreNotKept() {
        CookieMirror mirror;
        mirror.Add(Cookie("crlf", "1\r\nX-Injected: yes", "a.cn"));
        mirror.Add(Cookie("semi", "1; admin=1", "a.cn"));
        mirror.Add(Cookie("na=me", "1", "a.cn"));
        mirror.Add(Cookie("", "nameless", "a.cn"));
        mirror.Add(Cookie("nul", std::string("a\0b", 3), "a.cn"));
        mirror.Add(Cookie("ok", "v w", "a.cn"));
        QCOMPARE(mirror.HeaderFor("http://a.cn/", kNow), std::string("ok=v w"));
        QCOMPARE(mirror.Count(), size_t(1));
    }

    void readersOnOtherThreadsSeeWholeHeaders() {
        CookieMirror mirror;
        std::atomic<bool> stop{false};
        std::atomic<int> malformed{0};
        std::vector<std::thread> readers;
        for (int i = 0; i < 3; ++i) {
            readers.emplace_back([&] {
                while (!stop) {
                    const std::string header = mirror.HeaderFor("http://a.cn/", kNow);
                    if (!header.empty() && header != "k=1" && header != "k=22") ++malformed;
                }
            });
        }
        for (int i = 0; i < 20000; ++i) {
            mirror.Add(Cookie("k", i % 2 ? "1" : "22", "a.cn"));
            if (i % 7 == 0) mirror.Remove("a.cn", "/", "k");
        }
        stop = true;
        for (auto& reader : readers) reader.join();
        QCOMPARE(malformed.load(), 0);
    }
};

PW_UI_TEST_MAIN(CookieMirrorTest)
#include "CookieMirrorTest.moc"
