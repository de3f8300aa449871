#pragma once

namespace pw::test {

// A loopback port with nothing listening on it, for refused connections.
int ClosedPort();

}  // namespace pw::test
