#pragma once
// The program's text operations. Texts are UTF-8 bytes; indices are byte
// offsets; -1 means "not found"; cuts clamp instead of failing. Searches are
// plain byte searches: no UTF-8 sequence contains another's start, so a marker
// is found only where its characters begin.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Length of the well-formed UTF-8 sequence at text[at], or 0 when none begins
// there (a stray or cut byte, an overlong form, a surrogate, beyond U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t at);
// The code point of the well-formed sequence of that length at text[at].
uint32_t Utf8CodePoint(std::string_view text, size_t at, size_t length);
void AppendUtf8(std::string& out, uint32_t codePoint);
// The longest prefix of at most max bytes that cuts no sequence in two.
size_t Utf8Prefix(std::string_view text, size_t max);

int Find(std::string_view text, std::string_view marker, int start = 0);
int FindChar(std::string_view text, char ch, int start = 0);
int ReverseFindChar(std::string_view text, char ch);

std::string Mid(std::string_view text, int start, int count);
std::string Mid(std::string_view text, int start);
std::string Left(std::string_view text, int n);
std::string Right(std::string_view text, int n);

// Trimming takes ASCII white space off.
void TrimLeft(std::string& text);
void TrimRight(std::string& text);
void Trim(std::string& text);
std::string Trimmed(std::string_view text);
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

// Splits at any of the delimiter bytes; runs of delimiters count as one and no
// empty token is produced. Returns the number of tokens.
int SplitTokens(std::string_view text, std::string_view delimiters,
                std::vector<std::string>& tokens);

// The twelve entity replacements, in their fixed order ("&amp;" first).
void DecodeHtmlEntities(std::string& text);

// The body of a quoted script string (ASCII with backslash escapes) to UTF-16.
// Decoding ends at the first "\u" escape that is not four hex digits.
std::u16string DecodeScriptEscapes(const char* text);

// Seconds since the epoch as local "%Y-%m-%d %H:%M:%S"; empty when it cannot be converted.
std::string FormatTime(int64_t seconds);
std::string NowText();

// "0." followed by n random decimal digits.
std::string RandomFraction(int digits);

}  // namespace pw
