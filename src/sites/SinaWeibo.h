#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

// Sina Weibo: registered last in the engine order; declines every address.
std::unique_ptr<BlogBase> MakeSinaWeibo(SiteContext& site);

}  // namespace pw
