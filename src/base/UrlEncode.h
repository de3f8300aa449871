#pragma once

#include <string>
#include <string_view>

namespace pw {

// Bytes from 0x80 up as "%XX"; everything else, blanks included, unchanged.
std::string UrlEncodeAnsi(std::string_view ansi);

// The text as UTF-8, each non-ASCII byte as "%XX" (Chinese characters are the
// three-byte groups the share pages expect).
std::string UrlEncodeUtf8(std::string_view ansi);

}  // namespace pw
