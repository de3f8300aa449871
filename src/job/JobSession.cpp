#include "job/JobSession.h"

#include <algorithm>

namespace pw {

SessionOptions SessionOptionsFor(const JobOptions& options) {
    SessionOptions session;
    session.retry.attempts = std::max(1, options.attempts);
    session.retry.firstDelay = options.firstRetryDelay;
    session.maxPerHost = std::max(1, options.workers);
    session.requestDelay = options.requestDelay;
    session.cookies = options.cookies;
    session.cookieDomains = CookieDomains(options.address, nullptr);
    return session;
}

std::vector<std::string> CookieDomains(const std::string& address, const BlogBase* engine) {
    std::vector<std::string> domains;
    if (const std::string typed = HostOf(address); !typed.empty()) domains.push_back(typed);
    if (engine) {
        for (const std::string& domain : engine->ServiceDomains()) domains.push_back(domain);
    }
    return domains;
}

}  // namespace pw
