#pragma once
// A picture that stayed remote, and why, for the job's report.

#include <string>

#include "net/FetchResult.h"

namespace pw {

// Why the picture store kept no copy of a picture.
enum class PictureProblem {
    None,
    Fetch,        // the request failed (its FetchResult says how)
    NotAPicture,  // the answer is no picture format the book takes
    OverBudget,   // the job's picture bytes are spent
    Unsaved,      // the file could not be kept in the picture folder
    Stopped,      // the job stopped while it was fetched
};

struct PictureFailure {
    std::string url;
    std::string reason;
    int httpStatus = 0;  // of the picture's answer; 0 when there was none
};

// The reason in words, e.g. "服务器返回 HTTP 404" or "不是图片".
std::string PictureProblemText(PictureProblem problem, const FetchResult& fetch);

}  // namespace pw
