#include "net/CookieJar.h"

#include <memory>
#include <mutex>

namespace pw {

namespace {

std::mutex g_providerMutex;
std::shared_ptr<const CookieHeaderProvider> g_provider;

}  // namespace

void SetCookieHeaderProvider(CookieHeaderProvider provider) {
    auto shared =
        provider ? std::make_shared<const CookieHeaderProvider>(std::move(provider)) : nullptr;
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(shared);
}

std::string CookieHeaderFor(const std::string& address) {
    std::shared_ptr<const CookieHeaderProvider> provider;
    {
        std::lock_guard lock(g_providerMutex);
        provider = g_provider;
    }
    // Called outside the lock: a slow provider must not serialise every fetch.
    return provider ? (*provider)(address) : std::string();
}

}  // namespace pw
