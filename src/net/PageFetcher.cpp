#include "net/PageFetcher.h"

namespace pw {

namespace {

SessionOptions OneAttempt(bool httpsOnly) {
    SessionOptions options;
    options.retry.attempts = 1;
    options.httpsOnly = httpsOnly;
    return options;
}

}  // namespace

int FetchPage(const std::string& address, std::string& page, bool httpsOnly) {
    HttpSession session(OneAttempt(httpsOnly));
    return session.GetPage(address, page).Code();
}

int FetchBinary(const std::string& address, std::string& body, size_t maxBytes,
                std::string* contentType) {
    HttpSession session(OneAttempt(false));
    return session.GetBytes(address, body, maxBytes, contentType).Code();
}

}  // namespace pw
