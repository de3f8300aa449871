#pragma once
// The values of the update description file: the offered version, where to get
// it, and the addresses some menu commands open. Update threads replace them
// while the UI thread reads them, so every access goes through one lock and
// readers get copies.

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The file's values; all texts code page 936, as fetched.
struct UpdateValues {
    std::string strName;
    std::string strVersion;
    std::string strDownUrl;
    std::string strHelpUrl;
    std::string strBbsUrl;
    std::string strAllSoftUrl;
    // SHA-256 of the offered program as 64 lower-case hex digits; empty when the
    // last fetched file gave none (or gave something that is not a digest).
    std::string strSha256;
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

// The process's record, created on first use with the help and site defaults.
UpdateInfo& SharedUpdateInfo();

// The text between tag (angle brackets included) and the next "</"; nothing when
// either is missing.
std::optional<std::string> ReadTagValue(std::string_view text, std::string_view tag);

// Fetches an address into a page the way FetchPage does; 0 for success.
using PageFetch = std::function<int(const std::string& address, std::string& page)>;

// Fetches the update description file and stores every tag it has; a missing tag
// keeps the field, except the digest, which is only ever taken with the file it
// came in. 1 when the file was fetched, 0 (record untouched) when not.
int ReadUpdateInfo(UpdateInfo& info, const PageFetch& fetch);
int ReadUpdateInfo(UpdateInfo& info);

// The digest as stored: 64 hex digits, blanks around them ignored, lower case;
// empty for anything else.
std::string NormalizeSha256(std::string_view text);

}  // namespace pw
