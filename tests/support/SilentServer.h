#pragma once
// A loopback port that takes connections into its backlog and never answers:
// the server that hangs, for tests of time-outs and stops.

#include <string>

namespace pw::test {

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int Port() const { return port_; }
    std::string HttpsUrl() const { return "https://127.0.0.1:" + std::to_string(port_) + "/u.txt"; }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace pw::test
