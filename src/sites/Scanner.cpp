#include "sites/Scanner.h"

#include <algorithm>

#include "base/Text.h"

namespace pw {

Scanner::Scanner(std::string_view text) : text_(text), blockEnd_(Len(text)), entryEnd_(Len(text)) {}

int Scanner::Search(std::string_view marker, int from, int end) const {
    if (from < 0 || from > end) return -1;
    return Find(text_.substr(0, static_cast<size_t>(end)), marker, from);
}

int Scanner::MarkerEnd() const {
    return std::min(blockEnd_, entryEnd_);
}

bool Scanner::To(std::string_view marker) {
    const int at = Search(marker, pos_, MarkerEnd());
    if (at < 0) return false;
    pos_ = at;
    return true;
}

bool Scanner::Past(std::string_view marker) {
    if (!To(marker)) return false;
    pos_ += Len(marker);
    return true;
}

bool Scanner::Require(std::string_view marker, SiteContext& site, const std::string& message) {
    if (To(marker)) return true;
    Tell(site, message);
    return false;
}

void Scanner::Tell(SiteContext& site, const std::string& message) {
    if (told_) return;
    told_ = true;
    site.Message(message);
}

std::optional<std::string> Scanner::Until(std::string_view end) {
    return UntilFirstOf({end});
}

std::optional<std::string> Scanner::UntilFirstOf(std::initializer_list<std::string_view> ends) {
    for (const std::string_view end : ends) {
        const int at = Search(end, pos_, blockEnd_);
        if (at < 0) continue;
        std::string value(text_.substr(static_cast<size_t>(pos_), static_cast<size_t>(at - pos_)));
        pos_ = at;
        return value;
    }
    pos_ = -1;
    return std::nullopt;
}

std::string Scanner::UpTo(std::string_view end) {
    if (Ended()) return {};
    if (Search(end, pos_, blockEnd_) < 0) {
        std::string rest = Rest();
        pos_ = blockEnd_;
        return rest;
    }
    return *Until(end);
}

std::optional<std::string> Scanner::Cut(std::string_view open, std::string_view close) {
    if (!Past(open)) return std::nullopt;
    return Until(close);
}

std::string Scanner::CutOr(std::string_view open, std::string_view close, std::string fallback) {
    std::optional<std::string> value = Cut(open, close);
    return value ? std::move(*value) : std::move(fallback);
}

std::string Scanner::Rest() const {
    if (Ended()) return {};
    return std::string(
        text_.substr(static_cast<size_t>(pos_), static_cast<size_t>(blockEnd_ - pos_)));
}

void Scanner::EndBlockAt(std::string_view end) {
    const int at = Search(end, pos_, blockEnd_);
    if (at >= 0) blockEnd_ = at;
}

bool Scanner::NextEntry(std::string_view marker) {
    entryEnd_ = blockEnd_;
    if (marker != entryMarker_) {
        entryMarker_ = marker;
        entrySearchedFrom_ = -1;
    }
    const int at = NextEntryFrom(pos_);
    if (at < 0) return false;
    pos_ = at + Len(marker);
    return true;
}

void Scanner::EndEntryAtNext() {
    const int next = NextEntryFrom(pos_);
    entryEnd_ = next < 0 ? blockEnd_ : next;
}

int Scanner::NextEntryFrom(int from) {
    if (from < 0) return -1;
    const bool stillAhead = entrySearchedFrom_ >= 0 && from >= entrySearchedFrom_ &&
                            (entryHit_ < 0 || from <= entryHit_);
    if (!stillAhead) {
        entrySearchedFrom_ = from;
        entryHit_ = Search(entryMarker_, from, blockEnd_);
    }
    return entryHit_;
}

std::string EntitiesDecoded(std::string text) {
    DecodeHtmlEntities(text);
    return text;
}

std::optional<std::string> PageTitle(std::string_view page, std::string_view open,
                                     std::string_view close) {
    Scanner scan(page);
    std::optional<std::string> title = scan.Cut(open, close);
    if (title) Trim(*title);
    return title;
}

}  // namespace pw
