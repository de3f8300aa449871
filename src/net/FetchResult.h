#pragma once
// What became of one request after its retries: an answer, an error status, a
// network failure, or a stop. Every request of the program (pages, the remote
// call, pictures, the update download) ends in one of these, so a report or a
// dialog can say why something is missing.

#include <string>

namespace pw {

struct FetchResult {
    enum class Kind {
        Ok,            // a 2xx answer, read whole
        HttpStatus,    // an answer with another status (status holds it)
        NetworkError,  // no answer, or one cut short (error holds libcurl's text)
        TooLarge,      // the answer is larger than the caller takes
        Refused,       // an address this request may not go to (scheme, redirect)
        Damaged,       // a 2xx answer whose body could not be decoded
        Stopped,       // the job was stopped while the request waited or ran
    };

    Kind kind = Kind::NetworkError;
    int status = 0;     // HTTP status of the last answer; 0 without one
    int curlCode = 0;   // libcurl's code for a network error
    int attempts = 0;   // requests made for it, retries included
    std::string error;  // libcurl's text for a network error

    bool Ok() const { return kind == Kind::Ok; }
};

}  // namespace pw
