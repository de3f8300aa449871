// pagewell-cli: the whole job without a window. Address in, book on the desktop.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "app/AppSettings.h"
#include "app/MessageLoop.h"
#include "app/Paths.h"
#include "cli/CliHost.h"
#include "engine/Encoding.h"
#include "job/ArticlePage.h"
#include "job/DownloadJob.h"

namespace {

std::atomic<int> g_interrupts{0};

void OnInterrupt(int) {
    if (g_interrupts.fetch_add(1) >= 1) _exit(130);  // a second Ctrl-C ends at once
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Turns a blog into a CHM e-book on the desktop.", "pagewell-cli"};
    std::string address;
    int workers = -1;
    std::string desktop;
    bool quiet = false;
    std::string formats;
    app.add_option("address", address, "Address of the blog")->required();
    app.add_option("-j,--workers", workers, "Download workers (default: threadcnt setting, 5)")
        ->check(CLI::Range(1, 20));
    app.add_option("-d,--desktop", desktop, "Folder that receives the book (default: desktop)");
    app.add_option("--formats", formats,
                   "Books to make: chm, epub or both (default: bookformats setting, both)")
        ->check(CLI::IsMember({"chm", "epub", "both"}));
    app.add_flag("-q,--quiet", quiet, "Show no progress, only messages and the result");
    app.footer(
        "Pages are fetched through the proxy named by http_proxy, when set.\n"
        "Ctrl-C stops the download; the book is still made of what was downloaded.\n"
        "Exit status: 0 when a book was delivered, 1 otherwise, 2 for wrong usage.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    if (!desktop.empty()) {
        if (!pw::MakeDirs(desktop)) {
            std::cerr << "pagewell: cannot create " << desktop << std::endl;
            return 2;
        }
        if (desktop.back() != '/') desktop.push_back('/');
    }

    pw::Settings();  // loads the settings file and makes the working folder
    if (!formats.empty()) pw::Settings().m_strBookFormats = formats;  // this run only
    pw::CMessageLoop loop;
    pw::CCliHost host(loop, quiet);
    pw::AttachHost(&host);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    int exitCode = 1;
    {
        pw::CArticlePage page;
        page.SetWorkerCount(workers);
        if (!desktop.empty()) page.SetDesktopDir(desktop);
        page.OnStartButton(pw::ToAnsi(address));
        bool stopRequested = false;
        loop.RunUntil([&] { return host.Finished(); }, std::chrono::hours(24 * 365),
                      [&] {
                          if (g_interrupts.load() > 0 && !stopRequested) {
                              stopRequested = true;
                              pw::OnStopDownload();
                          }
                      });
        for (const auto& book : page.DeliveredBooks()) std::printf("%s\n", book.c_str());
        if (!host.Book().empty()) exitCode = 0;
    }
    pw::AttachHost(nullptr);
    return exitCode;
}
