#pragma once
// The source address of a file download, taken apart the way the download
// dialog shows and fetches it.

#include <string>

namespace pw {

struct DownloadAddress {
    std::string strUrl;     // the address as fetched (with "http://" added when needed)
    std::string strScheme;  // "http" or "https"
    std::string strServer;
    std::string strObject;  // path, and "?query" when there is one
    int nPort = 0;
};

// Parses an http or https address; one without any scheme is tried again with
// "http://" in front. False when neither parses.
bool ParseDownloadAddress(const std::string& source, DownloadAddress& address);

// The part of the object after its last "/" (or, without one, after its last
// "\\"); the whole object when it has neither or is shorter than 2 bytes.
std::string DownloadDisplayName(const std::string& object);

}  // namespace pw
