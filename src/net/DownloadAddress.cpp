#include "net/DownloadAddress.h"

#include <curl/curl.h>
#include <strings.h>

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

    address.url = Part(url.get(), CURLUPART_URL);
    address.scheme = scheme;
    address.server = server;
    address.object = Part(url.get(), CURLUPART_PATH);
    const std::string query = Part(url.get(), CURLUPART_QUERY);
    if (!query.empty()) address.object += "?" + query;
    address.port = std::atoi(Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
    return true;
}

}  // namespace

bool ParseDownloadAddress(const std::string& source, DownloadAddress& address) {
    if (ParseOnce(source, address)) return true;
    // Only an address without any scheme is taken for a web address.
    return source.find("://") == std::string::npos && ParseOnce("http://" + source, address);
}

bool CredentialsMayFollow(const std::string& from, const std::string& to) {
    DownloadAddress before, after;
    if (!ParseOnce(from, before) || !ParseOnce(to, after)) return false;
    if (strcasecmp(before.server.c_str(), after.server.c_str()) != 0 || before.port != after.port) {
        return false;
    }
    return !(before.scheme == "https" && after.scheme != "https");
}

std::string DownloadDisplayName(const std::string& object) {
    size_t cut = object.rfind('/');
    if (cut == std::string::npos) cut = object.rfind('\\');
    if (cut == std::string::npos || object.size() < 2) return object;
    return object.substr(cut + 1);
}

}  // namespace pw
