#pragma once
// The values of the update description file: the offered version, where to get
// it, and the addresses some menu commands open. Update threads replace them
// while the GUI thread reads them, so every access goes through one lock and
// readers get copies. Everything in it came from the network: only addresses
// that pass IsWebAddress are ever opened, and its texts are shown as plain text.

#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "net/FetchResult.h"

namespace pw {

// The file's values; all texts code page 936, as fetched.
struct UpdateValues {
    std::string name;
    std::string version;
    std::string downUrl;
    std::string helpUrl;
    std::string bbsUrl;
    std::string allSoftUrl;
    // SHA-256 of the offered program as 64 lower-case hex digits; empty when the
    // last fetched file gave none (or gave something that is not a digest).
    std::string sha256;
};

class UpdateInfo {
public:
    UpdateInfo() = default;
    explicit UpdateInfo(UpdateValues values) : values_(std::move(values)) {}

    UpdateValues Get() const;
    void Set(UpdateValues values);

    std::string HelpUrl() const;
    std::string SiteUrl() const;
    std::string OtherWorksUrl() const;

private:
    mutable std::mutex mutex_;
    UpdateValues values_;
};

// The record before any check: help, site and other-works addresses from the
// build (kHelpPageUrl, kSiteUrl, kShopUrl), the rest empty.
UpdateValues DefaultUpdateValues();

// The text between tag (angle brackets included) and the next "</"; nothing when
// either is missing.
std::optional<std::string> ReadTagValue(std::string_view text, std::string_view tag);

// Fetches an address into a page the way HttpSession::GetPage does.
using PageFetch = std::function<FetchResult(const std::string& address, std::string& page)>;

// How the description is fetched: https only, every redirect included, one
// attempt, and a stop request ends the transfer at once.
PageFetch SecureFetch(std::stop_token stop = {});

// Fetches the update description file at address and stores every tag it has;
// a missing tag keeps the field, except the digest, which is only ever taken
// with the file it came in. 1 when the file was fetched, 0 (record untouched)
// when not.
int ReadUpdateInfo(UpdateInfo& info, const PageFetch& fetch, const std::string& address);

// The digest as stored: 64 hex digits, blanks around them ignored, lower case;
// empty for anything else.
std::string NormalizeSha256(std::string_view text);

// An http or https address that a browser may be given: no other scheme (no
// file:, smb: or the like), nothing a launcher could read as an option, no
// blanks or control bytes.
bool IsWebAddress(std::string_view address);

}  // namespace pw
