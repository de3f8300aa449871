#pragma once
// What the job tests share: a simulator behind the proxy, private folders for
// the jobs and the desktop, and a listener; Run() makes and runs one job.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Encoding.h"
#include "job/Job.h"
#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"
#include "sim/SinaService.h"
#include "support/HeldAnswers.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestListener.h"

namespace pw::test {

// Routes every article page of the Sina blog through held: a page comes only
// once the test lets it through.
inline void HoldSinaArticlePages(sim::ServiceSimulator& simulator, const sim::DemoBlog& blog,
                                 HeldAnswers& held) {
    for (const auto& article : blog.articles) {
        const std::string url = sim::SinaArticleUrl(article);
        simulator.Route(sim::kSinaHost, url.substr(url.find("/s/")),
                        held.Hold(sim::Response::Html(sim::SinaArticlePage(article, {}))));
    }
}

class JobTest : public ::testing::Test {
protected:
    JobTest() { std::filesystem::create_directories(desktop); }

    // Options for a job on the address (UTF-8) with quick retries.
    JobOptions Options(const std::string& address, int workers = 3) const {
        JobOptions options;
        options.address = address;
        options.jobRoot = jobRoot;
        options.desktopDir = desktop;
        options.workers = workers;
        options.firstRetryDelay = std::chrono::milliseconds(50);
        return options;
    }

    // Runs a job to its end; the job stays for inspection.
    Job& Run(const JobOptions& options, TestListener* into = nullptr) {
        jobs.push_back(std::make_unique<Job>(options, into ? *into : listener));
        EXPECT_TRUE(RunJob(*jobs.back())) << "the job did not end in time";
        return *jobs.back();
    }

    // Files below dir, relative, sorted; empty when dir does not exist.
    static std::vector<std::string> Listing(const std::string& dir) {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir, ec)) {
            files.push_back(std::filesystem::relative(e.path(), dir).string());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // Requests whose path starts with prefix.
    size_t CountPaths(const std::string& prefix) const {
        size_t count = 0;
        for (const auto& request : simulator.Requests()) {
            count += request.path.rfind(prefix, 0) == 0;
        }
        return count;
    }

    sim::ServiceSimulator simulator;
    ScopedProxy proxy{simulator};
    TempDir temp;
    std::string jobRoot = temp.File("data/jobs/");
    std::string desktop = temp.File("Desktop/");
    TestListener listener;
    std::vector<std::unique_ptr<Job>> jobs;
};

}  // namespace pw::test
