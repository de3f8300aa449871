#pragma once
// Downloads one address into a file over libcurl, on the calling thread, for the
// file download dialog. Connection steps, the answer and progress go to a
// listener; a 401 or 407 asks it for credentials. Cancel, from any thread, ends
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

#include "net/DownloadMeter.h"

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
    std::string strUser;
    std::string strPassword;
};

// All calls come on the thread that runs the download.
class IDownloadListener {
public:
    virtual ~IDownloadListener() = default;
    virtual void OnStep(DownloadStep /*step*/, const std::string& /*info*/) {}
    // The 200 answer has arrived; size -1 when the server gave no length.
    virtual void OnResponse(int64_t /*size*/) {}
    // After a block was written, when something of the display should change.
    virtual void OnProgress(const DownloadProgress& /*progress*/) {}
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
    int nCode = 0;
    bool bSecure = false;  // every address of the transfer, redirects included, was https
};

class CHttpDownload {
public:
    static constexpr long kStallSeconds = 10;
    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxAuthRounds = 10;

    // url must be a full http or https address (see DownloadAddress.h).
    CHttpDownload(std::string url, std::string targetPath);
    ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    // Creates or truncates the target (never through a symbolic link); 0, or the
    // errno when it cannot be opened. Must succeed before Run.
    int OpenTarget();

    // Transfers the body into the target; once per object.
    DownloadResult Run(IDownloadListener& listener);

    // Any thread, any time, also before Run.
    void Cancel();
    bool IsCancelled() const { return m_bAbort.load(); }

    // Receiving nothing for this long fails the transfer.
    void SetStallSeconds(long seconds) { m_nStallSeconds = seconds; }

private:
    struct Attempt;

    DownloadResult Transfer();
    bool OpenSession();
    void CloseSession();
    Attempt Perform(const std::string& url);
    DownloadResult BodyOutcome(const Attempt& attempt, bool secure) const;
    // Asks the listener and arms the handle; false when there is nothing to try.
    bool Authenticate(bool proxy);
    void Redirect(const std::string& next);
    // Closes the target and removes what must not remain.
    DownloadResult Conclude(DownloadResult result);

    // The libcurl callbacks, which forward to the members below.
    friend struct CurlCallbacks;
    void OnHeaderLine(std::string_view line);
    size_t OnBody(const char* data, size_t size);
    void OnResolving();
    void OnSocket(const std::string& ip);
    void OnRequest(const std::string& ip);

    const std::string m_strUrl;
    const std::string m_strTarget;
    long m_nStallSeconds = kStallSeconds;
    int m_fd = -1;

    std::atomic<bool> m_bAbort{false};
    std::mutex m_multiMutex;  // guards m_multi against Cancel's wake-up
    void* m_multi = nullptr;
    void* m_easy = nullptr;
    ::curl_slist* m_headers = nullptr;

    IDownloadListener* m_pListener = nullptr;
    std::string m_strHost;  // server of the current address
    bool m_bResolvedShown = false;
    bool m_bRequestSent = false;
    bool m_bBodyStarted = false;
    int m_nWriteErrno = 0;
    std::optional<CDownloadMeter> m_meter;
};

}  // namespace pw
