#pragma once
// The texts feeds and the WordPress interface hand over, made plain for the
// tree: HTML titles as text, and their times as the blog wrote them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// Markup dropped, character references (numeric and the common named ones)
// decoded, runs of white space made one blank, trimmed.
std::string PlainText(std::string_view html);

// An RFC 3339 time ("2024-03-01T10:20:30+08:00", WordPress's
// "2024-03-01T10:20:30") as "2024-03-01 10:20:30": the local time as written,
// not converted. Empty when it does not read as one.
std::string Rfc3339Local(std::string_view text);
// The same time in seconds since the epoch, its offset applied (none: UTC), to
// tell which of two revisions is later.
std::optional<int64_t> Rfc3339Seconds(std::string_view text);
// An RFC 822 time as RSS writes it ("Tue, 10 Jun 2003 04:00:00 +0800") as
// "2003-06-10 04:00:00", the local time as written; empty when unreadable.
std::string Rfc822Local(std::string_view text);

// The address resolved against base (relative, root-relative, scheme-relative);
// empty when it is no http or https address.
std::string ResolveAddress(const std::string& base, const std::string& address);
// scheme://host[:port] of an address, empty without one.
std::string OriginOf(std::string_view address);
// The address with a query parameter added ("?" or "&" as the address needs).
std::string WithQuery(const std::string& address, std::string_view parameter);

}  // namespace pw
