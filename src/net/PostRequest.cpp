#include "net/PostRequest.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/Host.h"
#include "net/CurlSetup.h"
#include "net/InflateBody.h"

namespace pw {

namespace {

// The context value the request was opened with; the error text reports it.
constexpr unsigned kRequestContext = 1;
constexpr size_t kInitialReceiveBytes = 1u << 20;
// The output window is ten times the answer, within these bounds.
constexpr size_t kMinBlockBytes = 1024;
constexpr size_t kMaxBlockBytes = 1u << 20;

struct Receiver {
    CURL* curl;
    std::string raw;
    bool wanted = false;  // the answer's status is 200
    bool checked = false;
    bool full = false;  // the answer passed kMaxPostAnswerBytes
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto& receiver = *static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    if (!receiver.checked) {
        receiver.checked = true;
        long status = 0;
        curl_easy_getinfo(receiver.curl, CURLINFO_RESPONSE_CODE, &status);
        receiver.wanted = status == 200;
    }
    if (!receiver.wanted) return 0;
    const size_t room = kMaxPostAnswerBytes - receiver.raw.size();
    if (bytes > room) {
        receiver.raw.append(data, room);
        receiver.full = true;
        return 0;
    }
    receiver.raw.append(data, bytes);
    return bytes;
}

// libcurl takes header lines without line ends, and drops a header whose value is
// empty unless it is written "Name;".
curl_slist* HeaderList(const std::string& block) {
    curl_slist* list = nullptr;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find('\n', start);
        if (end == std::string::npos) end = block.size();
        std::string line = block.substr(start, end - start);
        start = end + 1;
        std::erase(line, '\r');
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        if (colon != std::string::npos &&
            line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
            line = line.substr(0, colon) + ";";
        }
        list = curl_slist_append(list, line.c_str());
    }
    // The block says everything that is to be sent; no "Expect" round trip.
    return curl_slist_append(list, "Expect:");
}

void ShowNetworkError(CURLcode code) {
    char text[128];
    std::snprintf(text, sizeof text, "InternetException\r\nm_dwError%u,m_dwContextError%u",
                  static_cast<unsigned>(code), kRequestContext);
    ShowMessageBox(text);
}

void Decompress(const std::string& raw, std::string& page) {
    const size_t blockSize = std::min(std::max(raw.size() * 10, kMinBlockBytes), kMaxBlockBytes);
    std::vector<unsigned char> block(blockSize);
    std::string inflated;
    InflateBody(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), block.data(),
                block.size(), inflated);
    page.assign(inflated.c_str());
}

}  // namespace

void PostRequest(std::string& page, const std::string& host, const std::string& path,
                 const std::string& headers, const std::string& body) {
    page.clear();
    InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) return;
    ApplyCommonCurlOptions(curl);

    const std::string url = "http://" + host + "/" + path;
    curl_slist* headerList = HeaderList(headers);
    Receiver receiver{curl, {}};
    receiver.raw.reserve(kInitialReceiveBytes);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headerList);

    const bool stoppedByUs = code == CURLE_WRITE_ERROR && (receiver.full || !receiver.wanted);
    if (code != CURLE_OK && !stoppedByUs) {
        // A status other than 200 is no network error, whatever happened after it.
        if (status == 0 || status == 200) ShowNetworkError(code);
        return;
    }
    if (status != 200) return;
    Decompress(receiver.raw, page);
}

}  // namespace pw
