#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "net/FileDownload.h"
#include "net/HttpSession.h"
#include "sim/ServiceSimulator.h"
#include "support/ClosedPort.h"
#include "support/OneShotGate.h"
#include "support/ScopedProxy.h"
#include "support/SilentServer.h"
#include "support/TempDir.h"

namespace pw {
namespace {

using sim::Fault;
using sim::Framing;
using sim::Response;

constexpr const char* kHost = "dl.example.com";

std::string Address(const std::string& path) {
    return std::string("http://") + kHost + path;
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

using test::ClosedPort;

class Recorder : public DownloadListener {
public:
    void OnStep(DownloadStep step, const std::string& info) override {
        steps.emplace_back(step, info);
    }
    void OnResponse(int64_t size) override { sizes.push_back(size); }
    void OnReceived(int64_t bytes) override {
        received.push_back(bytes);
        if (bytes >= cancelAfterBytes) receivedEnough.Set();
    }
    std::optional<DownloadCredentials> OnCredentials(bool proxy) override {
        asked.push_back(proxy);
        return credentials;
    }

    bool Saw(DownloadStep step, const std::string& info) const {
        for (const auto& [s, i] : steps) {
            if (s == step && i == info) return true;
        }
        return false;
    }

    std::vector<std::pair<DownloadStep, std::string>> steps;
    std::vector<int64_t> sizes;
    std::vector<int64_t> received;
    std::vector<bool> asked;
    std::optional<DownloadCredentials> credentials;
    int64_t cancelAfterBytes = INT64_MAX;
    test::OneShotGate receivedEnough;
};

class FileDownloadTest : public ::testing::Test {
protected:
    FetchResult Download(const std::string& path, Recorder& recorder) {
        FileDownload download(Address(path), Target());
        EXPECT_EQ(download.OpenTarget(), 0);
        return download.Run(recorder, {});
    }

    std::string Target() const { return dir_.File("file.bin"); }
    bool TargetExists() const { return std::filesystem::exists(Target()); }
    std::string TargetBytes() const {
        std::ifstream in(Target(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    test::TempDir dir_;
    sim::ServiceSimulator sim_;
    test::ScopedProxy proxy_{sim_};
};

TEST_F(FileDownloadTest, KnownLengthIsWrittenAndEveryBlockReported) {
    const std::string body = Pattern(300 * 1024);
    sim_.Route(kHost, "/Pagewell2.0.exe", Response::Text(body, "application/octet-stream"));

    Recorder recorder;
    const FetchResult result = Download("/Pagewell2.0.exe", recorder);
    EXPECT_EQ(result.kind, FetchResult::Kind::Ok);
    EXPECT_EQ(TargetBytes(), body);
    EXPECT_EQ(recorder.sizes, std::vector<int64_t>{static_cast<int64_t>(body.size())});
    ASSERT_FALSE(recorder.received.empty());
    int64_t last = 0;
    for (int64_t bytes : recorder.received) {
        EXPECT_GT(bytes, last);
        last = bytes;
    }
    EXPECT_EQ(last, static_cast<int64_t>(body.size()));
    EXPECT_FALSE(recorder.steps.empty());
    EXPECT_EQ(recorder.steps.back().first, DownloadStep::Connected);
}

TEST_F(FileDownloadTest, UnknownLengthIsStillReceivedWhole) {
    const std::string body = Pattern(5000);
    for (Framing framing : {Framing::kUntilClose, Framing::kChunked}) {
        Response response = Response::Text(body, "application/octet-stream");
        response.framing = framing;
        response.chunkBytes = 1000;
        response.chunkIntervalMs = 1;
        sim_.Route(kHost, "/open-ended", response);

        Recorder recorder;
        EXPECT_EQ(Download("/open-ended", recorder).kind, FetchResult::Kind::Ok);
        EXPECT_EQ(TargetBytes(), body);
        EXPECT_EQ(recorder.sizes, std::vector<int64_t>{-1});
        ASSERT_FALSE(recorder.received.empty());
        EXPECT_EQ(recorder.received.back(), static_cast<int64_t>(body.size()));
    }
}

TEST_F(FileDownloadTest, ErrorStatusLeavesNoFile) {
    sim_.Route(kHost, "/broken", Response::Html("<html>oops</html>", 500));
    for (const char* path : {"/missing", "/broken"}) {
        Recorder recorder;
        const FetchResult result = Download(path, recorder);
        EXPECT_EQ(result.kind, FetchResult::Kind::HttpStatus);
        EXPECT_EQ(result.status, path == std::string("/missing") ? 404 : 500);
        EXPECT_FALSE(TargetExists());
        EXPECT_TRUE(recorder.sizes.empty());
    }
}

TEST_F(FileDownloadTest, RedirectIsReportedAndFollowed) {
    sim_.Route(kHost, "/latest", Response::Redirect("http://mirror.example.com/P.exe"));
    sim_.Route("mirror.example.com", "/P.exe",
               Response::Text("new program", "application/x-binary"));

    Recorder recorder;
    EXPECT_EQ(Download("/latest", recorder).kind, FetchResult::Kind::Ok);
    EXPECT_EQ(TargetBytes(), "new program");
    EXPECT_TRUE(recorder.Saw(DownloadStep::Redirect, "http://mirror.example.com/P.exe"));
}

// The update download takes nothing that did not come over https.
TEST_F(FileDownloadTest, HttpsOnlyRefusesAPlainAddressWithoutAsking) {
    sim_.Route(kHost, "/P.exe", Response::Text("program", "application/x-binary"));
    FileDownload download(Address("/P.exe"), Target());
    download.SetHttpsOnly(true);
    ASSERT_EQ(download.OpenTarget(), 0);
    Recorder recorder;
    EXPECT_EQ(download.Run(recorder, {}).kind, FetchResult::Kind::Refused);
    EXPECT_TRUE(sim_.Requests().empty());
    EXPECT_FALSE(TargetExists());
}

sim::Handler Guarded(const std::string& header, const std::string& expected, int refusal,
                     const std::string& challenge) {
    return [=](const sim::Request& request) {
        if (request.Header(header) == expected) return Response::Text("secret body", "text/plain");
        Response denied = Response::Html("denied", refusal);
        denied.headers.emplace_back(challenge, "Basic realm=\"pagewell\"");
        return denied;
    };
}

TEST_F(FileDownloadTest, ServerAsksForCredentials) {
    sim_.Route(kHost, "/private",
               Guarded("Authorization", "Basic dXNlcjpwYTpzcw==", 401, "WWW-Authenticate"));

    Recorder giving;
    giving.credentials = DownloadCredentials{"user", "pa:ss"};
    EXPECT_EQ(Download("/private", giving).kind, FetchResult::Kind::Ok);
    EXPECT_EQ(giving.asked, std::vector<bool>{false});
    EXPECT_EQ(TargetBytes(), "secret body");

    // Declining is a failure, not an empty success.
    Recorder declining;
    const FetchResult result = Download("/private", declining);
    EXPECT_EQ(result.kind, FetchResult::Kind::HttpStatus);
    EXPECT_EQ(result.status, 401);
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, CredentialsStayWithTheirServer) {
    // Given for dl.example.com, they go along to its own other path but never
    // to the mirror it sends the client on to.
    std::vector<std::string> seen;
    auto guarded = Guarded("Authorization", "Basic dXNlcjpwYTpzcw==", 401, "WWW-Authenticate");
    sim_.Route(kHost, "/private", [&](const sim::Request& request) {
        if (request.Header("Authorization").empty()) return guarded(request);
        return Response::Redirect(Address("/moved"));
    });
    sim_.Route(kHost, "/moved", [&](const sim::Request& request) {
        seen.push_back("own:" + request.Header("Authorization"));
        return Response::Redirect("http://mirror.example.com/P.exe");
    });
    sim_.Route("mirror.example.com", "/P.exe", [&](const sim::Request& request) {
        seen.push_back("mirror:" + request.Header("Authorization"));
        return Response::Text("program", "application/x-binary");
    });
    Recorder recorder;
    recorder.credentials = DownloadCredentials{"user", "pa:ss"};
    EXPECT_EQ(Download("/private", recorder).kind, FetchResult::Kind::Ok);
    EXPECT_EQ(seen, (std::vector<std::string>{"own:Basic dXNlcjpwYTpzcw==", "mirror:"}));
    EXPECT_EQ(TargetBytes(), "program");
}

TEST_F(FileDownloadTest, ProxyAsksForCredentials) {
    sim_.Route(kHost, "/via-proxy",
               Guarded("Proxy-Authorization", "Basic cHJveHk6cHc=", 407, "Proxy-Authenticate"));
    Recorder recorder;
    recorder.credentials = DownloadCredentials{"proxy", "pw"};
    EXPECT_EQ(Download("/via-proxy", recorder).kind, FetchResult::Kind::Ok);
    EXPECT_EQ(recorder.asked, std::vector<bool>{true});
    EXPECT_EQ(TargetBytes(), "secret body");
}

TEST_F(FileDownloadTest, WrongCredentialsAreNotRetriedForever) {
    sim_.Route(kHost, "/private",
               Guarded("Authorization", "Basic dXNlcjpwYTpzcw==", 401, "WWW-Authenticate"));
    Recorder recorder;
    recorder.credentials = DownloadCredentials{"user", "wrong"};
    EXPECT_EQ(Download("/private", recorder).status, 401);
    EXPECT_EQ(recorder.asked.size(), static_cast<size_t>(HttpSession::kMaxAuthRounds));
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, CancelBeforeTheRequestLeavesTheEmptyFile) {
    sim_.Route(kHost, "/file", Response::Text("abc", "text/plain"));
    FileDownload download(Address("/file"), Target());
    ASSERT_EQ(download.OpenTarget(), 0);
    std::stop_source cancel;
    cancel.request_stop();
    Recorder recorder;
    EXPECT_EQ(download.Run(recorder, cancel.get_token()).kind, FetchResult::Kind::Stopped);
    EXPECT_TRUE(TargetExists());
    EXPECT_EQ(TargetBytes(), "");
    EXPECT_TRUE(sim_.Requests().empty());
}

// Cancels from another thread once the first bytes have been written.
FetchResult CancelAfterFirstBytes(FileDownload& download, Recorder& recorder,
                                  std::chrono::milliseconds pause = {}) {
    recorder.cancelAfterBytes = 1;
    std::stop_source cancel;
    std::thread canceller([&] {
        recorder.receivedEnough.Wait();
        std::this_thread::sleep_for(pause);
        cancel.request_stop();
    });
    const FetchResult result = download.Run(recorder, cancel.get_token());
    recorder.receivedEnough.Set();  // releases the canceller if no byte ever came
    canceller.join();
    return result;
}

TEST_F(FileDownloadTest, CancelDuringTransferRemovesThePartialFile) {
    Response slow = Response::Text(Pattern(200 * 1024), "application/octet-stream");
    slow.chunkBytes = 1024;
    slow.chunkIntervalMs = 20;
    sim_.Route(kHost, "/slow", slow);

    FileDownload download(Address("/slow"), Target());
    ASSERT_EQ(download.OpenTarget(), 0);
    Recorder recorder;
    EXPECT_EQ(CancelAfterFirstBytes(download, recorder).kind, FetchResult::Kind::Stopped);
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, CancelWhileTheServerIsSilent) {
    Response stalled = Response::Text(Pattern(8192), "application/octet-stream");
    stalled.fault = Fault::kStall;
    stalled.faultAfterBytes = 2048;
    stalled.stallMs = 60000;
    sim_.Route(kHost, "/stalled", stalled);

    // Were the cancel not effective during the silence, the stall time-out would
    // end the download as a failure instead.
    FileDownload download(Address("/stalled"), Target());
    ASSERT_EQ(download.OpenTarget(), 0);
    Recorder recorder;
    const auto intoTheSilence = std::chrono::milliseconds(300);
    EXPECT_EQ(CancelAfterFirstBytes(download, recorder, intoTheSilence).kind,
              FetchResult::Kind::Stopped);
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, StallEndsTheTransfer) {
    Response stalled = Response::Text(Pattern(8192), "application/octet-stream");
    stalled.fault = Fault::kStall;
    stalled.faultAfterBytes = 2048;
    stalled.stallMs = 60000;
    sim_.Route(kHost, "/stalled", stalled);

    FileDownload download(Address("/stalled"), Target());
    download.SetStallSeconds(1);
    ASSERT_EQ(download.OpenTarget(), 0);
    Recorder recorder;
    const FetchResult result = download.Run(recorder, {});
    EXPECT_EQ(result.kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(result.curlCode, CURLE_OPERATION_TIMEDOUT);
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, BrokenTransferRemovesThePartialFile) {
    Response cut = Response::Text(Pattern(8192), "application/octet-stream");
    cut.fault = Fault::kCut;
    cut.faultAfterBytes = 4096;
    sim_.Route(kHost, "/cut", cut);

    Recorder recorder;
    const FetchResult result = Download("/cut", recorder);
    EXPECT_EQ(result.kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(result.status, 200);
    EXPECT_FALSE(TargetExists());
}

TEST_F(FileDownloadTest, UnreachableServerIsAConnectionFailure) {
    test::ScopedProxy nowhere("http://127.0.0.1:" + std::to_string(ClosedPort()));
    Recorder recorder;
    const FetchResult result = Download("/file", recorder);
    EXPECT_EQ(result.curlCode, CURLE_COULDNT_CONNECT);
    EXPECT_FALSE(TargetExists());
    EXPECT_TRUE(recorder.Saw(DownloadStep::Connecting, "127.0.0.1"));
}

// A server on a loopback port that answers every connection with these bytes.
class RawServer {
public:
    explicit RawServer(std::string answer)
        : answer_(std::move(answer)), fd_(test::ListenOnLoopback(4, &port_)) {
        thread_ = std::thread([this] {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0) return;
            char request[4096];
            (void)!read(client, request, sizeof request);
            (void)!write(client, answer_.data(), answer_.size());
            close(client);
        });
    }
    ~RawServer() {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    std::string answer_;
    int port_ = 0;  // set by the socket's making: declared before it
    int fd_ = -1;
    std::thread thread_;
};

TEST_F(FileDownloadTest, AnswerWithoutStatusLeavesTheEmptyFile) {
    for (const char* answer : {"this is no http answer\r\n\r\n", ""}) {
        RawServer server(answer);
        test::ScopedProxy viaRaw(server.Url());
        Recorder recorder;
        const FetchResult result = Download("/file", recorder);
        EXPECT_TRUE(AnswerWithoutStatus(result)) << result.curlCode;
        EXPECT_TRUE(TargetExists());
        EXPECT_EQ(TargetBytes(), "");
    }
}

TEST_F(FileDownloadTest, TargetIsNeverOpenedThroughALink) {
    std::filesystem::create_symlink(dir_.File("elsewhere"), Target());
    FileDownload download(Address("/file"), Target());
    EXPECT_NE(download.OpenTarget(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("elsewhere")));
}

}  // namespace
}  // namespace pw
