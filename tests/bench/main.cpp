// pagewell-bench: measures what matters for speed and prints numbers and ratios,
// never verdicts. Each job runs pagewell-cli as a child process against the
// simulator in this process, so that its memory is the program's own.
//   pagewell-bench [--articles N] [--pictures N] [--picture-bytes N]
//                  [--skip-one-worker] [--skip-endless] [--only-endless]
//   1. the character-aware marker search against a plain byte search;
//   2. five workers against one on a blog whose article pages take 40 ms;
//   3. a service where one address in five fails its first request, against a
//      clean one: time and requests beyond one per address;
//   4. a large blog far away: 100 ms per new connection, 50 ms per answer.
//      The whole job's time, against one worker and against the ideal
//      (distinct addresses x answer time / workers + the compile), the
//      connections and requests against the distinct addresses, and the peak
//      memory of the program alone and with its compiler;
//   5. a list that never ends (2,000 new articles a page, none of them there),
//      taken to the job's cap: peak memory per 1,000 listed articles.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Encoding.h"
#include "base/Text.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

using Clock = std::chrono::steady_clock;
using namespace pw::sim;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Resident memory of one process, in kB.
long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// Resident memory of a process and all its descendants, in kB.
long TreeRssKb(pid_t pid) {
    long total = RssKb(pid);
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* task = readdir(dir)) {
            if (task->d_name[0] == '.') continue;
            std::ifstream children(tasks + task->d_name + "/children");
            for (pid_t child; children >> child;) total += TreeRssKb(child);
        }
        closedir(dir);
    }
    return total;
}

struct JobRun {
    double seconds = 0;
    int exitCode = -1;
    long peakKb = 0;     // the program and its compiler together
    long ownPeakKb = 0;  // the program alone
    size_t requests = 0;
    size_t connections = 0;
    size_t badAnswers = 0;
    std::set<std::string> addresses;
};

JobRun RunCli(ServiceSimulator& simulator, const std::string& address, int workers) {
    pw::test::TempDir home;
    pw::test::ScopedEnv env;
    env.Set("HOME", home.Path());
    env.Set("XDG_CONFIG_HOME", home.File("config"));
    env.Set("XDG_DATA_HOME", home.File("data"));
    env.Set("http_proxy", simulator.ProxyUrl());
    env.Unset("no_proxy");
    simulator.ClearRequests();
    const size_t connectionsBefore = simulator.Connections();
    const size_t badBefore = simulator.BadAnswers();
    JobRun run;
    // Made before the fork: the simulator's threads may hold the allocator's lock.
    const std::string jobs = std::to_string(workers);
    const std::string desk = home.File("Desktop");
    // Until its exec the child is a copy of this process, simulator and all
    // its pictures: sampling it then would measure the bench, not the program.
    // The pipe's end closes on the exec.
    int exec[2];
    if (pipe2(exec, O_CLOEXEC) != 0) return run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(PAGEWELL_CLI_PATH, PAGEWELL_CLI_PATH, "-q", "-j", jobs.c_str(), "-d", desk.c_str(),
              address.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(exec[1]);
    char ignored;
    while (read(exec[0], &ignored, 1) < 0 && errno == EINTR) {
    }
    close(exec[0]);
    int status = 0;
    for (;;) {
        run.peakKb = std::max(run.peakKb, TreeRssKb(pid));
        run.ownPeakKb = std::max(run.ownPeakKb, RssKb(pid));
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.seconds = Seconds(start);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (const auto& request : simulator.Requests()) {
        run.addresses.insert(request.host + request.PathAndQuery());
    }
    run.requests = simulator.Requests().size();
    run.connections = simulator.Connections() - connectionsBefore;
    run.badAnswers = simulator.BadAnswers() - badBefore;
    return run;
}

void BenchFind() {
    std::string page;
    const std::string filler = "这是一段很长的中文博客正文，夹杂 English words 和标点。";
    while (page.size() < (4u << 20)) page += filler;
    page += "\"atc_title\">";
    constexpr int kRounds = 20;
    auto start = Clock::now();
    long found = 0;
    for (int i = 0; i < kRounds; ++i) found += pw::Find(page, "\"atc_title\">", i);
    const double aware = Seconds(start);
    start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        found += static_cast<long>(std::string_view(page).find("\"atc_title\">", i));
    }
    const double plain = Seconds(start);
    std::printf(
        "marker search on 4 MiB: character-aware %.1f ms, byte search %.1f ms, "
        "ratio %.2fx (checksum %ld)\n",
        aware * 1000 / kRounds, plain * 1000 / kRounds, aware / plain, found);
}

void BenchWorkers() {
    ServiceSimulator simulator;
    const auto blog = MakeDemoBlog({.categories = 4, .articlesPerCategory = 10});
    const std::string address = AddSinaBlog(simulator, blog, {.delayMs = 40});
    const JobRun one = RunCli(simulator, address, 1);
    const JobRun five = RunCli(simulator, address, 5);
    std::printf("job, 40 articles at 40 ms: 1 worker %.2f s, 5 workers %.2f s, ratio %.2fx\n",
                one.seconds, five.seconds, one.seconds / five.seconds);
}

void BenchFaults() {
    ServiceSimulator simulator;
    const auto blog = MakeDemoBlog({.categories = 4, .articlesPerCategory = 25, .pageSize = 10});
    const std::string address = AddSinaBlog(simulator, blog);
    simulator.SetBadMoments({.answerDelayMs = 10});
    const JobRun clean = RunCli(simulator, address, 5);
    simulator.SetBadMoments({.flakyOneIn = 5, .answerDelayMs = 10});
    const JobRun faulty = RunCli(simulator, address, 5);
    std::printf(
        "one address in five failing once, 100 articles: clean %.2f s (exit %d), faulty %.2f s "
        "(exit %d), ratio %.2fx; %zu bad answers, %zu requests beyond one per address\n",
        clean.seconds, clean.exitCode, faulty.seconds, faulty.exitCode,
        faulty.seconds / clean.seconds, faulty.badAnswers,
        faulty.requests - faulty.addresses.size());
}

struct Pictures {
    int perArticle = 1;
    int bytes = 0;
};

void BenchFarAway(int articles, Pictures pictures, bool oneWorker) {
    ServiceSimulator simulator;
    const int categories = 4;
    const auto blog = MakeDemoBlog({.categories = categories,
                                    .articlesPerCategory = articles / categories,
                                    .picturesPerArticle = pictures.perArticle,
                                    .pictureBytes = pictures.bytes,
                                    .pageSize = 50});
    double pictureMb = 0;
    for (const auto& article : blog.articles) {
        for (const auto& picture : article.pictures) pictureMb += picture.bytes.size() / 1e6;
    }
    const std::string address = AddSinaBlog(simulator, blog);
    simulator.SetBadMoments({.connectionCostMs = 100, .answerDelayMs = 50});
    constexpr int kWorkers = 5;
    const JobRun run = RunCli(simulator, address, kWorkers);
    // The list pages are fetched by the listing alone; the rest by the workers.
    size_t listPages = 0;
    for (const auto& a : run.addresses) listPages += a.find("/s/articlelist_") != std::string::npos;
    const double ideal = (run.addresses.size() - listPages) * 0.050 / kWorkers + listPages * 0.050;
    std::printf(
        "far-away blog, %d articles, %d pictures each (%.0f MB in all), 100 ms per connection, "
        "50 ms per answer, %d workers:\n"
        "  whole job %.1f s (exit %d); ideal fetching %.1f s, ratio %.2fx (the rest is the "
        "compile)\n"
        "  %zu distinct addresses (%zu list pages), %zu requests, %zu connections\n"
        "  peak memory %.1f MB alone, %.1f MB with the compiler\n",
        articles, pictures.perArticle, pictureMb, kWorkers, run.seconds, run.exitCode, ideal,
        run.seconds / ideal, run.addresses.size(), listPages, run.requests, run.connections,
        run.ownPeakKb / 1024.0, run.peakKb / 1024.0);
    if (!oneWorker) return;
    const JobRun one = RunCli(simulator, address, 1);
    std::printf("  one worker %.1f s: %d workers are %.2fx faster\n", one.seconds, kWorkers,
                one.seconds / run.seconds);
}

// What a job costs per listed article, when the list is all there is: it never
// ends, so the job's cap ends it, and no article page is there.
void BenchEndless() {
    ServiceSimulator simulator;
    DemoBlog blog;
    blog.account = "3141592653";
    blog.name = "没有尽头的博客";
    const std::string address = AddEndlessSinaBlog(simulator, blog, 2000, "/endless");
    const JobRun run = RunCli(simulator, address, 5);
    size_t listed = 0;
    for (const auto& a : run.addresses) listed += a.find("/s/blog_") != std::string::npos;
    const double thousands = std::max<size_t>(listed, 1) / 1000.0;
    std::printf(
        "endless list, 2,000 new articles a page, every article missing: %zu listed in %.1f s "
        "(exit %d)\n"
        "  peak memory %.1f MB alone (%.2f MB per 1,000 articles), %.1f MB with the compiler "
        "(%.2f MB per 1,000)\n",
        listed, run.seconds, run.exitCode, run.ownPeakKb / 1024.0,
        run.ownPeakKb / 1024.0 / thousands, run.peakKb / 1024.0, run.peakKb / 1024.0 / thousands);
}

}  // namespace

int main(int argc, char** argv) {
    int articles = 500;
    Pictures pictures;
    bool oneWorker = true;
    bool endless = true;
    bool onlyEndless = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--articles") && i + 1 < argc) articles = std::atoi(argv[++i]);
        if (!std::strcmp(argv[i], "--pictures") && i + 1 < argc) {
            pictures.perArticle = std::atoi(argv[++i]);
        }
        if (!std::strcmp(argv[i], "--picture-bytes") && i + 1 < argc) {
            pictures.bytes = std::atoi(argv[++i]);
        }
        if (!std::strcmp(argv[i], "--skip-one-worker")) oneWorker = false;
        if (!std::strcmp(argv[i], "--skip-endless")) endless = false;
        if (!std::strcmp(argv[i], "--only-endless")) onlyEndless = true;
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (onlyEndless) {
        BenchEndless();
        return 0;
    }
    BenchFind();
    BenchWorkers();
    BenchFaults();
    BenchFarAway(std::max(articles, 4), pictures, oneWorker);
    if (endless) BenchEndless();
    return 0;
}
