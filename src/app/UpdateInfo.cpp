#include "app/UpdateInfo.h"

#include <cctype>
#include <utility>

#include "app/Identity.h"
#include "net/PageFetcher.h"

namespace pw {

UpdateValues CUpdateInfo::Get() const {
    std::lock_guard lock(m_mutex);
    return m_values;
}

void CUpdateInfo::Set(UpdateValues values) {
    std::lock_guard lock(m_mutex);
    m_values = std::move(values);
}

std::string CUpdateInfo::HelpUrl() const {
    std::lock_guard lock(m_mutex);
    return m_values.strHelpUrl;
}

std::string CUpdateInfo::SiteUrl() const {
    std::lock_guard lock(m_mutex);
    return m_values.strBbsUrl;
}

std::string CUpdateInfo::OtherWorksUrl() const {
    std::lock_guard lock(m_mutex);
    return m_values.strAllSoftUrl;
}

CUpdateInfo& UpdateInfo() {
    static CUpdateInfo info([] {
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

int ReadUpdateInfo(CUpdateInfo& info, const PageFetch& fetch) {
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

int ReadUpdateInfo(CUpdateInfo& info) {
    return ReadUpdateInfo(info, FetchPage);
}

}  // namespace pw
