// pagewell-sim: the service simulator as a stand-alone proxy for offline demos.
//   pagewell-sim [--port N] [--until-stdin-closes] [--flaky N] [--rate-limit N]
//                [--connection-cost MS] [--answer-delay MS] [--big-blog N]
//                [--big-blog-pictures N] [--picture-bytes N] [--endless-blog N]
//   --flaky N            one address in N fails its first request
//   --rate-limit N       more than N requests in one second are answered 429
//   --connection-cost MS a new connection's first answer waits MS milliseconds
//   --answer-delay MS    every answer waits MS milliseconds
//   --big-blog N         also serve a Sina blog of N articles at /pagewellbig
//   --big-blog-pictures N  pictures per article of that blog (default 1)
//   --picture-bytes N    each of its pictures at least N bytes
//   --endless-blog N     also serve a Sina blog whose list never ends, N new
//                        articles a page, all missing, at /pagewellendless
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
    pw::sim::BadMoments moments;
    pw::sim::MeasuredBlogs measured;
};

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: pagewell-sim [--port N] [--until-stdin-closes] [--flaky N] "
                 "[--rate-limit N] [--connection-cost MS] [--answer-delay MS] [--big-blog N] "
                 "[--big-blog-pictures N] [--picture-bytes N] [--endless-blog N]\n");
    std::exit(2);
}

int Number(const char* text, long max) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 0 || value > max) Usage();
    return static_cast<int>(value);
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            options.port = Number(argv[++i], 65535);
        } else if (arg == "--flaky" && i + 1 < argc) {
            options.moments.flakyOneIn = Number(argv[++i], 1000000);
        } else if (arg == "--rate-limit" && i + 1 < argc) {
            options.moments.perSecondLimit = Number(argv[++i], 1000000);
        } else if (arg == "--connection-cost" && i + 1 < argc) {
            options.moments.connectionCostMs = Number(argv[++i], 60000);
        } else if (arg == "--big-blog" && i + 1 < argc) {
            options.measured.bigBlogArticles = Number(argv[++i], 100000);
        } else if (arg == "--big-blog-pictures" && i + 1 < argc) {
            options.measured.bigBlogPictures = Number(argv[++i], 100);
        } else if (arg == "--picture-bytes" && i + 1 < argc) {
            options.measured.pictureBytes = Number(argv[++i], 16 << 20);
        } else if (arg == "--endless-blog" && i + 1 < argc) {
            options.measured.endlessPerPage = Number(argv[++i], 100000);
        } else if (arg == "--answer-delay" && i + 1 < argc) {
            options.moments.answerDelayMs = Number(argv[++i], 60000);
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
        pw::sim::AddDemoServices(simulator, options.measured);
        simulator.SetBadMoments(options.moments);
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
