// pagewell-bench: measures what matters for speed and prints ratios, never verdicts.
//   1. the download job with the default five workers against one worker, on a
//      simulated blog whose article pages take 40 ms each to answer;
//   2. the character-aware marker search against a plain byte search on a 4 MiB
//      code page 936 page (the price of never matching on a trail byte).

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/Encoding.h"
#include "base/TextOps.h"
#include "job/ArticlePage.h"
#include "job/DownloadJob.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestHost.h"

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double RunJob(int workers) {
    pw::sim::ServiceSimulator simulator;
    pw::test::ScopedProxy proxy(simulator);
    pw::test::TempDir temp;
    pw::test::TestHost host;
    const auto blog = pw::sim::MakeDemoBlog({.categories = 4, .articlesPerCategory = 10});
    const std::string address = pw::sim::AddSinaBlog(simulator, blog, {.delayMs = 40});
    pw::CArticlePage page;
    page.SetJobRoot(temp.File("jobs/"));
    page.SetDesktopDir(temp.File("desk/"));
    std::filesystem::create_directories(temp.File("desk"));
    page.SetWorkerCount(workers);
    const auto start = Clock::now();
    page.OnStartButton(address);
    host.RunUntilFinished(600);
    const double seconds = Seconds(start);
    if (host.book.empty()) std::fprintf(stderr, "no book with %d workers\n", workers);
    return seconds;
}

void BenchWorkers() {
    const double one = RunJob(1);
    const double five = RunJob(5);
    std::printf("job, 80 articles at 40 ms: 1 worker %.2f s, 5 workers %.2f s, ratio %.2fx\n", one,
                five, one / five);
}

void BenchFind() {
    std::string page;
    const std::string filler = pw::A("这是一段很长的中文博客正文，夹杂 English words 和标点。");
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

}  // namespace

int main() {
    pw::OnContinueDownload();
    BenchFind();
    BenchWorkers();
    return 0;
}
