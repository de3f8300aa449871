#pragma once
// Sets or removes environment variables for one test and restores them afterwards.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pw::test {

class ScopedEnv {
public:
    ScopedEnv() = default;
    ~ScopedEnv();

    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);
    // Puts every changed variable back now.
    void Restore();

private:
    void Remember(const std::string& name);

    // The values before the first change, in order of change.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace pw::test
