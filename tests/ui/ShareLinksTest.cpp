// The seven share addresses, byte for byte, and the link rule.

#include <QtTest>
#include <string>

#include "UiTestMain.h"
#include "app/ShareLinks.h"
#include "base/Encoding.h"
#include "base/Identity.h"

using namespace pw;

namespace {

// The recommendation text in code page 936, percent-encoded byte by byte (blank kept).
const std::string kAnsiEncoded =
    "%B7%D6%CF%ED%D2%BB%BF%EE%D0%A1%C8%ED%BC%FE%A3%BA%C4%AB%D6%DB%B2%A9%BF%CD%CE%C4%D5%C2%CF%C2"
    "%D4%D8%C6%F7 %C5%FA%C1%BF%CF%C2%D4%D8%CD%BC%C6%AC%CF%E0%B2%E1%BA%DC%B7%BD%B1%E3";

// The same text as UTF-8, three groups per Chinese character.
const std::string kUtf8Encoded =
    "%E5%88%86%E4%BA%AB%E4%B8%80%E6%AC%BE%E5%B0%8F%E8%BD%AF%E4%BB%B6%EF%BC%9A%E5%A2%A8%E8%88%9F"
    "%E5%8D%9A%E5%AE%A2%E6%96%87%E7%AB%A0%E4%B8%8B%E8%BD%BD%E5%99%A8 %E6%89%B9%E9%87%8F%E4%B8%8B"
    "%E8%BD%BD%E5%9B%BE%E7%89%87%E7%9B%B8%E5%86%8C%E5%BE%88%E6%96%B9%E4%BE%BF";

const std::string kPlain = "分享一款小软件：墨舟博客文章下载器 批量下载图片相册很方便";

const std::string kHelp = "http://pagewell.example.org/help.php?topic=share&x==1";
const std::string kLink = "http://pagewell.example.org/help.php?topic%3Dshare&x%3D%3D1";

std::string Host(const char* host) {
    return std::string("http://") + host;
}

}  // namespace

class ShareLinksTest : public QObject {
    Q_OBJECT
private slots:
    void recommendationTextNamesTheProduct() { QCOMPARE(ShareText(), kPlain); }

    void linkRewritesOnlyTheEqualsSign() {
        QCOMPARE(ShareLink(kHelp), kLink);
        QCOMPARE(ShareLink(kHelpPageUrl), std::string(kHelpPageUrl));
    }

    void everyNetworkGetsItsAddress() {
        const std::pair<ShareTarget, std::string> expected[] = {
            {ShareTarget::kSinaWeibo, Host(kSinaWeiboShareHost) + "/share/share.php?url=" + kLink +
                                          "&title=" + kAnsiEncoded + "&pic="},
            {ShareTarget::kTencentWeibo, Host(kTencentWeiboShareHost) +
                                             "/share/share.php?title=" + kUtf8Encoded +
                                             "&url=" + kLink + "&site=" + kLink + "&pic="},
            {ShareTarget::kSohuWeibo, Host(kSohuWeiboShareHost) + "/third/post.jsp?url=" + kLink +
                                          "&title=" + kAnsiEncoded + "&content=" + kAnsiEncoded +
                                          "&pic="},
            {ShareTarget::kNeteaseWeibo, Host(kNeteaseWeiboShareHost) +
                                             "/article/user/checkLogin.do?info=" + kAnsiEncoded +
                                             "+" + kLink + "&images="},
            {ShareTarget::kRenren, Host(kRenrenShareHost) + "/share/buttonshare.do?link=" + kLink +
                                       "&title=" + kAnsiEncoded},
            {ShareTarget::kKaixin, Host(kKaixinShareHost) + "/repaste/share.php?rtitle=" + kPlain +
                                       "&rurl=" + kLink + "&rcontent=" + kLink},
            {ShareTarget::kQzone, Host(kQzoneShareHost) +
                                      "/cgi-bin/qzshare/cgi_qzshare_onekey?url=" + kLink +
                                      "&title=" + kPlain},
        };
        for (const auto& [target, address] : expected) {
            QCOMPARE(ShareAddress(target, kHelp), address);
        }
    }
};

PW_UI_TEST_MAIN(ShareLinksTest)
#include "ShareLinksTest.moc"
