// The browser tab on the real browser engine: start page, history buttons,
// new windows kept in the view, and its cookies offered to the jobs.

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
#include "ui/BrowserTab.h"

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
        page_ = std::make_unique<BrowserTab>();
        page_->resize(800, 500);
        page_->show();
    }
    void cleanupTestCase() { page_.reset(); }

    void startsOnTheReadmeWithBackEnabled() {
        QLineEdit* address = page_->AddressEdit();
        QTRY_VERIFY_WITH_TIMEOUT(address->text().startsWith("file://"), kLoadTimeoutMs);
        QVERIFY(address->text().endsWith("/readme.html"));
        QVERIFY(page_->View()->title().contains(QStringLiteral("墨舟博客文章下载器")));
        // A completed document enables back even without history; a back that
        // finds nothing disables it again.
        QVERIFY(page_->BackButton()->isEnabled());
        QVERIFY(!page_->ForwardButton()->isEnabled());
        page_->OnBack();
        QVERIFY(!page_->BackButton()->isEnabled());
        page_->OnForward();
        QVERIFY(!page_->ForwardButton()->isEnabled());
    }

    void enterInTheAddressBoxNavigatesAndBackReturns() {
        const QString start = page_->AddressEdit()->text();
        const QString second = WritePage(dir_, "second.html", "second");
        page_->AddressEdit()->setText(second);
        QSignalSpy loaded(page_->View(), &QWebEngineView::loadFinished);
        QTest::keyClick(page_->AddressEdit(), Qt::Key_Escape);
        QTest::keyClick(page_->AddressEdit(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kLoadTimeoutMs);
        QCOMPARE(page_->AddressEdit()->text(), second);
        QVERIFY(page_->BackButton()->isEnabled());
        QVERIFY(page_->isVisible());

        QTest::mouseClick(page_->BackButton(), Qt::LeftButton);
        QVERIFY(page_->ForwardButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(page_->AddressEdit()->text(), start, kLoadTimeoutMs);
        QTest::mouseClick(page_->ForwardButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(page_->AddressEdit()->text(), second, kLoadTimeoutMs);
    }

    void aNewWindowOpensInTheSameView() {
        const QString target = WritePage(dir_, "popup.html", "popup");
        const QString opener = WritePage(dir_, "opener.html", "opener");
        page_->Navigate(opener);
        QTRY_COMPARE_WITH_TIMEOUT(page_->AddressEdit()->text(), opener, kLoadTimeoutMs);
        page_->View()->page()->runJavaScript(
            QStringLiteral("window.open('popup.html'); alert('silent'); no_such_function();"));
        QTRY_COMPARE_WITH_TIMEOUT(page_->AddressEdit()->text(), target, kLoadTimeoutMs);
    }

    void theJobsGetTheBrowsersCookies() {
        QWebEngineCookieStore* store = page_->View()->page()->profile()->cookieStore();
        QNetworkCookie cookie("SUP", "uid=1718281828");
        cookie.setDomain(".sina.com.cn");
        cookie.setPath("/");
        QNetworkCookie other("elsewhere", "1");
        other.setDomain("www.example.com");
        store->setCookie(cookie);
        store->setCookie(other);
        const CookieSource cookies = page_->Cookies();
        const std::string address = "http://blog.sina.com.cn/u/1718281828";
        QTRY_COMPARE_WITH_TIMEOUT(cookies(address), std::string("SUP=uid=1718281828"),
                                  kLoadTimeoutMs);
        // The store reports each cookie on its own: the first says nothing of the second.
        QTRY_COMPARE_WITH_TIMEOUT(cookies("http://www.example.com/"), std::string("elsewhere=1"),
                                  kLoadTimeoutMs);

        store->deleteCookie(cookie);
        QTRY_COMPARE_WITH_TIMEOUT(cookies(address), std::string(), kLoadTimeoutMs);

        // A job that outlives the tab still reads a live copy.
        page_.reset();
        QCOMPARE(cookies("http://www.example.com/"), std::string("elsewhere=1"));
    }

private:
    pw::test::TempDir dir_;
    std::unique_ptr<BrowserTab> page_;
};

PW_UI_TEST_MAIN(BrowserPageTest)
#include "BrowserPageTest.moc"
