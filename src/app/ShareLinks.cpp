#include "app/ShareLinks.h"

#include <initializer_list>

#include "base/Identity.h"
#include "base/Text.h"
#include "base/UrlEncode.h"

namespace pw {

namespace {

// Each "%s" of the ASCII template takes the next value; values are not searched.
std::string Fill(std::string_view pattern, std::initializer_list<std::string> values) {
    std::string out;
    auto value = values.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 2, "%s") == 0 && value != values.end()) {
            out += *value++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Address(const char* host, std::string_view pattern,
                    std::initializer_list<std::string> values) {
    return std::string("http://") + host + Fill(pattern, values);
}

}  // namespace

std::string ShareText() {
    std::string text = kShareTextUtf8;
    Replace(text, "%s", std::string(kProductNameUtf8));
    return text;
}

std::string ShareLink(std::string helpAddress) {
    Replace(helpAddress, "=", "%3D");
    return helpAddress;
}

std::string ShareAddress(ShareTarget target, const std::string& helpAddress) {
    const std::string text = ShareText();
    const std::string encoded = UrlEncodeAnsi(text);
    const std::string link = ShareLink(helpAddress);
    switch (target) {
        case ShareTarget::kSinaWeibo:
            return Address(kSinaWeiboShareHost, "/share/share.php?url=%s&title=%s&pic=%s",
                           {link, encoded, ""});
        case ShareTarget::kTencentWeibo:
            return Address(kTencentWeiboShareHost,
                           "/share/share.php?title=%s&url=%s&site=%s&pic=%s",
                           {UrlEncodeUtf8(text), link, link, ""});
        case ShareTarget::kSohuWeibo:
            return Address(kSohuWeiboShareHost, "/third/post.jsp?url=%s&title=%s&content=%s&pic=%s",
                           {link, encoded, encoded, ""});
        case ShareTarget::kNeteaseWeibo:
            return Address(kNeteaseWeiboShareHost,
                           "/article/user/checkLogin.do?info=%s+%s&images=%s", {encoded, link, ""});
        case ShareTarget::kRenren:
            return Address(kRenrenShareHost, "/share/buttonshare.do?link=%s&title=%s",
                           {link, encoded});
        case ShareTarget::kKaixin:
            return Address(kKaixinShareHost, "/repaste/share.php?rtitle=%s&rurl=%s&rcontent=%s",
                           {text, link, link});
        case ShareTarget::kQzone:
            return Address(kQzoneShareHost, "/cgi-bin/qzshare/cgi_qzshare_onekey?url=%s&title=%s",
                           {link, text});
    }
    return {};
}

}  // namespace pw
