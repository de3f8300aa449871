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
    engines.push_back(MakeBaiduBlog(site));
    engines.push_back(MakeNetEase163Blog(site));
    engines.push_back(MakeQQZone(site));
    engines.push_back(MakeRenrenBlog(site));
    engines.push_back(MakeSinaBlog(site));
    engines.push_back(MakeSinaWeibo(site));
    return engines;
}

}  // namespace pw
