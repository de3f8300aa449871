#include "sites/RemoteCallAnswer.h"

#include "engine/TextOps.h"
#include "engine/TextRoutines.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

}  // namespace

constexpr int kMaxListBytes = 64 * 1024;

CRemoteCallAnswer::CRemoteCallAnswer(std::string text)
    : m_text(std::move(text)), m_lastSemicolon(ReverseFindChar(m_text, ';')) {}

std::vector<std::string> CRemoteCallAnswer::ListedVariables() const {
    std::vector<std::string> names;
    const int open = ReverseFindChar(m_text, '[');
    const int close = ReverseFindChar(m_text, ']');
    if (open < 0 || close < 0 || close <= open + 1) return names;
    // A page lists a few dozen names; a longer list is no answer of the service
    // and would only cost memory.
    if (close - open > kMaxListBytes) return names;
    SplitTokens(Mid(m_text, open + 1, close - open - 1), ",", names);
    return names;
}

CRemoteCallAnswer::Index CRemoteCallAnswer::BuildIndex(const std::string& marker) const {
    Index index;
    for (int at = Find(m_text, marker, 0); at >= 0; at = Find(m_text, marker, at + 1)) {
        int begin = at;
        while (begin > 0 && IsNameChar(m_text[begin - 1])) --begin;
        if (begin == at) continue;
        // The first assignment of a name counts, as a search from the start finds it.
        index.emplace(m_text.substr(begin, at - begin), at + Len(marker));
    }
    return index;
}

int CRemoteCallAnswer::ValueStart(const std::string& var, const std::string& marker) {
    auto found = m_indexes.find(marker);
    if (found == m_indexes.end()) found = m_indexes.emplace(marker, BuildIndex(marker)).first;
    const auto hit = found->second.find(var);
    return hit == found->second.end() ? -1 : hit->second;
}

std::optional<std::string> CRemoteCallAnswer::QuotedValue(const std::string& var,
                                                          const std::string& field) {
    const int start = ValueStart(var, "." + field + "=\"");
    if (start < 0) return std::nullopt;
    const int end = FindChar(m_text, '"', start);
    return Mid(m_text, start, end - start);
}

std::optional<int64_t> CRemoteCallAnswer::NumberValue(const std::string& var,
                                                      const std::string& field) {
    const int start = ValueStart(var, "." + field + "=");
    if (start < 0) return std::nullopt;
    // The value is cut at the next ";"; reading stops at the first non-digit anyway,
    // so only whether a ";" follows at all matters.
    if (m_lastSemicolon < start) return 0;
    return LeadingInteger(std::string_view(m_text).substr(start));
}

}  // namespace pw
