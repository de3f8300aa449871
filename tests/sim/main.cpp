// pagewell-sim: the service simulator as a stand-alone proxy for offline demos.
//   pagewell-sim [--port N] [--until-stdin-closes]
// Prints "PROXY http://127.0.0.1:PORT" once it serves, then runs until SIGINT or
// SIGTERM, or until standard input closes when asked to.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#include "sim/DemoServices.h"
#include "sim/ServiceSimulator.h"

namespace {

struct Options {
    int port = 0;
    bool untilStdinCloses = false;
};

[[noreturn]] void Usage() {
    std::fprintf(stderr, "usage: pagewell-sim [--port N] [--until-stdin-closes]\n");
    std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            char* end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 0 || port > 65535) Usage();
            options.port = static_cast<int>(port);
        } else if (arg == "--until-stdin-closes") {
            options.untilStdinCloses = true;
        } else {
            Usage();
        }
    }
    return options;
}

// Turns the end of standard input into SIGTERM, so one wait covers every way out.
void WatchStdin() {
    std::thread([] {
        char buffer[256];
        while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
        }
        kill(getpid(), SIGTERM);
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);

    // Blocked before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        pw::sim::ServiceSimulator simulator(options.port);
        pw::sim::AddDemoServices(simulator);
        std::printf("PROXY %s\n", simulator.ProxyUrl().c_str());
        std::fflush(stdout);
        if (options.untilStdinCloses) WatchStdin();
        int signal = 0;
        sigwait(&stopSignals, &signal);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pagewell-sim: %s\n", error.what());
        return 1;
    }
    return 0;
}
