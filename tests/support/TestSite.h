#pragma once
// What an engine works with in a job, for tests of one engine: an HTTP session
// (one attempt per request unless told otherwise), the status texts and
// messages it reports (UTF-8), the requests given up on, and optionally a picture store.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/PictureStore.h"
#include "engine/SiteContext.h"
#include "net/HttpSession.h"

namespace pw::test {

class TestSite : public SiteContext {
public:
    explicit TestSite(SessionOptions options = OneAttempt());
    // Pictures go into imageDir (ending in "/"); without it they stay remote.
    void KeepPicturesIn(const std::string& imageDir);

    HttpSession& Http() override { return http_; }
    void Status(const std::string& text) override;
    void Message(const std::string& text) override;
    bool Stopping() const override { return stopping; }
    PictureStore* Pictures() override { return pictures_.get(); }

    std::vector<std::string> Statuses() const;
    std::vector<std::string> Messages() const;
    // The requests the session gave up on (the job's list is then not whole),
    // unless the options told another of them.
    std::vector<std::string> GivenUp() const;
    void RecordGiveUp(const std::string& address);

    static SessionOptions OneAttempt();

    bool stopping = false;

private:
    HttpSession http_;
    std::unique_ptr<PictureStore> pictures_;
    mutable std::mutex mutex_;
    std::vector<std::string> statuses_;
    std::vector<std::string> messages_;
    std::vector<std::string> givenUp_;
};

}  // namespace pw::test
