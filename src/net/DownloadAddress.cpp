#include "net/DownloadAddress.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

namespace pw {

namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::string Part(CURLU* url, CURLUPart which, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, which, &value, flags) != CURLUE_OK || !value) return {};
    std::string text(value);
    curl_free(value);
    return text;
}

bool ParseOnce(const std::string& text, DownloadAddress& address) {
    UrlHandle url(curl_url(), &curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return false;
    const std::string scheme = Part(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") return false;
    const std::string server = Part(url.get(), CURLUPART_HOST);
    if (server.empty()) return false;

    address.strUrl = Part(url.get(), CURLUPART_URL);
    address.strScheme = scheme;
    address.strServer = server;
    address.strObject = Part(url.get(), CURLUPART_PATH);
    const std::string query = Part(url.get(), CURLUPART_QUERY);
    if (!query.empty()) address.strObject += "?" + query;
    address.nPort = std::atoi(Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
    return true;
}

}  // namespace

bool ParseDownloadAddress(const std::string& source, DownloadAddress& address) {
    if (ParseOnce(source, address)) return true;
    // Only an address without any scheme is taken for a web address.
    return source.find("://") == std::string::npos && ParseOnce("http://" + source, address);
}

std::string DownloadDisplayName(const std::string& object) {
    size_t cut = object.rfind('/');
    if (cut == std::string::npos) cut = object.rfind('\\');
    if (cut == std::string::npos || object.size() < 2) return object;
    return object.substr(cut + 1);
}

}  // namespace pw
