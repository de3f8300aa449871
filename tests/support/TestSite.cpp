#include "support/TestSite.h"

#include "base/Encoding.h"

namespace pw::test {

namespace {

// The session also tells the site of every request it gave up on.
SessionOptions Recording(SessionOptions options, TestSite& site) {
    if (!options.onGiveUp) {
        options.onGiveUp = [&site](const std::string& address, const FetchResult&) {
            site.RecordGiveUp(address);
        };
    }
    return options;
}

}  // namespace

TestSite::TestSite(SessionOptions options) : http_(Recording(std::move(options), *this)) {}

void TestSite::RecordGiveUp(const std::string& address) {
    std::lock_guard lock(mutex_);
    givenUp_.push_back(address);
}

std::vector<std::string> TestSite::GivenUp() const {
    std::lock_guard lock(mutex_);
    return givenUp_;
}

SessionOptions TestSite::OneAttempt() {
    SessionOptions options;
    options.retry.attempts = 1;
    return options;
}

void TestSite::KeepPicturesIn(const std::string& imageDir) {
    pictures_ = std::make_unique<PictureStore>(http_, imageDir);
}

void TestSite::Status(const std::string& text) {
    std::lock_guard lock(mutex_);
    statuses_.push_back(text);
}

void TestSite::Message(const std::string& text) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
}

std::vector<std::string> TestSite::Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::vector<std::string> TestSite::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

}  // namespace pw::test
