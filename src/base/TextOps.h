#pragma once
// Search-and-cut operations on code page 936 byte texts. Indices are byte offsets;
// -1 means "not found"; cuts clamp instead of failing. Every search steps by
// character, so a match never starts on the trail byte of a double-byte character.

#include <string>
#include <string_view>

namespace pw {

// True for a code page 936 lead byte (0x81..0xFE).
inline bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

int Find(std::string_view text, std::string_view marker, int start = 0);
int FindChar(std::string_view text, char ch, int start = 0);
int ReverseFindChar(std::string_view text, char ch);

std::string Mid(std::string_view text, int start, int count);
std::string Mid(std::string_view text, int start);
std::string Left(std::string_view text, int n);
std::string Right(std::string_view text, int n);

void TrimLeft(std::string& text);
void TrimRight(std::string& text);
void Trim(std::string& text);
void MakeLower(std::string& text);

// True when text begins with prefix, ASCII letters compared without regard to
// case (as schemes, header names and tags are).
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Replaces every non-overlapping occurrence; returns how many were replaced.
int Replace(std::string& text, std::string_view oldText, std::string_view newText);

// Length as the signed 32-bit count the engines compute with.
inline int Len(std::string_view text) {
    return static_cast<int>(text.size());
}

}  // namespace pw
