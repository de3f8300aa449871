// pagewell-cli: the whole job without a window. Address in, books on the desktop.

#include <pthread.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/AppSettings.h"
#include "app/Paths.h"
#include "base/AllocatorArenas.h"
#include "base/Identity.h"
#include "book/BookFormats.h"
#include "cli/CliListener.h"
#include "job/Job.h"
#include "job/JobReport.h"
#include "net/CookieFile.h"

namespace {

// Exit statuses, as --help and the manual page give them.
constexpr int kComplete = 0;
constexpr int kNoBook = 1;
constexpr int kUsage = 2;
constexpr int kIncomplete = 3;

std::atomic<int> interrupts{0};

// Once the job has ended, Ctrl-C comes here (a question may still be asked).
void OnInterrupt(int) {
    if (interrupts.fetch_add(1) >= 1) _exit(130);  // a second Ctrl-C ends at once
}

// The signals this thread waits for while the job runs; SIGUSR1 says the job ended.
sigset_t WaitedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    return set;
}

// Runs the job to its end. Ctrl-C and SIGTERM are taken as they come, by this
// thread (every other thread blocks them): the first stops the download, a
// second ends the program at once.
void RunJob(pw::Job& job, pw::CliListener& listener) {
    const sigset_t set = WaitedSignals();
    job.Start();
    const pthread_t self = pthread_self();
    std::jthread watcher([&job, self] {
        job.Wait();
        pthread_kill(self, SIGUSR1);
    });
    for (int sig = 0; sigwait(&set, &sig) == 0 && sig != SIGUSR1;) {
        if (interrupts.fetch_add(1) >= 1) _exit(130);
        listener.Error("停止下载");
        job.Stop();
    }
    watcher.join();
    job.Wait();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

struct Arguments {
    std::string address;
    int workers = -1;
    std::string desktop;
    std::string formats;
    bool quiet = false;
    bool verbose = false;
    int delay = -1;
    int retries = -1;
    bool fresh = false;
    bool keep = false;
    std::string cookies;
};

constexpr const char* kFooter =
    "Pages are fetched through the proxy named by http_proxy, when set.\n"
    "Ctrl-C stops the download; the books are still made of what was downloaded,\n"
    "and the next run on the same blog continues where this one stopped.\n"
    "Settings: $XDG_CONFIG_HOME/pagewell/Pagewell.cfg (threadcnt, bookformats,\n"
    "retries, requestdelay, keepdownloads).\n"
    "Exit status: 0 a book was delivered with every listed article; 3 a book was\n"
    "delivered but some articles are missing (listed on stderr and in report.txt);\n"
    "1 no book; 2 wrong usage; 130 a second Ctrl-C.";

void Describe(CLI::App& app, Arguments& a) {
    app.add_option("address", a.address, "Address of the blog")->required();
    app.add_option("-j,--workers", a.workers, "Download workers (default: threadcnt setting, 5)")
        ->check(CLI::Range(1, 20));
    app.add_option("-d,--desktop", a.desktop, "Folder that receives the books (default: desktop)");
    app.add_option("--formats", a.formats,
                   "Books to make: chm, epub or both (default: bookformats setting, both)")
        ->check(CLI::IsMember({"chm", "epub", "both"}));
    app.add_flag("-q,--quiet", a.quiet, "Show no progress, only messages and the result");
    app.add_flag("-v,--verbose", a.verbose, "Also show the CHM compiler's own output");
    app.add_option("--delay", a.delay,
                   "Milliseconds between two requests to one host (default: requestdelay, 0)")
        ->check(CLI::Range(0, 600000));
    app.add_option("--retries", a.retries,
                   "Attempts in all for a request that fails for a moment (default: retries, 4)")
        ->check(CLI::Range(1, 20));
    app.add_flag("--fresh", a.fresh, "Start over instead of continuing an earlier job");
    app.add_flag("--keep", a.keep,
                 "Keep the downloaded pages after delivery; later runs fetch only new articles");
    app.add_option("--cookies", a.cookies,
                   "A cookies.txt file (Netscape format) whose cookies go to the blog service");
    app.set_version_flag("--version", std::string("pagewell-cli ") + pw::kVersion);
    app.footer(kFooter);
}

// The question chmcmd's absence raises, asked on the terminal (no without one).
void OfferCompilerInstall(pw::CliListener& out) {
    out.Error("编译电子书的必备文件“chmcmd”不存在，是否从网上下载？");
    if (!::isatty(STDIN_FILENO)) return;
    std::cerr << "[y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer.empty() || (answer[0] != 'y' && answer[0] != 'Y')) return;
    out.Error(
        "chmcmd 无法从网上下载：请用系统的软件包管理器安装 Debian 软件包 fp-utils"
        "（例如 sudo apt-get install fp-utils），然后重新制作电子书。");
}

int Report(const pw::JobResult& result, pw::CliListener& out) {
    for (const auto& missing : result.missing) out.Error(pw::MissingArticleText(missing));
    for (const auto& missing : result.missingPictures) out.Error(pw::MissingPictureText(missing));
    if (result.compilerMissing) OfferCompilerInstall(out);
    if (!result.finalText.empty()) out.Error(result.finalText);
    if (result.end != pw::JobResult::End::Delivered) return kNoBook;
    if (!result.Complete() || result.picturesKeptRemote > 0) out.Error(pw::SummaryText(result));
    if (!result.reportPath.empty()) {
        out.Error("任务报告：" + result.reportPath);
    }
    for (const auto& book : result.books) std::printf("%s\n", book.c_str());
    std::fflush(stdout);
    return result.Complete() ? kComplete : kIncomplete;
}

}  // namespace

int main(int argc, char** argv) {
    pw::LimitAllocatorArenas();
    CLI::App app{"Turns a blog into a CHM and an EPUB e-book on the desktop.", "pagewell-cli"};
    Arguments args;
    Describe(app, args);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kComplete : kUsage;
    }

    std::string desktop = args.desktop;
    if (!desktop.empty()) {
        if (!pw::MakeDirs(desktop, 0755)) {
            std::cerr << "pagewell: cannot create " << desktop << std::endl;
            return kUsage;
        }
        if (desktop.back() != '/') desktop.push_back('/');
    } else {
        desktop = pw::GetDesktopDir();
    }

    pw::AppSettings& settings = pw::Settings();
    pw::JobOptions options = settings.MakeJobOptions(args.address, desktop);
    if (args.workers > 0) options.workers = args.workers;
    if (!args.formats.empty()) options.formats = pw::ParseBookFormats(args.formats);
    if (args.delay >= 0) options.requestDelay = std::chrono::milliseconds(args.delay);
    if (args.retries > 0) options.attempts = args.retries;
    options.fresh = args.fresh;
    options.keepDownloads = options.keepDownloads || args.keep;
    if (!args.cookies.empty()) {
        std::string error;
        options.cookies = pw::CookieFileSource(args.cookies, &error);
        if (!options.cookies) {
            std::cerr << "pagewell: " << error << std::endl;
            return kUsage;
        }
    }

    pw::CliListener listener({args.quiet, args.verbose, ::isatty(STDOUT_FILENO) != 0}, stdout,
                             stderr);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    // Blocked in every thread from here on; RunJob's own thread takes them.
    const sigset_t waited = WaitedSignals();
    pthread_sigmask(SIG_BLOCK, &waited, nullptr);

    pw::Job job(std::move(options), listener);
    RunJob(job, listener);
    return Report(job.Result(), listener);
}
