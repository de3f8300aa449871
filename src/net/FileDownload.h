#pragma once
// One file fetched for someone who watches it (the download dialog): a session
// of its own, one attempt, the steps told to a listener, and a stop that ends
// the transfer. The target file afterwards: complete on success; removed after
// a failure or a stop once the request had been sent; left as created (empty)
// after a stop before that, and when the answer had no readable status line.

#include <stop_token>
#include <string>

#include "net/DownloadListener.h"
#include "net/FetchResult.h"

namespace pw {

// After the request went out, the answer had no status line: nothing at all, or
// bytes that are no HTTP answer.
bool AnswerWithoutStatus(const FetchResult& result);

class FileDownload {
public:
    // url must be a full http or https address (see DownloadAddress.h).
    FileDownload(std::string url, std::string targetPath);
    ~FileDownload();
    FileDownload(const FileDownload&) = delete;
    FileDownload& operator=(const FileDownload&) = delete;

    // Creates or truncates the target (never through a symbolic link); 0, or the
    // errno when it cannot be opened. Must succeed before Run.
    int OpenTarget();

    // Refuses every address that is not https, redirects included.
    void SetHttpsOnly(bool httpsOnly) { httpsOnly_ = httpsOnly; }
    // Receiving nothing for this long fails the transfer.
    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }

    // Transfers the body into the target; once per object. A stop, before or
    // during the transfer, ends it as Stopped.
    FetchResult Run(DownloadListener& listener, std::stop_token stop);

private:
    const std::string url_;
    const std::string target_;
    bool httpsOnly_ = false;
    long stallSeconds_ = 10;
    int fd_ = -1;
};

}  // namespace pw
