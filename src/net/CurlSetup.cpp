#include "net/CurlSetup.h"

#include <mutex>

#include "net/HttpSession.h"

namespace pw {

namespace {

constexpr long kConnectTimeoutSeconds = 30;
// Receiving less than one byte a second over this span ends the transfer.
constexpr long kReceiveTimeoutSeconds = 10;
// Backstop against a server that trickles a byte every few seconds forever.
constexpr long kMaxTransferSeconds = 600;

}  // namespace

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void ApplyCommonCurlOptions(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kReceiveTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kMaxTransferSeconds);
    // Addresses come from pages: never let one reach a local file or another scheme.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
}

}  // namespace pw
