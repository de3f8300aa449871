#pragma once
// HTTP POST with a hand-made header block, answered with a compressed body: the
// 163 blog's remote-call interface.

#include <string>

namespace pw {

// The raw answer grows up to this size; a longer answer is cut here.
inline constexpr size_t kMaxPostAnswerBytes = 64u << 20;

// POSTs body to http://host/path (port 80, through the environment's proxy) with
// the header block's lines (separated by "\n") as request headers, and returns
// the decompressed answer up to its first zero byte in page. A status other than
// 200 leaves page empty; a network error leaves it empty and shows the message
// box "InternetException\r\nm_dwError<code>,m_dwContextError1".
void PostRequest(std::string& page, const std::string& host, const std::string& path,
                 const std::string& headers, const std::string& body);

}  // namespace pw
