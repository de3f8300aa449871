#pragma once
// What became of one article's download: saved as a page, skipped, failed with
// the reason the user is told and the HTTP status when there was one, or cut
// off by the job stopping (it is neither saved nor failed: a later run fetches it).

#include <string>
#include <vector>

#include "engine/PictureFailure.h"

namespace pw {

struct ArticleOutcome {
    enum class Kind { Saved, Skipped, Failed, Interrupted };

    Kind kind = Kind::Failed;
    std::string reason;  // the engine's message for a failure
    int httpStatus = 0;  // of the article's page; 0 when there was no answer
    // The page arrived but lacked the engine's content markers: services answer
    // busy moments with such pages, so it is worth another try.
    bool markersMissing = false;
    // Of a saved page: its pictures that stayed remote, and why.
    std::vector<PictureFailure> pictures;

    bool Saved() const { return kind == Kind::Saved; }

    static ArticleOutcome Done() { return {Kind::Saved, {}, 200, false, {}}; }
    static ArticleOutcome Skip(std::string why) {
        return {Kind::Skipped, std::move(why), 0, false, {}};
    }
    static ArticleOutcome Fail(std::string why, int status = 0) {
        return {Kind::Failed, std::move(why), status, false, {}};
    }
    static ArticleOutcome Stopped() { return {Kind::Interrupted, {}, 0, false, {}}; }
    static ArticleOutcome NoMarkers(std::string why) {
        return {Kind::Failed, std::move(why), 200, true, {}};
    }
};

}  // namespace pw
