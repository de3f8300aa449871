#pragma once
// The source address of a file download, taken apart the way the download
// dialog shows and fetches it.

#include <string>

namespace pw {

struct DownloadAddress {
    std::string url;     // the address as fetched (with "http://" added when needed)
    std::string scheme;  // "http" or "https"
    std::string server;
    std::string object;  // path, and "?query" when there is one
    int port = 0;
};

// Parses an http or https address; one without any scheme is tried again with
// "http://" in front. False when neither parses.
bool ParseDownloadAddress(const std::string& source, DownloadAddress& address);

// The part of the object after its last "/" (or, without one, after its last
// "\\"); the whole object when it has neither or is shorter than 2 bytes.
std::string DownloadDisplayName(const std::string& object);

// Whether credentials given for one address may go with a redirect to the
// next: only to the same server and port, and never from https down to http.
bool CredentialsMayFollow(const std::string& from, const std::string& to);

}  // namespace pw
