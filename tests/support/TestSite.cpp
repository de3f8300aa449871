#include "support/TestSite.h"

#include "base/Encoding.h"

namespace pw::test {

TestSite::TestSite(SessionOptions options) : http_(std::move(options)) {}

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
