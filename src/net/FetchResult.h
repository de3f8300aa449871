#pragma once
// What became of one request after its retries: an answer, an error status, a
// network failure, or a stop. Callers keep the status so that a report can say
// why something is missing.

#include <string>

namespace pw {

// The result code of a page fetch that got no answer at all.
inline constexpr int kFetchFailed = static_cast<int>(0x80000000u);

struct FetchResult {
    enum class Kind {
        Ok,            // a 2xx answer, read whole
        HttpStatus,    // an answer with another status (status holds it)
        NetworkError,  // no answer, or one cut short (error holds libcurl's text)
        TooLarge,      // the answer is larger than the caller takes
        Refused,       // an address this request may not go to (scheme, redirect)
        Stopped,       // the job was stopped while the request waited or ran
    };

    Kind kind = Kind::NetworkError;
    int status = 0;     // HTTP status of the last answer; 0 without one
    int curlCode = 0;   // libcurl's code for a network error
    int attempts = 0;   // requests made for it, retries included
    std::string error;  // libcurl's text for a network error

    bool Ok() const { return kind == Kind::Ok; }
    // 0 for a 2xx answer, the status of another answer, kFetchFailed otherwise.
    int Code() const {
        if (kind == Kind::Ok) return 0;
        if (kind == Kind::HttpStatus) return status;
        return kFetchFailed;
    }
};

}  // namespace pw
