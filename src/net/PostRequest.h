#pragma once
// The remote-call POST of the 163 service: a hand-made header block and body
// sent to a host on port 80, answered with a compressed body.

#include <string>

#include "net/FetchResult.h"
#include "net/HttpSession.h"

namespace pw {

// The raw answer is held at most this large.
inline constexpr size_t kMaxPostAnswerBytes = 64u << 20;

// Sends the request over the session and puts the decompressed answer, up to its
// first zero byte, into page. Only a 200 answer fills page; a network failure
// also sets *networkError to the text the user is shown. An answer that does not
// decompress is Damaged, leaves page empty and is given up (the session's
// onGiveUp hears of it) like any request that failed.
FetchResult PostRequest(HttpSession& session, std::string& page, const std::string& host,
                        const std::string& path, const std::string& headers,
                        const std::string& body, std::string* networkError = nullptr);

// The text shown for a network failure of the request: the client's error code
// and the request's context value.
std::string PostFailureText(int code);

}  // namespace pw
