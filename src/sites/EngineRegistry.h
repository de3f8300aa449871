#pragma once
// The engines a job asks about an address, in their fixed order.

#include "engine/BlogBase.h"

namespace pw {

// Baidu, 163, Qzone, Renren, Sina blog, Sina Weibo, then any blog with a
// feed, each working for site.
EngineList CreateEngines(SiteContext& site);

}  // namespace pw
