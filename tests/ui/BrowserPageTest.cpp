// The browser page on the real browser engine: start page, history buttons,
// new windows kept in the view, and its cookies sent by the page fetcher.

#include <QLineEdit>
#include <QNetworkCookie>
#include <QPushButton>
#include <QSignalSpy>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>
#include <fstream>

#include "UiTestMain.h"
#include "net/CookieJar.h"
#include "net/PageFetcher.h"
#include "sim/ServiceSimulator.h"
#include "support/ScopedProxy.h"
#include "ui/IEExplorerDlg.h"

using namespace pw;

namespace {

constexpr int kLoadTimeoutMs = 60000;

QString WritePage(const pw::test::TempDir& dir, const std::string& name, const std::string& body) {
    std::ofstream(dir.File(name)) << "<html><body>" << body << "</body></html>";
    return QUrl::fromLocalFile(QString::fromStdString(dir.File(name))).toString();
}

}  // namespace

class BrowserPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_page = std::make_unique<CIEExplorerDlg>();
        m_page->resize(800, 500);
        m_page->show();
    }
    void cleanupTestCase() { m_page.reset(); }

    void startsOnTheReadmeWithBackEnabled() {
        QLineEdit* address = m_page->AddressEdit();
        QTRY_VERIFY_WITH_TIMEOUT(address->text().startsWith("file://"), kLoadTimeoutMs);
        QVERIFY(address->text().endsWith("/readme.html"));
        QVERIFY(m_page->View()->title().contains(QStringLiteral("墨舟博客文章下载器")));
        // A completed document enables back even without history; a back that
        // finds nothing disables it again.
        QVERIFY(m_page->BackButton()->isEnabled());
        QVERIFY(!m_page->ForwardButton()->isEnabled());
        m_page->OnBack();
        QVERIFY(!m_page->BackButton()->isEnabled());
        m_page->OnForward();
        QVERIFY(!m_page->ForwardButton()->isEnabled());
    }

    void enterInTheAddressBoxNavigatesAndBackReturns() {
        const QString start = m_page->AddressEdit()->text();
        const QString second = WritePage(m_dir, "second.html", "second");
        m_page->AddressEdit()->setText(second);
        QSignalSpy loaded(m_page->View(), &QWebEngineView::loadFinished);
        QTest::keyClick(m_page->AddressEdit(), Qt::Key_Escape);
        QTest::keyClick(m_page->AddressEdit(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kLoadTimeoutMs);
        QCOMPARE(m_page->AddressEdit()->text(), second);
        QVERIFY(m_page->BackButton()->isEnabled());
        QVERIFY(m_page->isVisible());

        QTest::mouseClick(m_page->BackButton(), Qt::LeftButton);
        QVERIFY(m_page->ForwardButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(m_page->AddressEdit()->text(), start, kLoadTimeoutMs);
        QTest::mouseClick(m_page->ForwardButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_page->AddressEdit()->text(), second, kLoadTimeoutMs);
    }

    void aNewWindowOpensInTheSameView() {
        const QString target = WritePage(m_dir, "popup.html", "popup");
        const QString opener = WritePage(m_dir, "opener.html", "opener");
        m_page->Navigate(opener);
        QTRY_COMPARE_WITH_TIMEOUT(m_page->AddressEdit()->text(), opener, kLoadTimeoutMs);
        m_page->View()->page()->runJavaScript(
            QStringLiteral("window.open('popup.html'); alert('silent'); no_such_function();"));
        QTRY_COMPARE_WITH_TIMEOUT(m_page->AddressEdit()->text(), target, kLoadTimeoutMs);
    }

    void theFetcherSendsTheBrowsersCookies() {
        QWebEngineCookieStore* store = m_page->View()->page()->profile()->cookieStore();
        QNetworkCookie cookie("SUP", "uid=1718281828");
        cookie.setDomain(".sina.com.cn");
        cookie.setPath("/");
        QNetworkCookie other("elsewhere", "1");
        other.setDomain("www.example.com");
        store->setCookie(cookie);
        store->setCookie(other);
        const std::string address = "http://blog.sina.com.cn/u/1718281828";
        QTRY_COMPARE_WITH_TIMEOUT(CookieHeaderFor(address), std::string("SUP=uid=1718281828"),
                                  kLoadTimeoutMs);

        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        simulator.Route("blog.sina.com.cn", "/u/1718281828", sim::Response::Html("ok"));
        std::string page;
        QCOMPARE(FetchPage(address, page), 0);
        const auto requests = simulator.Requests();
        QCOMPARE(requests.size(), size_t(1));
        QCOMPARE(requests[0].Header("Cookie"), std::string("SUP=uid=1718281828"));

        store->deleteCookie(cookie);
        QTRY_COMPARE_WITH_TIMEOUT(CookieHeaderFor(address), std::string(), kLoadTimeoutMs);
    }

    void theFetcherLosesTheCookiesWithThePage() {
        m_page.reset();
        QCOMPARE(CookieHeaderFor("http://www.example.com/"), std::string());
    }

private:
    pw::test::TempDir m_dir;
    std::unique_ptr<CIEExplorerDlg> m_page;
};

PW_UI_TEST_MAIN(BrowserPageTest)
#include "BrowserPageTest.moc"
