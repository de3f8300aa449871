#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "app/Event.h"
#include "base/Identity.h"
#include "app/LaunchNewVersion.h"
#include "app/UpdateCheck.h"
#include "app/UpdateInfo.h"
#include "base/Encoding.h"
#include "engine/Host.h"
#include "net/PageFetcher.h"
#include "support/TempDir.h"

namespace pw {
namespace {

// SHA-256 of "abc".
constexpr const char* kAbcDigest =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fetch that serves one text for the update file and records the addresses asked for.
struct FakeServer {
    int result = 0;
    std::string file;
    std::vector<std::string> asked;

    PageFetch Fetch() {
        return [this](const std::string& address, std::string& page) {
            asked.push_back(address);
            page = result == 0 ? file : std::string();
            return result;
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
    EXPECT_EQ(ReadUpdateInfo(info, server.Fetch()), 1);
    ASSERT_EQ(server.asked, std::vector<std::string>{kUpdateFileUrl});
    const UpdateValues values = info.Get();
    EXPECT_EQ(values.strDownUrl, "y");
    EXPECT_EQ(values.strName, "Pagewell");
    EXPECT_EQ(values.strVersion, "2.0");
    EXPECT_EQ(values.strHelpUrl, "http://h/?a=1");
    EXPECT_EQ(values.strBbsUrl, "http://b/");
    EXPECT_EQ(values.strAllSoftUrl, "http://s/");
}

TEST(ReadUpdateInfo, MissingTagsKeepEarlierValues) {
    UpdateInfo info(UpdateValues{"", "", "", kHelpPageUrl, kSiteUrl, "", ""});
    FakeServer server;
    server.file = "no tags at all\n";
    EXPECT_EQ(ReadUpdateInfo(info, server.Fetch()), 1);
    EXPECT_EQ(info.Get().strVersion, "");
    EXPECT_EQ(info.HelpUrl(), kHelpPageUrl);
    EXPECT_EQ(info.SiteUrl(), kSiteUrl);

    server.file = "<bbs>http://new/</bbs>";
    ReadUpdateInfo(info, server.Fetch());
    EXPECT_EQ(info.SiteUrl(), "http://new/");
    EXPECT_EQ(info.HelpUrl(), kHelpPageUrl);
}

TEST(ReadUpdateInfo, FailedFetchLeavesRecordUntouched) {
    UpdateInfo info(UpdateValues{"n", "v", "d", "h", "b", "a", kAbcDigest});
    FakeServer server;
    server.file = "<version>9</version>";
    for (int failure : {404, 500, kFetchFailed}) {
        server.result = failure;
        EXPECT_EQ(ReadUpdateInfo(info, server.Fetch()), 0);
        EXPECT_EQ(info.Get().strVersion, "v");
        EXPECT_EQ(info.Get().strSha256, kAbcDigest);
    }
}

TEST(ReadUpdateInfo, DigestIsTakenOnlyWithItsOwnFile) {
    UpdateInfo info;
    FakeServer server;
    server.file = std::string("<sha256>\n ") +
                  "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD" +
                  " \n</sha256>";
    ReadUpdateInfo(info, server.Fetch());
    EXPECT_EQ(info.Get().strSha256, kAbcDigest);

    server.file = "<version>3.0</version>";
    ReadUpdateInfo(info, server.Fetch());
    EXPECT_EQ(info.Get().strSha256, "");

    for (const char* bad :
         {"<sha256>abc</sha256>",
          "<sha256>zz7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad</sha256>"}) {
        server.file = bad;
        ReadUpdateInfo(info, server.Fetch());
        EXPECT_EQ(info.Get().strSha256, "") << bad;
    }
}

TEST(UpdateFileName, StaysOneFileNameInsideItsFolder) {
    EXPECT_EQ(UpdateFileName("Pagewell", "2.0"), "Pagewell2.0.exe");
    EXPECT_EQ(UpdateFileName("../../etc/x", "1 /2"), ".._.._etc_x1__2.exe");
    EXPECT_EQ(UpdateFileName("", ""), ".exe");
    EXPECT_LE(UpdateFileName(std::string(5000, 'a'), std::string(5000, '1')).size(), 200u);
}

// Records what the update routines show; the test thread is the UI thread.
class RecordingHost : public IHost {
public:
    void SendToUi(const std::function<void()>& fn) override { fn(); }
    void SetStatusText(int part, const std::string& text) override {
        std::lock_guard lock(mutex);
        status.emplace_back(part, text);
    }
    void ShowMessageBox(const std::string& text) override {
        std::lock_guard lock(mutex);
        boxes.push_back(text);
    }
    bool AskYesNo(const std::string&) override { return false; }
    void ShowNotice(int kind) override {
        std::lock_guard lock(mutex);
        notices.push_back(kind);
    }

    std::mutex mutex;
    std::vector<std::pair<int, std::string>> status;
    std::vector<std::string> boxes;
    std::vector<int> notices;
};

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        AttachHost(&host);
        server.file =
            "<name>Pagewell</name><version>2.0</version>"
            "<downurl>https://dl.example.com/Pagewell.exe</downurl>"
            "<sha256>" +
            std::string(kAbcDigest) + "</sha256>";
        ctx.pInfo = &info;
        ctx.fetch = server.Fetch();
        ctx.strTargetDir = dir.Path() + "/";
        ctx.askUpdate = [this](const std::string& question) {
            questions.push_back(question);
            return answer;
        };
        ctx.download = [this](const std::string& source, const std::string& target) {
            downloads.emplace_back(source, target);
            WriteAll(target, served);
            return got;
        };
        ctx.openInBrowser = [this](const std::string& address) { browsed.push_back(address); };
        ctx.launch = [this](const std::string& file) { launched.push_back(file); };
    }
    void TearDown() override { AttachHost(nullptr); }

    std::string Target() const { return dir.File("Pagewell2.0.exe"); }

    test::TempDir dir;
    RecordingHost host;
    FakeServer server;
    UpdateInfo info;
    UpdateContext ctx;
    bool answer = true;
    std::string served = "abc";
    UpdateDownload got{true, true};
    std::vector<std::string> questions, browsed, launched;
    std::vector<std::pair<std::string, std::string>> downloads;
};

TEST_F(UpdateRun, SameVersionAtStartOnlyChangesStatus) {
    server.file = "<version>1.0</version>";
    CheckForUpdate(ctx);
    ASSERT_EQ(host.status.size(), 1u);
    EXPECT_EQ(host.status[0], std::make_pair(0, Gbk("当前版本是最新版!")));
    EXPECT_TRUE(host.notices.empty());
    EXPECT_TRUE(questions.empty());

    RunUpdate(ctx);
    EXPECT_EQ(host.status.size(), 2u);
    EXPECT_EQ(host.notices, std::vector<int>{0});
    EXPECT_TRUE(downloads.empty());
}

TEST_F(UpdateRun, FailedFetchShowsNoticeOnce) {
    server.result = kFetchFailed;
    CheckForUpdate(ctx);
    EXPECT_EQ(host.notices, std::vector<int>{1});
    EXPECT_TRUE(host.status.empty());
    RunUpdate(ctx);
    EXPECT_EQ(host.notices, (std::vector<int>{1, 1}));
    EXPECT_EQ(UpdateNoticeText(1).substr(0, Gbk("无法获取最新版本信息").size()),
              Gbk("无法获取最新版本信息"));
}

TEST_F(UpdateRun, EmptyVersionCountsAsUpdate) {
    server.file = "nothing";
    answer = false;
    CheckForUpdate(ctx);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], Gbk("Pagewell发现可用更新(v)，是否立即更新?"));
}

TEST_F(UpdateRun, DecliningOpensTheArchiveAddress) {
    answer = false;
    CheckForUpdate(ctx);
    EXPECT_EQ(questions[0], Gbk("Pagewell发现可用更新(v2.0)，是否立即更新?"));
    EXPECT_EQ(browsed, std::vector<std::string>{"https://dl.example.com/Pagewell.rar"});
    EXPECT_TRUE(downloads.empty());
}

TEST_F(UpdateRun, VerifiedDownloadIsLaunched) {
    CheckForUpdate(ctx);
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].first, "https://dl.example.com/Pagewell.exe");
    EXPECT_EQ(downloads[0].second, Target());
    EXPECT_EQ(launched, std::vector<std::string>{Target()});
    EXPECT_TRUE(browsed.empty());
    // The launcher returned: the start failed, and the user is told.
    EXPECT_EQ(host.boxes.size(), 1u);
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        served = c.served;
        got.bSecure = c.secure;
        browsed.clear();
        RunUpdate(ctx);
        EXPECT_TRUE(launched.empty());
        EXPECT_FALSE(std::filesystem::exists(Target()));
        EXPECT_EQ(browsed, std::vector<std::string>{"https://dl.example.com/Pagewell.exe"});
    }
}

TEST_F(UpdateRun, NothingIsDownloadedWithoutHttpsAndDigest) {
    const std::string files[] = {
        "<version>2.0</version><downurl>http://dl.example.com/P.exe</downurl><sha256>" +
            std::string(kAbcDigest) + "</sha256>",
        "<version>2.0</version><downurl>https://dl.example.com/P.exe</downurl>",
        "<version>2.0</version><downurl>file:///etc/passwd</downurl><sha256>" +
            std::string(kAbcDigest) + "</sha256>",
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
    got.bOk = false;
    RunUpdate(ctx);
    EXPECT_EQ(downloads.size(), 1u);
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(browsed.empty());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(UpdateRun, SecondRunWhileBusyDoesNothing) {
    CEvent entered(true, false), release(true, false);
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

TEST(StartNewVersion, RunsTheFileWithDeleteAndTheOldPathNoShell) {
    test::TempDir dir;
    const std::string script = dir.File("new version");
    const std::string out = dir.File("args");
    WriteAll(script,
             "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + out + "'\n");
    const std::string old = "/opt/old \"dir\"/$(touch x);pagewell";
    const int pid = StartNewVersion(script, old);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(out), "[delete]\n[" + old + "]\n");
}

}  // namespace
}  // namespace pw
