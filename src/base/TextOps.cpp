#include "base/TextOps.h"

namespace pw {

namespace {

// Width of the character that starts at byte i.
int CharWidth(std::string_view text, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int Find(std::string_view text, std::string_view marker, int start) {
    if (start < 0 || start > Len(text)) return -1;
    if (marker.empty()) return start;
    size_t boundary = static_cast<size_t>(start);  // a known character boundary
    while (true) {
        const size_t candidate = text.find(marker, boundary);
        if (candidate == std::string_view::npos) return -1;
        // A byte below 0x40 is never part of a double-byte character, so the byte
        // after it is a boundary: walk forward from the nearest one.
        size_t at = candidate;
        while (at > boundary && static_cast<unsigned char>(text[at - 1]) >= 0x40) --at;
        while (at < candidate) at += CharWidth(text, at);
        if (at == candidate) return static_cast<int>(candidate);
        boundary = at;  // the candidate began on a trail byte
    }
}

int FindChar(std::string_view text, char ch, int start) {
    return Find(text, std::string_view(&ch, 1), start);
}

int ReverseFindChar(std::string_view text, char ch) {
    int found = -1;
    for (size_t i = 0; i < text.size(); i += CharWidth(text, i)) {
        if (text[i] == ch) found = static_cast<int>(i);
    }
    return found;
}

std::string Mid(std::string_view text, int start, int count) {
    if (start < 0) start = 0;
    if (count < 0) count = 0;
    if (start >= Len(text)) return {};
    return std::string(text.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

std::string Mid(std::string_view text, int start) {
    if (start < 0) start = 0;
    if (start >= Len(text)) return {};
    return std::string(text.substr(static_cast<size_t>(start)));
}

std::string Left(std::string_view text, int n) {
    if (n < 0) n = 0;
    return std::string(text.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view text, int n) {
    if (n < 0) n = 0;
    if (n >= Len(text)) return std::string(text);
    return std::string(text.substr(text.size() - static_cast<size_t>(n)));
}

void TrimLeft(std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) ++i;
    text.erase(0, i);
}

void TrimRight(std::string& text) {
    size_t n = text.size();
    while (n > 0 && IsAsciiSpace(text[n - 1])) {
        // A trail byte that looks like white space cannot occur (trail bytes are
        // 0x40 and up), so trimming from the end never splits a character.
        --n;
    }
    text.resize(n);
}

void Trim(std::string& text) {
    TrimRight(text);
    TrimLeft(text);
}

void MakeLower(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const int w = CharWidth(text, i);
        if (w == 1 && text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] + 32);
        i += w;
    }
}

int Replace(std::string& text, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return 0;
    std::string out;
    int count = 0;
    int pos = 0;
    for (int hit = Find(text, oldText, 0); hit >= 0; hit = Find(text, oldText, pos)) {
        if (count == 0) out.reserve(text.size());
        out.append(text, static_cast<size_t>(pos), static_cast<size_t>(hit - pos));
        out.append(newText);
        pos = hit + Len(oldText);
        ++count;
    }
    if (count == 0) return 0;
    out.append(text, static_cast<size_t>(pos), std::string::npos);
    text.swap(out);
    return count;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != lower(prefix[i])) return false;
    }
    return true;
}

}  // namespace pw
