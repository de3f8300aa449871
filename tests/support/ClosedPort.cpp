#include "support/ClosedPort.h"

#include <unistd.h>

#include "support/SilentServer.h"

namespace pw::test {

int ClosedPort() {
    int port = 0;
    ::close(ListenOnLoopback(1, &port));
    return port;
}

}  // namespace pw::test
