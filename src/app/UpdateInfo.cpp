#include "app/UpdateInfo.h"

#include <cctype>
#include <utility>

#include "base/Identity.h"
#include "net/PageFetcher.h"

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
    return values_.strHelpUrl;
}

std::string UpdateInfo::SiteUrl() const {
    std::lock_guard lock(mutex_);
    return values_.strBbsUrl;
}

std::string UpdateInfo::OtherWorksUrl() const {
    std::lock_guard lock(mutex_);
    return values_.strAllSoftUrl;
}

UpdateInfo& SharedUpdateInfo() {
    static UpdateInfo info([] {
        UpdateValues defaults;
        defaults.strHelpUrl = kHelpPageUrl;
        defaults.strBbsUrl = kSiteUrl;
        return defaults;
    }());
    return info;
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

int ReadUpdateInfo(UpdateInfo& info, const PageFetch& fetch) {
    std::string page;
    if (fetch(kUpdateFileUrl, page) != 0) return 0;

    UpdateValues values = info.Get();
    const std::pair<const char*, std::string*> fields[] = {
        {"<name>", &values.strName},       {"<version>", &values.strVersion},
        {"<downurl>", &values.strDownUrl}, {"<help>", &values.strHelpUrl},
        {"<bbs>", &values.strBbsUrl},      {"<allsoft>", &values.strAllSoftUrl},
    };
    for (const auto& [tag, field] : fields) {
        if (auto value = ReadTagValue(page, tag)) *field = std::move(*value);
    }
    // A digest left over from an earlier file would belong to another program.
    values.strSha256 = NormalizeSha256(ReadTagValue(page, "<sha256>").value_or(""));
    info.Set(std::move(values));
    return 1;
}

int ReadUpdateInfo(UpdateInfo& info) {
    // The description names what may run on this machine: https only, every
    // redirect included, or nothing.
    return ReadUpdateInfo(info, [](const std::string& address, std::string& page) {
        return FetchPage(address, page, true);
    });
}

}  // namespace pw
