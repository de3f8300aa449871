#include "engine/PictureStore.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "engine/ArticleRenderer.h"
#include "engine/TextOps.h"
#include "net/PageFetcher.h"

namespace pw {

namespace {

constexpr size_t kMaxAddressBytes = 4096;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

// "http://host" of an absolute address (no trailing slash), or empty.
std::string Origin(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return {};
    const size_t path = url.find('/', scheme + 3);
    return path == std::string::npos ? url : url.substr(0, path);
}

// Folds "." and ".." segments of an absolute path (one starting with "/").
std::string NormalisePath(const std::string& path) {
    std::string query;
    std::string p = path;
    const size_t q = p.find_first_of("?#");
    if (q != std::string::npos) {
        query = p.substr(q);
        p.resize(q);
    }
    std::string out;
    size_t i = 0;
    while (i < p.size()) {
        size_t next = p.find('/', i + 1);
        if (next == std::string::npos) next = p.size();
        const std::string segment = p.substr(i, next - i);  // begins with "/"
        if (segment == "/..") {
            const size_t cut = out.rfind('/');
            out.resize(cut == std::string::npos ? 0 : cut);
            if (next == p.size()) out += "/";
        } else if (segment == "/.") {
            if (next == p.size()) out += "/";
        } else {
            out += segment;
        }
        i = next;
    }
    if (out.empty()) out = "/";
    return out + query;
}

}  // namespace

namespace {
std::atomic<uint64_t> s_nJobPictureBytes{0};
}  // namespace

void CPictureStore::ResetJobBudget() {
    s_nJobPictureBytes = 0;
}

CPictureStore::CPictureStore(std::string imageDir, std::string prefix, std::string pageUrl)
    : m_strImageDir(std::move(imageDir)),
      m_strPrefix(std::move(prefix)),
      m_strPageUrl(std::move(pageUrl)) {}

std::string CPictureStore::ResolveUrl(const std::string& pageUrl, const std::string& address) {
    std::string a = address;
    Trim(a);
    Replace(a, "&amp;", "&");
    if (a.empty() || a.size() > kMaxAddressBytes) return {};
    for (unsigned char c : a) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>') return {};
    }
    if (StartsWithNoCase(a, "http://") || StartsWithNoCase(a, "https://")) {
        const std::string origin = Origin(a);
        return origin.size() < a.size() ? origin + NormalisePath(a.substr(origin.size())) : a + "/";
    }
    if (a.find(':') != std::string::npos && a.find(':') < a.find_first_of("/?#")) {
        return {};  // data:, javascript:, file: and other schemes stay as they are
    }
    if (a.rfind("//", 0) == 0) {
        return ResolveUrl(pageUrl, (StartsWithNoCase(pageUrl, "https:") ? "https:" : "http:") + a);
    }
    const std::string origin = Origin(pageUrl);
    if (origin.empty()) return {};
    if (a[0] == '/') return origin + NormalisePath(a);
    std::string basePath = pageUrl.substr(origin.size());
    const size_t q = basePath.find_first_of("?#");
    if (q != std::string::npos) basePath.resize(q);
    const size_t slash = basePath.rfind('/');
    basePath = slash == std::string::npos ? "/" : basePath.substr(0, slash + 1);
    return origin + NormalisePath(basePath + a);
}

const char* CPictureStore::SniffExtension(const std::string& b) {
    auto starts = [&](const char* magic, size_t n, size_t at = 0) {
        return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8)) return "png";
    if (starts("\xFF\xD8\xFF", 3)) return "jpg";
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "gif";
    if (starts("BM", 2) && b.size() > 14) return "bmp";
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return "webp";
    return nullptr;
}

std::string CPictureStore::Store(const std::string& address) {
    if (m_strImageDir.empty()) return {};
    const auto known = m_stored.find(address);
    if (known != m_stored.end()) return known->second;
    if (m_nCount >= kMaxPicturesPerArticle) return {};
    std::string& reference = m_stored[address];
    const std::string url = ResolveUrl(m_strPageUrl, address);
    if (url.empty()) return {};
    std::string bytes;
    if (s_nJobPictureBytes.load() >= kMaxPictureBytesPerJob) return {};
    if (FetchBinary(url, bytes, kMaxPictureBytes) != 0) return {};
    const char* extension = SniffExtension(bytes);
    if (!extension) return {};
    // Hostile pages must not fill the disk: the job keeps at most this much.
    if (s_nJobPictureBytes.fetch_add(bytes.size()) + bytes.size() > kMaxPictureBytesPerJob) {
        return {};
    }
    const std::string name = m_strPrefix + "_" + std::to_string(++m_nCount) + "." + extension;
    std::ofstream out(m_strImageDir + name, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) return {};
    reference = "img/" + name;
    return reference;
}

}  // namespace pw
