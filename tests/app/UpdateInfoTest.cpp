// The update description, the update routines with their window parts replaced,
// and the hand-over to a new version.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "app/FileDigest.h"
#include "app/LaunchNewVersion.h"
#include "app/UpdateCheck.h"
#include "app/UpdateInfo.h"
#include "base/Encoding.h"
#include "base/Identity.h"
#include "net/FetchResult.h"
#include "sim/ServiceSimulator.h"
#include "support/OneShotGate.h"
#include "support/ScopedProxy.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"
#include "support/TestListener.h"

namespace pw {
namespace {

using namespace std::chrono_literals;

// SHA-256 of "abc".
constexpr const char* kAbcDigest =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr const char* kAddress = "https://update.example.com/pagewell.txt";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A script that writes its arguments, one "[arg]" a line, into out.
std::string ArgumentsScript(const std::string& out, const std::string& mark = "") {
    return "#!/bin/sh\n# " + mark + "\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" +
           out + "'\n";
}

// A fetch that serves one text for the update file and records the addresses asked for.
// result: 0 for the file, an HTTP status, or -1 for no answer at all.
struct FakeServer {
    int result = 0;
    std::string file;
    std::vector<std::string> asked;

    PageFetch Fetch() {
        return [this](const std::string& address, std::string& page) {
            asked.push_back(address);
            page = result == 0 ? file : std::string();
            FetchResult got;
            got.kind = result == 0  ? FetchResult::Kind::Ok
                       : result > 0 ? FetchResult::Kind::HttpStatus
                                    : FetchResult::Kind::NetworkError;
            got.status = result == 0 ? 200 : std::max(result, 0);
            return got;
        };
    }
};

TEST(ReadTagValue, ValueRunsToTheFirstClosingMarker) {
    EXPECT_EQ(ReadTagValue("<name>A</other>B</name>", "<name>"), "A");
    EXPECT_EQ(ReadTagValue("x<version>1.0</version>", "<version>"), "1.0");
    EXPECT_EQ(ReadTagValue("<news> two\nlines </news>", "<news>"), " two\nlines ");
    EXPECT_EQ(ReadTagValue("<version></version>", "<version>"), "");
    EXPECT_EQ(ReadTagValue("<help>a</help><help>b</help>", "<help>"), "a");
}

TEST(ReadTagValue, MissingTagOrEndGivesNothing) {
    EXPECT_FALSE(ReadTagValue("", "<name>"));
    EXPECT_FALSE(ReadTagValue("<Name>A</Name>", "<name>"));
    EXPECT_FALSE(ReadTagValue("<name>A", "<name>"));
    EXPECT_FALSE(ReadTagValue("</x><name>A<", "<name>"));
}

TEST(ReadUpdateInfo, StoresEveryTagAndIgnoresOthers) {
    FakeServer server;
    server.file =
        "<downurl2>x</downurl2>\n<downurl>y</downurl>\n<name>Pagewell</name><version>2.0</version>"
        "<help>http://h/?a=1</help><bbs>http://b/</bbs><allsoft>http://s/</allsoft>"
        "<pswd>p</pswd><news>n</news>";
    UpdateInfo info;
    EXPECT_EQ(ReadUpdateInfo(info, server.Fetch(), kAddress), 1);
    ASSERT_EQ(server.asked, std::vector<std::string>{kAddress});
    const UpdateValues values = info.Get();
    EXPECT_EQ(values.downUrl, "y");
    EXPECT_EQ(values.name, "Pagewell");
    EXPECT_EQ(values.version, "2.0");
    EXPECT_EQ(values.helpUrl, "http://h/?a=1");
    EXPECT_EQ(values.bbsUrl, "http://b/");
    EXPECT_EQ(values.allSoftUrl, "http://s/");
}

TEST(ReadUpdateInfo, MissingTagsKeepEarlierValues) {
    UpdateInfo info(UpdateValues{"", "", "", "http://help/", "http://site/", "", ""});
    FakeServer server;
    server.file = "no tags at all\n";
    EXPECT_EQ(ReadUpdateInfo(info, server.Fetch(), kAddress), 1);
    EXPECT_EQ(info.Get().version, "");
    EXPECT_EQ(info.HelpUrl(), "http://help/");
    EXPECT_EQ(info.SiteUrl(), "http://site/");

    server.file = "<bbs>http://new/</bbs>";
    ReadUpdateInfo(info, server.Fetch(), kAddress);
    EXPECT_EQ(info.SiteUrl(), "http://new/");
    EXPECT_EQ(info.HelpUrl(), "http://help/");
}

TEST(ReadUpdateInfo, FailedFetchOrNoAddressLeavesRecordUntouched) {
    UpdateInfo info(UpdateValues{"n", "v", "d", "h", "b", "a", kAbcDigest});
    FakeServer server;
    server.file = "<version>9</version>";
    for (int failure : {404, 500, -1}) {
        server.result = failure;
        EXPECT_EQ(ReadUpdateInfo(info, server.Fetch(), kAddress), 0);
        EXPECT_EQ(info.Get().version, "v");
        EXPECT_EQ(info.Get().sha256, kAbcDigest);
    }
    server.result = 0;
    server.asked.clear();
    EXPECT_EQ(ReadUpdateInfo(info, server.Fetch(), ""), 0);
    EXPECT_TRUE(server.asked.empty());
}

TEST(ReadUpdateInfo, DigestIsTakenOnlyWithItsOwnFile) {
    UpdateInfo info;
    FakeServer server;
    server.file = std::string("<sha256>\n ") +
                  "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"
                  " \n</sha256>";
    ReadUpdateInfo(info, server.Fetch(), kAddress);
    EXPECT_EQ(info.Get().sha256, kAbcDigest);

    server.file = "<version>3.0</version>";
    ReadUpdateInfo(info, server.Fetch(), kAddress);
    EXPECT_EQ(info.Get().sha256, "");

    for (const char* bad :
         {"<sha256>abc</sha256>",
          "<sha256>zz7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad</sha256>"}) {
        server.file = bad;
        ReadUpdateInfo(info, server.Fetch(), kAddress);
        EXPECT_EQ(info.Get().sha256, "") << bad;
    }
}

TEST(SecureFetch, RefusesPlainHttpWithoutSendingAnything) {
    sim::ServiceSimulator simulator;
    test::ScopedProxy proxy(simulator);
    simulator.Route("update.example.com", "/u.txt", sim::Response::Html("<version>9</version>"));
    UpdateInfo info;
    EXPECT_EQ(ReadUpdateInfo(info, SecureFetch(), "http://update.example.com/u.txt"), 0);
    EXPECT_TRUE(simulator.Requests().empty());
    EXPECT_EQ(info.Get().version, "");
}

TEST(SecureFetch, AStopEndsAFetchThatWaitsForASilentServer) {
    test::ScopedEnv env;
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        env.Unset(name);
    }
    test::SilentServer server;
    std::stop_source stop;
    std::atomic<bool> ended{false};
    FetchResult result;
    std::thread fetching([&] {
        std::string page;
        result = SecureFetch(stop.get_token())(server.HttpsUrl(), page);
        ended = true;
    });
    EXPECT_TRUE(server.TakeClient(60s));
    EXPECT_FALSE(ended.load());
    stop.request_stop();
    fetching.join();
    // Had the stop not ended it, the fetch would have ended by a time-out instead.
    EXPECT_EQ(result.kind, FetchResult::Kind::Stopped);
}

TEST(IsWebAddress, OnlyHttpAndHttpsAddressesPass) {
    for (const char* good : {"http://a.example/x?y=1", "HTTPS://a.example/", "https://a/b#c"}) {
        EXPECT_TRUE(IsWebAddress(good)) << good;
    }
    for (const char* bad :
         {"", "file:///etc/passwd", "smb://host/share", "ftp://a/", "javascript:alert(1)",
          "http://", "-https://a/", " http://a/", "http://a/ b", "http://a/\nb", "a.example/x",
          "/home/user/help.html", "httpx://a/"}) {
        EXPECT_FALSE(IsWebAddress(bad)) << bad;
    }
}

TEST(UpdateFileName, StaysOneFileNameInsideItsFolder) {
    EXPECT_EQ(UpdateFileName("Pagewell", "2.0"), "Pagewell2.0.exe");
    EXPECT_EQ(UpdateFileName("../../etc/x", "1 /2"), ".._.._etc_x1__2.exe");
    EXPECT_EQ(UpdateFileName("", ""), ".exe");
    EXPECT_LE(UpdateFileName(std::string(5000, 'a'), std::string(5000, '1')).size(), 200u);
}

// The update routines with every window part recorded.
class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        server.file =
            "<name>Pagewell</name><version>2.0</version>"
            "<downurl>https://dl.example.com/Pagewell.exe</downurl>"
            "<sha256>" +
            std::string(kAbcDigest) + "</sha256>";
        ctx.info = &info;
        ctx.address = kAddress;
        ctx.fetch = server.Fetch();
        ctx.busy = &busy;
        ctx.stop = stop.get_token();
        ctx.targetDir = dir.Path() + "/";
        ctx.status = [this](const std::string& text) { Record(statuses, text); };
        ctx.notice = [this](int kind) { Record(notices, kind); };
        ctx.message = [this](const std::string& text) { Record(messages, text); };
        ctx.askUpdate = [this](const std::string& question) {
            questions.push_back(question);
            return answer;
        };
        ctx.download = [this](const std::string& source, const std::string& target) {
            downloads.emplace_back(source, target);
            WriteAll(target, served);
            return got;
        };
        ctx.openInBrowser = [this](const std::string& address) { Record(browsed, address); };
        ctx.launch = [this](const std::string& file, const std::string& sha256) {
            launched.push_back(file);
            if (!outcome) return LaunchNewVersion(file, sha256);
            return *outcome;
        };
        ctx.quit = [this] { ++quits; };
    }

    template <class T, class V>
    void Record(std::vector<T>& list, const V& value) {
        std::lock_guard lock(mutex);
        list.push_back(value);
    }

    std::string Target() const { return dir.File("Pagewell2.0.exe"); }

    test::TempDir dir;
    FakeServer server;
    UpdateInfo info;
    std::atomic<bool> busy{false};
    std::stop_source stop;
    UpdateContext ctx;
    bool answer = true;
    std::string served = "abc";
    UpdateDownload got{true, true};
    std::optional<LaunchOutcome> outcome = LaunchOutcome::kStarted;
    int quits = 0;
    std::mutex mutex;
    std::vector<std::string> statuses, messages, questions, browsed, launched;
    std::vector<int> notices;
    std::vector<std::pair<std::string, std::string>> downloads;
};

TEST_F(UpdateRun, SameVersionAtStartOnlyChangesStatus) {
    server.file = "<version>1.0</version>";
    CheckForUpdate(ctx);
    EXPECT_EQ(statuses, std::vector<std::string>{"当前版本是最新版!"});
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(questions.empty());

    RunUpdate(ctx);
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_EQ(notices, std::vector<int>{0});
    EXPECT_TRUE(downloads.empty());
}

TEST_F(UpdateRun, FailedFetchShowsNoticeOnce) {
    server.result = -1;
    CheckForUpdate(ctx);
    EXPECT_EQ(notices, std::vector<int>{1});
    EXPECT_TRUE(statuses.empty());
    RunUpdate(ctx);
    EXPECT_EQ(notices, (std::vector<int>{1, 1}));
    EXPECT_EQ(UpdateNoticeText(1).rfind("无法获取最新版本信息", 0), 0u);
}

TEST_F(UpdateRun, AfterAStopNothingIsShownOrOpened) {
    server.result = -1;  // what a stopped fetch returns
    stop.request_stop();
    CheckForUpdate(ctx);
    RunUpdate(ctx);
    server.result = 0;
    answer = false;
    CheckForUpdate(ctx);
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(statuses.empty());
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(browsed.empty());
}

TEST_F(UpdateRun, EmptyVersionCountsAsUpdate) {
    server.file = "nothing";
    answer = false;
    CheckForUpdate(ctx);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Pagewell发现可用更新(v)，是否立即更新?");
}

TEST_F(UpdateRun, DecliningOpensTheArchiveAddressWhenItIsAWebAddress) {
    answer = false;
    CheckForUpdate(ctx);
    EXPECT_EQ(questions[0], "Pagewell发现可用更新(v2.0)，是否立即更新?");
    EXPECT_EQ(browsed, std::vector<std::string>{"https://dl.example.com/Pagewell.rar"});
    EXPECT_TRUE(downloads.empty());

    browsed.clear();
    server.file = "<version>2.0</version><downurl>file:///home/u/evil.exe</downurl>";
    CheckForUpdate(ctx);
    EXPECT_TRUE(browsed.empty());
}

TEST_F(UpdateRun, AStartedNewVersionEndsThisProgram) {
    CheckForUpdate(ctx);
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].first, "https://dl.example.com/Pagewell.exe");
    EXPECT_EQ(downloads[0].second, Target());
    EXPECT_EQ(launched, std::vector<std::string>{Target()});
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(browsed.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(UpdateRun, ANewVersionThatWillNotStartIsNamedToTheUser) {
    outcome = LaunchOutcome::kFailed;
    RunUpdate(ctx);
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(Target()), std::string::npos);
}

TEST_F(UpdateRun, UnverifiedDownloadIsNeverStarted) {
    struct Case {
        const char* what;
        std::string served;
        bool secure;
    } cases[] = {
        {"digest mismatch", "abd", true},
        {"redirected over http", "abc", false},
    };
    outcome.reset();  // the real check
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        served = c.served;
        got.secure = c.secure;
        browsed.clear();
        RunUpdate(ctx);
        EXPECT_EQ(quits, 0);
        EXPECT_FALSE(std::filesystem::exists(Target()));
        EXPECT_EQ(browsed, std::vector<std::string>{"https://dl.example.com/Pagewell.exe"});
    }
    // An http transfer is not even handed to the check.
    EXPECT_EQ(launched.size(), 1u);
}

TEST_F(UpdateRun, NothingIsDownloadedWithoutHttpsAndDigest) {
    const std::string files[] = {
        "<version>2.0</version><downurl>http://dl.example.com/P.exe</downurl><sha256>" +
            std::string(kAbcDigest) + "</sha256>",
        "<version>2.0</version><downurl>https://dl.example.com/P.exe</downurl>",
        "<version>2.0</version><downurl>file:///etc/passwd</downurl><sha256>" +
            std::string(kAbcDigest) + "</sha256>",
        "<version>2.0</version><downurl>smb://host/P.exe</downurl>",
    };
    for (const std::string& file : files) {
        server.file = file;
        RunUpdate(ctx);
    }
    EXPECT_TRUE(downloads.empty());
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(browsed, (std::vector<std::string>{"http://dl.example.com/P.exe",
                                                 "https://dl.example.com/P.exe"}));
}

TEST_F(UpdateRun, CancelledDownloadEndsQuietly) {
    got.ok = false;
    RunUpdate(ctx);
    EXPECT_EQ(downloads.size(), 1u);
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(browsed.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(UpdateRun, SecondRunWhileBusyDoesNothing) {
    test::OneShotGate entered, release;
    ctx.download = [&](const std::string&, const std::string& target) {
        entered.Set();
        release.Wait();
        WriteAll(target, "abc");
        return UpdateDownload{true, true};
    };
    std::thread first([&] { RunUpdate(ctx); });
    entered.Wait();
    const size_t fetchesBefore = server.asked.size();
    RunUpdate(ctx);
    EXPECT_EQ(server.asked.size(), fetchesBefore);
    release.Set();
    first.join();
    EXPECT_EQ(launched.size(), 1u);

    // The gate is open again once the first run has ended.
    RunUpdate(ctx);
    EXPECT_EQ(launched.size(), 2u);
}

// The hand-over: what is hashed is what runs.
class Launch : public ::testing::Test {
protected:
    // Waits for the started script and returns what it wrote.
    std::string RunToEnd(int pid) {
        EXPECT_GT(pid, 0);
        if (pid <= 0) return {};
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return ReadAll(out);
    }

    test::TempDir dir;
    std::string program = dir.File("new version");
    std::string out = dir.File("args");
};

TEST_F(Launch, RunsTheFileWithItsArgumentsAndNoShell) {
    WriteAll(program, ArgumentsScript(out));
    const std::string old = "/opt/old \"dir\"/$(touch x);pagewell";
    const ProgramFile file(program);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(RunToEnd(file.Start({"delete", old})), "[delete]\n[" + old + "]\n");
}

TEST_F(Launch, TheHashedBytesRunEvenWhenTheFileIsSwappedAfterTheCheck) {
    WriteAll(program, ArgumentsScript(out, "original"));
    const std::string digest = Sha256OfFile(program);
    const ProgramFile file(program);
    ASSERT_EQ(file.Sha256(), digest);

    const std::string evilOut = dir.File("evil");
    WriteAll(dir.File("other"), "#!/bin/sh\ntouch '" + evilOut + "'\n");
    std::filesystem::rename(dir.File("other"), program);
    EXPECT_EQ(RunToEnd(file.Start({"delete", "/old"})), "[delete]\n[/old]\n");
    EXPECT_FALSE(std::filesystem::exists(evilOut));
}

TEST_F(Launch, OnlyTheDescribedFileIsStarted) {
    WriteAll(program, ArgumentsScript(out));
    EXPECT_EQ(LaunchNewVersion(program, std::string(64, '0')), LaunchOutcome::kUnverified);
    EXPECT_EQ(LaunchNewVersion(program, ""), LaunchOutcome::kUnverified);
    EXPECT_EQ(LaunchNewVersion(dir.File("missing"), kAbcDigest), LaunchOutcome::kUnverified);

    // A link is never followed, even to the right bytes.
    const std::string link = dir.File("link");
    std::filesystem::create_symlink(program, link);
    EXPECT_EQ(LaunchNewVersion(link, Sha256OfFile(program)), LaunchOutcome::kUnverified);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Launch, TheRightFileIsStartedWithDeleteAndThisProgram) {
    WriteAll(program, ArgumentsScript(out));
    EXPECT_EQ(LaunchNewVersion(program, Sha256OfFile(program)), LaunchOutcome::kStarted);
    EXPECT_TRUE(test::WaitFor([&] { return !ReadAll(out).empty(); }, 10s));
    EXPECT_TRUE(test::WaitFor(
        [&] { return ReadAll(out) == "[delete]\n[" + SelfExecutablePath() + "]\n"; }, 10s));
}

TEST_F(Launch, AFileThatCannotRunIsAFailureNotASuccess) {
    WriteAll(program, "this is neither a program nor a script\n");
    EXPECT_EQ(LaunchNewVersion(program, Sha256OfFile(program)), LaunchOutcome::kFailed);
}

}  // namespace
}  // namespace pw
