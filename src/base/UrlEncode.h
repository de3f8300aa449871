#pragma once

#include <string>
#include <string_view>

namespace pw {

// The text in code page 936, each byte from 0x80 up as "%XX"; everything
// else, blanks included, unchanged. Most share pages read their texts so.
std::string UrlEncodeAnsi(std::string_view utf8);

// The same with the UTF-8 bytes (Chinese characters are the three-byte groups
// the share pages that read UTF-8 expect).
std::string UrlEncodeUtf8(std::string_view utf8);

}  // namespace pw
