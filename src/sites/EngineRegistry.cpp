#include "sites/EngineRegistry.h"

#include "sites/BaiduBlog.h"
#include "sites/NetEase163Blog.h"
#include "sites/QQZone.h"
#include "sites/RenrenBlog.h"
#include "sites/SinaBlog.h"
#include "sites/SinaWeibo.h"

namespace pw {

EngineList CreateEngines(SiteContext& site) {
    EngineList engines;
    engines.push_back(std::make_unique<BaiduBlog>(site));
    engines.push_back(std::make_unique<NetEase163Blog>(site));
    engines.push_back(std::make_unique<QQZone>(site));
    engines.push_back(std::make_unique<RenrenBlog>(site));
    engines.push_back(std::make_unique<SinaBlog>(site));
    engines.push_back(std::make_unique<SinaWeibo>(site));
    return engines;
}

}  // namespace pw
