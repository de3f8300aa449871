#include "sites/EngineRegistry.h"

#include "sites/BaiduBlog.h"
#include "sites/FeedBlog.h"
#include "sites/NetEase163Blog.h"
#include "sites/QQZone.h"
#include "sites/RenrenBlog.h"
#include "sites/SinaBlog.h"
#include "sites/SinaWeibo.h"

namespace pw {

EngineList CreateEngines(SiteContext& site) {
    EngineList engines;
    engines.push_back(MakeBaiduBlog(site));
    engines.push_back(MakeNetEase163Blog(site));
    engines.push_back(MakeQQZone(site));
    engines.push_back(MakeRenrenBlog(site));
    engines.push_back(MakeSinaBlog(site));
    engines.push_back(MakeSinaWeibo(site));
    // Takes any address but those of the services above, so it comes last.
    std::vector<std::string> services;
    for (const auto& engine : engines) {
        for (const std::string& domain : engine->ServiceDomains()) services.push_back(domain);
    }
    engines.push_back(MakeFeedBlog(site, std::move(services)));
    return engines;
}

}  // namespace pw
