#include "app/UpdateInfo.h"

#include <cctype>
#include <utility>

#include "base/Identity.h"
#include "base/Text.h"
#include "net/HttpSession.h"

namespace pw {

UpdateValues UpdateInfo::Get() const {
    std::lock_guard lock(mutex_);
    return values_;
}

void UpdateInfo::Set(UpdateValues values) {
    std::lock_guard lock(mutex_);
    values_ = std::move(values);
}

std::string UpdateInfo::HelpUrl() const {
    std::lock_guard lock(mutex_);
    return values_.helpUrl;
}

std::string UpdateInfo::SiteUrl() const {
    std::lock_guard lock(mutex_);
    return values_.bbsUrl;
}

std::string UpdateInfo::OtherWorksUrl() const {
    std::lock_guard lock(mutex_);
    return values_.allSoftUrl;
}

UpdateValues DefaultUpdateValues() {
    UpdateValues values;
    values.helpUrl = kHelpPageUrl;
    values.bbsUrl = kSiteUrl;
    values.allSoftUrl = kShopUrl;
    return values;
}

std::optional<std::string> ReadTagValue(std::string_view text, std::string_view tag) {
    const size_t open = text.find(tag);
    if (open == std::string_view::npos) return std::nullopt;
    const size_t start = open + tag.size();
    const size_t close = text.find("</", start);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(text.substr(start, close - start));
}

std::string NormalizeSha256(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.size() != 64) return {};
    std::string digest;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        digest += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return digest;
}

bool IsWebAddress(std::string_view address) {
    size_t rest = 0;
    if (StartsWithNoCase(address, "https://")) {
        rest = 8;
    } else if (StartsWithNoCase(address, "http://")) {
        rest = 7;
    } else {
        return false;
    }
    if (address.size() == rest) return false;
    for (char c : address) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7f) return false;
    }
    return true;
}

PageFetch SecureFetch(std::stop_token stop) {
    return [stop](const std::string& address, std::string& page) {
        SessionOptions options;
        options.retry.attempts = 1;
        options.httpsOnly = true;
        options.stop = stop;
        options.stopWaits = stop;
        HttpSession session(std::move(options));
        return session.GetPage(address, page);
    };
}

int ReadUpdateInfo(UpdateInfo& info, const PageFetch& fetch, const std::string& address) {
    std::string page;
    if (address.empty() || !fetch(address, page).Ok()) return 0;

    UpdateValues values = info.Get();
    const std::pair<const char*, std::string*> fields[] = {
        {"<name>", &values.name},       {"<version>", &values.version},
        {"<downurl>", &values.downUrl}, {"<help>", &values.helpUrl},
        {"<bbs>", &values.bbsUrl},      {"<allsoft>", &values.allSoftUrl},
    };
    for (const auto& [tag, field] : fields) {
        if (auto value = ReadTagValue(page, tag)) *field = std::move(*value);
    }
    // A digest left over from an earlier file would belong to another program.
    values.sha256 = NormalizeSha256(ReadTagValue(page, "<sha256>").value_or(""));
    info.Set(std::move(values));
    return 1;
}

}  // namespace pw
