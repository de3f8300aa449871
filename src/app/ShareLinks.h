#pragma once
// The share addresses of the seven "分享推荐" commands: the recommendation text
// and the help address, put into each network's share page. Plain code page 936
// text, no Qt, so the addresses can be checked byte for byte.

#include <string>

namespace pw {

inline constexpr const char* kSinaWeiboShareHost = "v.t.sina.com.cn";
inline constexpr const char* kTencentWeiboShareHost = "v.t.qq.com";
inline constexpr const char* kSohuWeiboShareHost = "t.sohu.com";
inline constexpr const char* kNeteaseWeiboShareHost = "t.163.com";
inline constexpr const char* kRenrenShareHost = "share.renren.com";
inline constexpr const char* kKaixinShareHost = "www.kaixin001.com";
inline constexpr const char* kQzoneShareHost = "sns.qzone.qq.com";

// The recommendation text before the product name is put in (UTF-8 source form).
inline constexpr const char* kShareTextUtf8 = "分享一款小软件：%s 批量下载图片相册很方便";

// kShareText with kProductName, in code page 936.
std::string ShareText();

// The shared link: the help address with every "=" written "%3D".
std::string ShareLink(std::string helpAddress);

// The networks of the "分享推荐" menu, in its order.
enum class ShareTarget {
    kSinaWeibo,
    kTencentWeibo,
    kSohuWeibo,
    kNeteaseWeibo,
    kRenren,
    kKaixin,
    kQzone,
};

// The share address of the network for the help page at helpAddress.
std::string ShareAddress(ShareTarget target, const std::string& helpAddress);

}  // namespace pw
