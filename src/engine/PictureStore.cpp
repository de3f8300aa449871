#include "engine/PictureStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/Text.h"
#include "net/HttpSession.h"

namespace pw {

namespace {

constexpr size_t kMaxAddressBytes = 4096;

// "http://host" of an absolute address (no trailing slash), or empty. The
// host ends at the path, or at the query or fragment of an address without
// one ("http://host?feed=rss2").
std::string Origin(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return {};
    const size_t path = url.find_first_of("/?#", scheme + 3);
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

PictureStore::PictureStore(HttpSession& http, std::string imageDir, uint64_t budget)
    : http_(http), imageDir_(std::move(imageDir)), budget_(budget) {}

std::string PictureStore::ResolveUrl(const std::string& pageUrl, const std::string& address) {
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

void PictureStore::Remember(const std::string& url, const std::string& reference) {
    std::promise<Stored> known;
    known.set_value({reference, PictureProblem::None, {}});
    std::lock_guard lock(mutex_);
    pictures_[url] = known.get_future().share();
    // New names of the same prefix go on behind the remembered ones.
    const size_t slash = reference.rfind('/');
    const size_t underscore = reference.rfind('_');
    const size_t dot = reference.rfind('.');
    if (underscore == std::string::npos || dot == std::string::npos || dot < underscore) return;
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (underscore < start) return;
    const std::string prefix = reference.substr(start, underscore - start);
    int number = 0;
    for (size_t i = underscore + 1; i < dot; ++i) {
        const char c = reference[i];
        if (c < '0' || c > '9' || number > 100000000) return;
        number = number * 10 + (c - '0');
    }
    int& last = names_[prefix];
    if (number > last) last = number;
}

PictureStore::Stored PictureStore::Store(const std::string& url, const std::string& prefix) {
    std::promise<Stored> mine;
    std::shared_future<Stored> pending;
    {
        std::lock_guard lock(mutex_);
        const auto found = pictures_.find(url);
        if (found != pictures_.end()) {
            pending = found->second;
        } else {
            pictures_[url] = mine.get_future().share();
        }
    }
    // Another worker fetches it, or has: its answer is this one's too.
    if (pending.valid()) return pending.get();
    Stored stored;
    try {
        stored = Fetch(url, prefix);
    } catch (...) {
        stored = Stored::Failed(PictureProblem::Unsaved);
    }
    mine.set_value(stored);
    std::lock_guard lock(mutex_);
    if (stored.Interrupted()) {
        pictures_.erase(url);  // no answer: whoever asks again fetches it
    } else if (stored.reference.empty()) {
        ++keptRemote_;
    }
    return stored;
}

PictureStore::Stored PictureStore::Fetch(const std::string& url, const std::string& prefix) {
    int number = 0;
    {
        std::lock_guard lock(mutex_);
        if (bytes_ >= budget_) return Stored::Failed(PictureProblem::OverBudget);
        number = ++names_[prefix];
    }
    const std::string base = prefix + "_" + std::to_string(number);
    const std::string partial = imageDir_ + base + ".part";
    std::string head;
    const FetchResult got = http_.GetFile(url, partial, kMaxPictureBytes, &head);
    if (got.kind == FetchResult::Kind::Stopped) return Stored::Failed(PictureProblem::Stopped, got);
    if (!got.Ok()) return Stored::Failed(PictureProblem::Fetch, got);
    const char* extension = SniffPictureExtension(head);
    struct stat st {};
    if (!extension || ::lstat(partial.c_str(), &st) != 0) {
        ::unlink(partial.c_str());
        return Stored::Failed(extension ? PictureProblem::Unsaved : PictureProblem::NotAPicture,
                              got);
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    {
        // Hostile pages must not fill the disk: the job keeps at most its budget.
        std::lock_guard lock(mutex_);
        ++fetched_;
        if (bytes_ + size > budget_) {
            bytes_ = budget_;
            ::unlink(partial.c_str());
            return Stored::Failed(PictureProblem::OverBudget, got);
        }
        bytes_ += size;
    }
    const std::string name = base + "." + extension;
    if (::rename(partial.c_str(), (imageDir_ + name).c_str()) != 0) {
        ::unlink(partial.c_str());
        return Stored::Failed(PictureProblem::Unsaved, got);
    }
    const std::string reference = "img/" + name;
    if (onSaved_) onSaved_(url, reference);
    return {reference, PictureProblem::None, got};
}

int PictureStore::KeptRemote() const {
    std::lock_guard lock(mutex_);
    return keptRemote_;
}

int PictureStore::Fetched() const {
    std::lock_guard lock(mutex_);
    return fetched_;
}

std::string ArticlePictures::Localise(const std::string& address) {
    if (!store_) return {};
    const auto known = seen_.find(address);
    if (known != seen_.end()) return known->second;
    std::string& reference = seen_[address];
    const std::string url = PictureStore::ResolveUrl(pageUrl_, address);
    if (url.empty()) return {};
    // Every address tried counts, failed ones too: a page of broken pictures
    // must not cost thousands of requests.
    if (tried_ >= kMaxPicturesPerArticle) return {};
    ++tried_;
    const PictureStore::Stored stored = store_->Store(url, prefix_);
    if (stored.Interrupted()) {
        interrupted_ = true;
        seen_.erase(address);
        return {};
    }
    reference = stored.reference;
    if (reference.empty()) {
        failures_.push_back(
            {url, PictureProblemText(stored.problem, stored.fetch), stored.fetch.status});
    }
    return reference;
}

}  // namespace pw
