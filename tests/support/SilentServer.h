#pragma once
// A loopback port that takes connections into its backlog and never answers:
// the server that hangs, for tests of time-outs and stops.

#include <chrono>
#include <string>
#include <vector>

namespace pw::test {

// A listening socket on a free loopback port; its descriptor, and the port.
int ListenOnLoopback(int backlog, int* port);

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int Port() const { return port_; }
    // Takes a client's connection, waiting for one up to the limit, and keeps it
    // open without a word; false when none came. Proves that a client is now
    // waiting for an answer.
    bool TakeClient(std::chrono::milliseconds limit);
    std::string HttpsUrl() const { return "https://127.0.0.1:" + std::to_string(port_) + "/u.txt"; }

private:
    int port_ = 0;  // set by the socket's making: declared before it
    int fd_ = -1;
    std::vector<int> clients_;
};

}  // namespace pw::test
