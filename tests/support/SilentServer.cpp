#include "support/SilentServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pw::test {

int ListenOnLoopback(int backlog, int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    *port = ntohs(address.sin_port);
    listen(fd, backlog);
    return fd;
}

SilentServer::SilentServer() : fd_(ListenOnLoopback(8, &port_)) {}

SilentServer::~SilentServer() {
    for (const int client : clients_) close(client);
    close(fd_);
}

bool SilentServer::TakeClient(std::chrono::milliseconds limit) {
    pollfd waiting{fd_, POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(limit.count())) != 1) return false;
    const int client = accept(fd_, nullptr, nullptr);
    if (client < 0) return false;
    clients_.push_back(client);
    return true;
}

}  // namespace pw::test
