#pragma once
// Feeds and APIs that attack or mislead their reader, each on its own host: a
// billion-laughs feed, a feed whose entities name a local file, an address on
// another host and an external DTD, a feed far too large, feed pages whose next
// links lead in a circle, a WordPress API promising millions of empty pages,
// and a WordPress API answering broken and absurdly nested JSON.

#include <string>
#include <vector>

#include "sim/ServiceSimulator.h"

namespace pw::sim {

// Where the entities of the external-entity feed point; nothing may ask it.
inline constexpr const char* kCollectorHost = "collector.pagewell.test";

struct HostileFeed {
    std::string name;
    std::string address;  // what a user would type
};

std::vector<HostileFeed> AddHostileFeeds(ServiceSimulator& simulator);

}  // namespace pw::sim
