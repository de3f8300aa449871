#pragma once
// The pictures of one job. Each picture address is fetched once per job, straight
// into the job's picture folder, under a name that can neither collide between
// workers nor leave that folder; an address met again, in the same or another
// article, gets the file already saved. A job keeps at most a budget of bytes.

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/PictureType.h"
#include "engine/PictureFailure.h"
#include "net/FetchResult.h"

namespace pw {

class HttpSession;

// Picture bytes one job keeps at most; later pictures keep their remote addresses.
inline constexpr uint64_t kMaxPictureBytesPerJob = 2ull * 1024 * 1024 * 1024;
// Pictures tried per article at most, failures included; the rest stay remote.
inline constexpr int kMaxPicturesPerArticle = 500;

class PictureStore {
public:
    // imageDir ends in "/".
    PictureStore(HttpSession& http, std::string imageDir, uint64_t budget = kMaxPictureBytesPerJob);

    // What became of one picture: its reference ("img/NAME"), or no reference
    // and the problem that kept it remote, with the request's result when the
    // request failed. An interrupted fetch (the job is stopping) has no answer
    // yet: it is not kept, and the article that asked for it is not finished.
    struct Stored {
        std::string reference;
        PictureProblem problem = PictureProblem::None;
        FetchResult fetch;

        bool Interrupted() const { return problem == PictureProblem::Stopped; }
        static Stored Failed(PictureProblem problem, FetchResult fetch = {}) {
            return {{}, problem, std::move(fetch)};
        }
    };

    // The picture at the absolute address url, fetched unless this job has it
    // already. prefix names a new file (prefix + "_" + a number); workers give
    // distinct prefixes.
    Stored Store(const std::string& url, const std::string& prefix);

    // A picture saved by an earlier run of the job (from its record).
    void Remember(const std::string& url, const std::string& reference);
    // Told of every newly saved picture, from the worker that saved it.
    void SetOnSaved(std::function<void(const std::string& url, const std::string& reference)> f) {
        onSaved_ = std::move(f);
    }

    // Pictures that stayed remote because they failed or did not fit.
    int KeptRemote() const;
    // Pictures fetched over the network by this run.
    int Fetched() const;

    // An address resolved against the page's address; empty when unusable.
    static std::string ResolveUrl(const std::string& pageUrl, const std::string& address);

private:
    Stored Fetch(const std::string& url, const std::string& prefix);

    HttpSession& http_;
    const std::string imageDir_;
    const uint64_t budget_;
    std::function<void(const std::string&, const std::string&)> onSaved_;

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_future<Stored>> pictures_;  // by url
    std::map<std::string, int> names_;                            // prefix -> last number
    uint64_t bytes_ = 0;
    int keptRemote_ = 0;
    int fetched_ = 0;
};

// One article's view of the store: resolves its addresses against the article's
// page and counts its pictures against the per-article cap.
class ArticlePictures {
public:
    ArticlePictures(PictureStore* store, std::string pageUrl, std::string prefix)
        : store_(store), pageUrl_(std::move(pageUrl)), prefix_(std::move(prefix)) {}

    // The page's reference for the address, or empty to keep it as it is.
    std::string Localise(const std::string& address);
    // A picture's fetch was cut off by the job stopping: the page is unfinished.
    bool Interrupted() const { return interrupted_; }
    // The pictures of this article that stay remote, each once, and why.
    const std::vector<PictureFailure>& Failures() const { return failures_; }

private:
    PictureStore* store_;
    std::string pageUrl_;
    std::string prefix_;
    std::map<std::string, std::string> seen_;  // address -> reference
    std::vector<PictureFailure> failures_;
    int tried_ = 0;
    bool interrupted_ = false;
};

}  // namespace pw
