#include "net/FileDownload.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/Identity.h"
#include "net/HttpSession.h"

namespace pw {

namespace {

// Passes every call on and notes whether the request went out: a stop before
// that leaves the empty file the user saw made.
class SentWatch : public DownloadListener {
public:
    explicit SentWatch(DownloadListener& inner) : inner_(inner) {}
    void OnStep(DownloadStep step, const std::string& info) override {
        if (step == DownloadStep::Connected) sent_ = true;
        inner_.OnStep(step, info);
    }
    void OnResponse(int64_t size) override { inner_.OnResponse(size); }
    void OnReceived(int64_t received) override { inner_.OnReceived(received); }
    std::optional<DownloadCredentials> OnCredentials(bool proxy) override {
        return inner_.OnCredentials(proxy);
    }
    bool Sent() const { return sent_; }

private:
    DownloadListener& inner_;
    bool sent_ = false;
};

}  // namespace

bool AnswerWithoutStatus(const FetchResult& result) {
    if (result.kind != FetchResult::Kind::NetworkError || result.status != 0) return false;
    // libcurl takes bytes that are no HTTP answer for HTTP/0.9, which it refuses.
    const auto code = static_cast<CURLcode>(result.curlCode);
    return code == CURLE_GOT_NOTHING || code == CURLE_WEIRD_SERVER_REPLY ||
           code == CURLE_UNSUPPORTED_PROTOCOL;
}

FileDownload::FileDownload(std::string url, std::string targetPath)
    : url_(std::move(url)), target_(std::move(targetPath)) {}

FileDownload::~FileDownload() {
    if (fd_ >= 0) ::close(fd_);
}

int FileDownload::OpenTarget() {
    if (fd_ >= 0) return 0;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    return fd_ >= 0 ? 0 : errno;
}

FetchResult FileDownload::Run(DownloadListener& listener, std::stop_token stop) {
    SentWatch watch(listener);
    FetchResult result;
    if (fd_ < 0) {
        result.curlCode = CURLE_WRITE_ERROR;
        result.error = std::strerror(EBADF);
        return result;
    }
    if (stop.stop_requested()) {
        result.kind = FetchResult::Kind::Stopped;
    } else {
        SessionOptions options;
        options.retry.attempts = 1;
        options.httpsOnly = httpsOnly_;
        options.userAgent = kProgramName;
        options.stop = stop;
        options.stopWaits = stop;
        options.silenceLimit = std::chrono::seconds(stallSeconds_);
        HttpSession session(std::move(options));
        result = session.Download(url_, fd_, watch);
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    // A file whose last bytes may not have reached the disk is no download.
    if (!closed && result.Ok()) {
        result.kind = FetchResult::Kind::NetworkError;
        result.curlCode = CURLE_WRITE_ERROR;
        result.error = std::strerror(errno);
    }
    const bool keep = result.Ok() || (result.kind == FetchResult::Kind::Stopped && !watch.Sent()) ||
                      AnswerWithoutStatus(result);
    if (!keep) ::unlink(target_.c_str());
    return result;
}

}  // namespace pw
