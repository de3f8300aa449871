#pragma once
// Link targets taken from downloaded pages, reduced to what an e-book may keep.

#include <string>
#include <string_view>

namespace pw {

// An absolute http or https address (a leading "//" counts as http) written as
// a valid URI: the host must be a plain DNS name or IPv4 address, an optional
// port follows, and every byte of path, query and fragment outside the URI
// characters is percent-encoded. Empty for anything else: other schemes
// (javascript:, data:, file:), relative addresses, user names in the address,
// unusual hosts.
std::string SafeWebAddress(std::string_view address);

}  // namespace pw
