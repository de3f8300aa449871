#pragma once
// Downloads one address into a file over libcurl, on the calling thread, for the
// file download dialog. Connection steps, the answer and progress go to a
// listener; a 401 or 407 asks it for credentials, which go with a redirect only
// to the same server and never from https down to http. Cancel, from any thread, ends
// the transfer within a fraction of a second, also while the server is silent.
//
// The target file afterwards: complete on success; removed after a failure or a
// cancel once the request had been sent; left as created (empty) after a cancel
// before that, and when the answer had no readable status line.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

struct curl_slist;

namespace pw {

// Connection steps; the values are those of the status texts they choose.
enum class DownloadStep {
    kResolving = 10,
    kResolved = 11,
    kConnecting = 20,
    kConnected = 21,
    kRedirect = 110
};

enum class DownloadFailure {
    kNone,
    kInternet,          // the client could not be set up (curl code)
    kConnection,        // resolving, connecting or sending failed (curl code)
    kStatusUnreadable,  // the answer had no status line
    kBadStatus,         // an answer other than 200 (the status)
    kTransfer,          // receiving or writing failed (curl code or errno)
};

struct DownloadCredentials {
    std::string user;
    std::string password;
};

// All calls come on the thread that runs the download.
class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    virtual void OnStep(DownloadStep /*step*/, const std::string& /*info*/) {}
    // The 200 answer has arrived; size -1 when the server gave no length.
    virtual void OnResponse(int64_t /*size*/) {}
    // After a block was written: the body bytes written so far.
    virtual void OnReceived(int64_t /*received*/) {}
    // The server (401) or the proxy (407) wants credentials: those to try, or
    // nothing to give up.
    virtual std::optional<DownloadCredentials> OnCredentials(bool /*proxy*/) {
        return std::nullopt;
    }
};

enum class DownloadEnd { kDone, kAborted, kFailed };

struct DownloadResult {
    DownloadEnd end = DownloadEnd::kFailed;
    DownloadFailure failure = DownloadFailure::kNone;
    int code = 0;
    bool secure = false;  // every address of the transfer, redirects included, was https
};

class HttpDownload {
public:
    static constexpr long kStallSeconds = 10;
    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxAuthRounds = 10;

    // url must be a full http or https address (see DownloadAddress.h).
    HttpDownload(std::string url, std::string targetPath);
    ~HttpDownload();
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // Creates or truncates the target (never through a symbolic link); 0, or the
    // errno when it cannot be opened. Must succeed before Run.
    int OpenTarget();

    // Transfers the body into the target; once per object.
    DownloadResult Run(DownloadListener& listener);

    // Any thread, any time, also before Run.
    void Cancel();
    bool IsCancelled() const { return abort_.load(); }

    // Receiving nothing for this long fails the transfer.
    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }

private:
    struct Attempt;

    DownloadResult Transfer();
    bool OpenSession();
    void CloseSession();
    Attempt Perform(const std::string& url);
    DownloadResult BodyOutcome(const Attempt& attempt, bool secure) const;
    // Asks the listener and arms the handle; false when there is nothing to try.
    bool Authenticate(bool proxy);
    void Redirect(const std::string& from, const std::string& next);
    // Closes the target and removes what must not remain.
    DownloadResult Conclude(DownloadResult result);

    // The libcurl callbacks, which forward to the members below.
    friend struct CurlCallbacks;
    void OnHeaderLine(std::string_view line);
    size_t OnBody(const char* data, size_t size);
    void OnResolving();
    void OnSocket(const std::string& ip);
    void OnRequest(const std::string& ip);

    const std::string url_;
    const std::string target_;
    long stallSeconds_ = kStallSeconds;
    int fd_ = -1;

    std::atomic<bool> abort_{false};
    std::mutex multiMutex_;  // guards multi_ against Cancel's wake-up
    void* multi_ = nullptr;
    void* easy_ = nullptr;
    ::curl_slist* headers_ = nullptr;

    DownloadListener* listener_ = nullptr;
    std::string host_;  // server of the current address
    bool resolvedShown_ = false;
    bool requestSent_ = false;
    bool bodyStarted_ = false;
    int writeErrno_ = 0;
    int64_t received_ = 0;
};

}  // namespace pw
