#include "support/ScopedEnv.h"

#include <algorithm>
#include <cstdlib>

namespace pw::test {

ScopedEnv::~ScopedEnv() {
    Restore();
}

void ScopedEnv::Restore() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            unsetenv(it->first.c_str());
        }
    }
    saved_.clear();
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
    Remember(name);
    setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
    Remember(name);
    unsetenv(name.c_str());
}

void ScopedEnv::Remember(const std::string& name) {
    const bool known = std::any_of(saved_.begin(), saved_.end(),
                                   [&](const auto& entry) { return entry.first == name; });
    if (known) return;
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

}  // namespace pw::test
