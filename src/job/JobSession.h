#pragma once
// How a job's HTTP session follows its options, and which hosts may receive
// the user's cookies.

#include <string>
#include <vector>

#include "engine/BlogBase.h"
#include "job/JobOptions.h"
#include "net/HttpSession.h"

namespace pw {

// Retries, politeness and cookies as the options ask; the cookies go to the
// typed host only until the engine is known.
SessionOptions SessionOptionsFor(const JobOptions& options);

// The typed host and the engine's own service domains (none without an
// engine): never another service a page happens to name.
std::vector<std::string> CookieDomains(const std::string& address, const BlogBase* engine);

}  // namespace pw
