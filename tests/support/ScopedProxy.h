#pragma once
// Routes the program's HTTP requests through a service simulator for one test:
// sets http_proxy and HTTP_PROXY, removes no_proxy and NO_PROXY, restores them after.

#include <string>

#include "sim/ServiceSimulator.h"
#include "support/ScopedEnv.h"

namespace pw::test {

class ScopedProxy {
public:
    explicit ScopedProxy(const sim::ServiceSimulator& simulator)
        : ScopedProxy(simulator.ProxyUrl()) {}
    explicit ScopedProxy(const std::string& proxyUrl) {
        env_.Set("http_proxy", proxyUrl);
        env_.Set("HTTP_PROXY", proxyUrl);
        env_.Unset("no_proxy");
        env_.Unset("NO_PROXY");
    }

private:
    ScopedEnv env_;
};

}  // namespace pw::test
