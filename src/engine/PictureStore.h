#pragma once
// Fetches the pictures of one article into the job's picture folder under names
// that can neither collide between workers nor leave that folder.

#include <map>
#include <string>

namespace pw {

class CPictureStore {
public:
    // imageDir ends in "/"; prefix makes names unique per article (its number).
    CPictureStore(std::string imageDir, std::string prefix, std::string pageUrl);

    // A new job starts with the whole picture budget (kMaxPictureBytesPerJob).
    static void ResetJobBudget();

    // The page's reference to the stored copy ("img/NAME"), or empty when the
    // address cannot be resolved, fetched, is no picture, or is too large.
    std::string Store(const std::string& address);

    // An address resolved against the page's address; empty when unusable.
    static std::string ResolveUrl(const std::string& pageUrl, const std::string& address);
    // File name extension for picture bytes by their signature, or empty.
    static const char* SniffExtension(const std::string& bytes);

private:
    std::string m_strImageDir;
    std::string m_strPrefix;
    std::string m_strPageUrl;
    std::map<std::string, std::string> m_stored;  // address -> reference
    int m_nCount = 0;
};

}  // namespace pw
