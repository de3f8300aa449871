#pragma once
// What a download that a person watches is told: the connection steps, the
// answer's size, the bytes received, and the one question it may ask
// (credentials for a server or proxy that wants them). All calls come on the
// thread that runs the download.

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

enum class DownloadStep { Resolving, Resolved, Connecting, Connected, Redirect };

struct DownloadCredentials {
    std::string user;
    std::string password;
};

class DownloadListener {
public:
    virtual ~DownloadListener() = default;
    // info: the host being resolved, the address connected to, or the next address.
    virtual void OnStep(DownloadStep /*step*/, const std::string& /*info*/) {}
    // The 2xx answer has arrived; size -1 when the server gave no length.
    virtual void OnResponse(int64_t /*size*/) {}
    // After a block was written: the body bytes written so far.
    virtual void OnReceived(int64_t /*received*/) {}
    // The server (401) or the proxy (407) wants credentials: those to try, or
    // nothing to give up.
    virtual std::optional<DownloadCredentials> OnCredentials(bool /*proxy*/) {
        return std::nullopt;
    }
};

}  // namespace pw
