#pragma once
// The services the stand-alone simulator offers for offline demonstrations. Each
// service adds its routes here.

#include "sim/ServiceSimulator.h"

namespace pw::sim {

// bigBlogArticles > 0 adds a Sina blog of that many articles, one picture each,
// at http://blog.sina.com.cn/pagewellbig, for measuring large jobs.
void AddDemoServices(ServiceSimulator& simulator, int bigBlogArticles = 0);

}  // namespace pw::sim
