#include "engine/BlogBase.h"
#include "sites/BaiduBlog.h"
#include "sites/NetEase163Blog.h"
#include "sites/QQZone.h"
#include "sites/RenrenBlog.h"
#include "sites/SinaBlog.h"
#include "sites/SinaWeibo.h"

namespace pw {

std::vector<std::unique_ptr<CBlogBase>> CreateEngines() {
    std::vector<std::unique_ptr<CBlogBase>> engines;
    engines.push_back(std::make_unique<CBaiduBlog>());
    engines.push_back(std::make_unique<C163Blog>());
    engines.push_back(std::make_unique<CQQZone>());
    engines.push_back(std::make_unique<CRenrenBlog>());
    engines.push_back(std::make_unique<CSinaBlog>());
    engines.push_back(std::make_unique<CSinaWeibo>());
    return engines;
}

}  // namespace pw
