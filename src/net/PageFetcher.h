#pragma once
// One-off GET requests outside a job (the update check), each over a session of
// its own with a single attempt. Jobs use their HttpSession instead.

#include <cstddef>
#include <string>

#include "net/FetchResult.h"
#include "net/HttpSession.h"

namespace pw {

// GET the address into page as text (see HttpSession::GetPage). Returns 0 for a
// 2xx answer, the status for any other answer (page empty), kFetchFailed on a
// network error or a body over 32 MiB (page keeps the complete lines read so
// far). httpsOnly refuses any address, redirects included, that is not https.
int FetchPage(const std::string& address, std::string& page, bool httpsOnly = false);

// GET the address as raw bytes. Returns 0 for a 2xx answer whose body fits in
// maxBytes, the status for any other answer, kFetchFailed on a network error or
// when the body would exceed maxBytes; body is empty unless 0 is returned.
int FetchBinary(const std::string& address, std::string& body, size_t maxBytes,
                std::string* contentType = nullptr);

}  // namespace pw
