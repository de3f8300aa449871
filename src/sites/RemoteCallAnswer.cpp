#include "sites/RemoteCallAnswer.h"

#include "base/Text.h"
#include "sites/Scanner.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

}  // namespace

constexpr int kMaxListBytes = 64 * 1024;

RemoteCallAnswer::RemoteCallAnswer(std::string text)
    : text_(std::move(text)), lastSemicolon_(ReverseFindChar(text_, ';')) {}

std::vector<std::string> RemoteCallAnswer::ListedVariables() const {
    std::vector<std::string> names;
    const int open = ReverseFindChar(text_, '[');
    const int close = ReverseFindChar(text_, ']');
    if (open < 0 || close < 0 || close <= open + 1) return names;
    // A page lists a few dozen names; a longer list is no answer of the service
    // and would only cost memory.
    if (close - open > kMaxListBytes) return names;
    SplitTokens(Mid(text_, open + 1, close - open - 1), ",", names);
    return names;
}

RemoteCallAnswer::Index RemoteCallAnswer::BuildIndex(const std::string& marker) const {
    Index index;
    for (int at = Find(text_, marker, 0); at >= 0; at = Find(text_, marker, at + 1)) {
        int begin = at;
        while (begin > 0 && IsNameChar(text_[begin - 1])) --begin;
        if (begin == at) continue;
        // The first assignment of a name counts, as a search from the start finds it.
        index.emplace(text_.substr(begin, at - begin), at + Len(marker));
    }
    return index;
}

int RemoteCallAnswer::ValueStart(const std::string& var, const std::string& marker) {
    auto found = indexes_.find(marker);
    if (found == indexes_.end()) found = indexes_.emplace(marker, BuildIndex(marker)).first;
    const auto hit = found->second.find(var);
    return hit == found->second.end() ? -1 : hit->second;
}

std::optional<std::string> RemoteCallAnswer::QuotedValue(const std::string& var,
                                                         const std::string& field) {
    const int start = ValueStart(var, "." + field + "=\"");
    if (start < 0) return std::nullopt;
    // An unclosed value is empty.
    Scanner value(std::string_view(text_).substr(static_cast<size_t>(start)));
    return value.Until("\"").value_or("");
}

std::optional<int64_t> RemoteCallAnswer::NumberValue(const std::string& var,
                                                     const std::string& field) {
    const int start = ValueStart(var, "." + field + "=");
    if (start < 0) return std::nullopt;
    // The value is cut at the next ";"; reading stops at the first non-digit anyway,
    // so only whether a ";" follows at all matters.
    if (lastSemicolon_ < start) return 0;
    return LeadingInteger(std::string_view(text_).substr(start));
}

}  // namespace pw
