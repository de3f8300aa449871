#include "net/PostRequest.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "net/InflateBody.h"

namespace pw {

namespace {

// The context value the request was opened with; the error text reports it.
constexpr unsigned kRequestContext = 1;
// The output window is ten times the answer, within these bounds.
constexpr size_t kMinBlockBytes = 1024;
constexpr size_t kMaxBlockBytes = 1u << 20;

// False when the answer does not inflate: it is no answer then, not an empty one.
bool Decompress(const std::string& raw, std::string& page) {
    const size_t blockSize = std::min(std::max(raw.size() * 10, kMinBlockBytes), kMaxBlockBytes);
    std::vector<unsigned char> block(blockSize);
    std::string inflated;
    if (!InflateBody(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), block.data(),
                     block.size(), inflated)) {
        return false;
    }
    page.assign(inflated.c_str());
    return true;
}

}  // namespace

std::string PostFailureText(int code) {
    char text[128];
    std::snprintf(text, sizeof text, "InternetException\r\nm_dwError%u,m_dwContextError%u",
                  static_cast<unsigned>(code), kRequestContext);
    return text;
}

FetchResult PostRequest(HttpSession& session, std::string& page, const std::string& host,
                        const std::string& path, const std::string& headers,
                        const std::string& body, std::string* networkError) {
    page.clear();
    if (networkError) networkError->clear();
    std::string raw;
    const std::string address = "http://" + host + "/" + path;
    FetchResult result = session.Post(address, headers, body, raw, kMaxPostAnswerBytes);
    if (result.kind == FetchResult::Kind::NetworkError && networkError) {
        *networkError = PostFailureText(result.curlCode);
    }
    // An answer cut at the size limit still gives what it holds.
    const bool answered =
        result.Ok() || (result.kind == FetchResult::Kind::TooLarge && result.status == 200);
    if (answered && !Decompress(raw, page)) {
        // The listing must not take a broken answer for the end of the list.
        page.clear();
        result.kind = FetchResult::Kind::Damaged;
        session.GiveUp(address, result);
    }
    return result;
}

}  // namespace pw
