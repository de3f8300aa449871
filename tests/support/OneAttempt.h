#pragma once
// Single requests over a session of their own with one attempt, as the net
// tests make them to see what one answer comes to.

#include <string>

#include "net/HttpSession.h"

namespace pw::test {

inline SessionOptions OneAttemptOptions() {
    SessionOptions options;
    options.retry.attempts = 1;
    return options;
}

inline FetchResult FetchPage(const std::string& address, std::string& page) {
    HttpSession session(OneAttemptOptions());
    return session.GetPage(address, page);
}

inline FetchResult FetchBinary(const std::string& address, std::string& body, size_t maxBytes,
                               std::string* contentType = nullptr) {
    HttpSession session(OneAttemptOptions());
    return session.GetBytes(address, body, maxBytes, contentType);
}

}  // namespace pw::test
