#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "net/HttpSession.h"
#include "sim/ServiceSimulator.h"
#include "support/ClosedPort.h"
#include "support/OneAttempt.h"
#include "support/ScopedProxy.h"

namespace pw {
namespace {

using sim::Fault;
using sim::Framing;
using sim::Response;

constexpr const char* kHost = "blog.example.com";

std::string Address(const std::string& pathAndQuery) {
    return std::string("http://") + kHost + pathAndQuery;
}

using test::ClosedPort;
using test::FetchBinary;
using test::FetchPage;

class PageFetcherTest : public ::testing::Test {
protected:
    // The page a 2xx answer with this body gives.
    std::string PageOf(const std::string& body) {
        sim_.Route(kHost, "/body.html", Response::Html(body));
        std::string page = "stale";
        EXPECT_TRUE(FetchPage(Address("/body.html"), page).Ok());
        return page;
    }

    sim::ServiceSimulator sim_;
    test::ScopedProxy proxy_{sim_};
};

TEST_F(PageFetcherTest, LineEndsAreNormalised) {
    EXPECT_EQ(PageOf("one\r\ntwo\r\n"), "one\ntwo\n");
    EXPECT_EQ(PageOf("a\rb\r\n"), "ab\n");
    EXPECT_EQ(PageOf("one\ntwo"), "one\ntwo\n");
    EXPECT_EQ(PageOf("one\r\n\r\ntwo\n"), "one\n\ntwo\n");
    EXPECT_EQ(PageOf("\n\n"), "\n\n");
    EXPECT_EQ(PageOf("one\n\r"), "one\n");
    EXPECT_EQ(PageOf(""), "");
}

TEST_F(PageFetcherTest, ZeroByteEndsItsLine) {
    EXPECT_EQ(PageOf(std::string("ab\0cd\nef\n", 9)), "ab\nef\n");
    EXPECT_EQ(PageOf(std::string("x\n\0", 3)), "x\n\n");
}

TEST_F(PageFetcherTest, BodyArrivingInSmallPiecesIsReassembled) {
    std::string body, expected;
    for (int i = 0; i < 200; ++i) {
        body += "line " + std::to_string(i) + "\r\n";
        expected += "line " + std::to_string(i) + "\n";
    }
    Response response = Response::Html(body);
    response.chunkBytes = 7;  // splits many "\r\n" pairs between pieces
    response.chunkIntervalMs = 1;
    response.framing = Framing::kChunked;
    sim_.Route(kHost, "/slow.html", response);

    std::string page;
    EXPECT_TRUE(FetchPage(Address("/slow.html"), page).Ok());
    EXPECT_EQ(page, expected);
}

TEST_F(PageFetcherTest, BodyEndedByClosingTheConnectionIsComplete) {
    Response response = Response::Html("one\ntwo");
    response.framing = Framing::kUntilClose;
    sim_.Route(kHost, "/close.html", response);

    std::string page;
    EXPECT_TRUE(FetchPage(Address("/close.html"), page).Ok());
    EXPECT_EQ(page, "one\ntwo\n");
}

TEST_F(PageFetcherTest, RedirectsAreFollowedToTheFinalPage) {
    sim_.Route(kHost, "/old.html", Response::Redirect(Address("/moved.html")));
    sim_.Route(kHost, "/moved.html", Response::Redirect("/\xC4\xE3.html?p=1", 301));
    sim_.Route(kHost, "/%C4%E3.html?p=1", Response::Html("final\r\n"));

    std::string page;
    EXPECT_TRUE(FetchPage(Address("/old.html"), page).Ok());
    EXPECT_EQ(page, "final\n");
    EXPECT_EQ(sim_.CountRequests(kHost, "/%C4%E3.html?p=1"), 1u);
}

TEST_F(PageFetcherTest, EndlessRedirectsFail) {
    sim_.Route(kHost, "/loop.html", Response::Redirect("/loop.html"));

    std::string page;
    EXPECT_EQ(FetchPage(Address("/loop.html"), page).kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(page, "");
    EXPECT_LE(sim_.CountRequests(kHost, "/loop.html"), 11u);
}

TEST_F(PageFetcherTest, ErrorStatusGivesStatusAndEmptyPage) {
    std::string page = "stale";
    EXPECT_EQ(FetchPage(Address("/missing.html"), page).status, 404);
    EXPECT_EQ(page, "");

    sim_.Route(kHost, "/broken.html", Response::Html("<html>oops</html>\n", 500));
    EXPECT_EQ(FetchPage(Address("/broken.html"), page).status, 500);
    EXPECT_EQ(page, "");

    // A redirect without a target is an answer of its own.
    Response bare = Response::Html("moved\n", 302);
    sim_.Route(kHost, "/bare.html", bare);
    EXPECT_EQ(FetchPage(Address("/bare.html"), page).status, 302);
    EXPECT_EQ(page, "");
}

TEST_F(PageFetcherTest, ConnectionResetBeforeAnswerFails) {
    Response response = Response::Html("never\n");
    response.fault = Fault::kReset;
    sim_.Route(kHost, "/reset.html", response);

    std::string page = "stale";
    EXPECT_EQ(FetchPage(Address("/reset.html"), page).kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(page, "");
}

TEST_F(PageFetcherTest, ConnectionCutMidBodyKeepsCompleteLines) {
    for (Framing framing : {Framing::kContentLength, Framing::kChunked}) {
        Response response = Response::Html("first\r\nsecond\r\nthird\r\n");
        response.fault = Fault::kCut;
        response.faultAfterBytes = 10;  // inside "second"
        response.framing = framing;
        sim_.Route(kHost, "/cut.html", response);

        std::string page;
        EXPECT_EQ(FetchPage(Address("/cut.html"), page).kind, FetchResult::Kind::NetworkError);
        EXPECT_EQ(page, "first\n");
    }
}

// The one slow test: the receive time-out needs more than ten silent seconds.
TEST_F(PageFetcherTest, StalledBodyTimesOutWithLinesSoFar) {
    Response response = Response::Html("first\nsecond\nthird\n");
    response.fault = Fault::kStall;
    response.faultAfterBytes = 9;  // inside "second"
    response.stallMs = 30000;
    sim_.Route(kHost, "/stall.html", response);

    std::string page;
    EXPECT_EQ(FetchPage(Address("/stall.html"), page).kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(page, "first\n");
}

TEST(PageFetcherNoServer, UnreachableProxyFails) {
    test::ScopedProxy proxy("http://127.0.0.1:" + std::to_string(ClosedPort()));
    std::string page = "stale";
    EXPECT_EQ(FetchPage(Address("/index.html"), page).kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(page, "");
    std::string body;
    EXPECT_EQ(FetchBinary(Address("/a.jpg"), body, 1000).kind, FetchResult::Kind::NetworkError);
}

TEST_F(PageFetcherTest, OnlyWebAddressesAreFetched) {
    std::string page;
    EXPECT_EQ(FetchPage("file:///etc/hostname", page).kind, FetchResult::Kind::Refused);
    EXPECT_EQ(page, "");
    EXPECT_EQ(FetchPage("", page).kind, FetchResult::Kind::Refused);

    sim_.Route(kHost, "/jump.html", Response::Redirect("file:///etc/hostname"));
    EXPECT_EQ(FetchPage(Address("/jump.html"), page).kind, FetchResult::Kind::Refused);
    EXPECT_EQ(page, "");
}

TEST_F(PageFetcherTest, RequestCarriesUserAgentAndEscapedAddress) {
    sim_.Route(kHost, "/a%20b%C4%E3.html?q=%B0%A1", Response::Html("ok\n"));

    std::string page;
    EXPECT_TRUE(FetchPage(Address("/a b\xC4\xE3.html?q=\xB0\xA1"), page).Ok());
    EXPECT_EQ(page, "ok\n");
    const auto requests = sim_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].Header("User-Agent"), "HttpClient");
    EXPECT_EQ(requests[0].Header("Cookie"), "");
}

// A login must not travel to hosts a page names: the source would answer for
// any host, but only the service's own domains get its cookies, on every hop.
TEST_F(PageFetcherTest, CookiesGoOnlyToTheServiceDomains) {
    sim_.Route(kHost, "/login.html", Response::Redirect("http://other.example.com/home.html"));
    sim_.Route("other.example.com", "/home.html", Response::Html("home\n"));
    sim_.Route("pics.example.com", "/a.png", Response::Html("png\n"));
    SessionOptions options;
    options.cookies = [](const std::string&) { return std::string("sid=42; lang=zh"); };
    options.cookieDomains = {kHost};
    HttpSession session(options);

    std::string page;
    EXPECT_TRUE(session.GetPage(Address("/login.html"), page).Ok());
    EXPECT_TRUE(session.GetPage("http://pics.example.com/a.png", page).Ok());

    const auto requests = sim_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Header("Cookie"), "sid=42; lang=zh");
    EXPECT_EQ(requests[1].host, "other.example.com");
    EXPECT_EQ(requests[1].Header("Cookie"), "");
    EXPECT_EQ(requests[2].Header("Cookie"), "");
}

TEST_F(PageFetcherTest, ConcurrentFetchesDoNotMix) {
    constexpr int kThreads = 6;
    for (int i = 0; i < kThreads; ++i) {
        Response response = Response::Html("page " + std::to_string(i) + "\n");
        response.delayMs = 20;
        sim_.Route(kHost, "/p" + std::to_string(i), response);
    }
    std::vector<std::string> pages(kThreads);
    std::vector<FetchResult> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                results[i] = FetchPage(Address("/p" + std::to_string(i)), pages[i]);
                if (!results[i].Ok()) break;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_TRUE(results[i].Ok());
        EXPECT_EQ(pages[i], "page " + std::to_string(i) + "\n");
    }
}

TEST_F(PageFetcherTest, OversizedPageFails) {
    std::string body;
    for (int i = 0; i < 33 * 1024; ++i) body += std::string(1023, 'x') + "\n";
    Response response = Response::Html(body);
    response.framing = Framing::kChunked;
    sim_.Route(kHost, "/huge.html", std::move(response));

    std::string page;
    EXPECT_EQ(FetchPage(Address("/huge.html"), page).kind, FetchResult::Kind::TooLarge);
    EXPECT_LE(page.size(), 33u << 20);
    EXPECT_EQ(page.find_first_not_of("x\n"), std::string::npos);
    EXPECT_EQ(page.size() % 1024, 0u);  // whole lines only
}

TEST_F(PageFetcherTest, BinaryBodyIsExactWithContentType) {
    const std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\xff\n", 19);
    sim_.Route(kHost, "/pic.png", Response::Text(bytes, "image/png"));

    std::string body, type;
    EXPECT_TRUE(FetchBinary(Address("/pic.png"), body, bytes.size(), &type).Ok());
    EXPECT_EQ(body, bytes);
    EXPECT_EQ(type, "image/png");

    EXPECT_EQ(FetchBinary(Address("/nothing.png"), body, 1000, &type).status, 404);
    EXPECT_EQ(body, "");
}

TEST_F(PageFetcherTest, BinaryOverTheCapFails) {
    const std::string bytes(5000, '\0');
    for (Framing framing : {Framing::kContentLength, Framing::kChunked, Framing::kUntilClose}) {
        Response response = Response::Text(bytes, "image/jpeg");
        response.framing = framing;
        sim_.Route(kHost, "/big.jpg", response);

        std::string body;
        EXPECT_EQ(FetchBinary(Address("/big.jpg"), body, 4999).kind, FetchResult::Kind::TooLarge);
        EXPECT_EQ(body, "");
        EXPECT_TRUE(FetchBinary(Address("/big.jpg"), body, 5000).Ok());
        EXPECT_EQ(body.size(), 5000u);
    }
}

TEST_F(PageFetcherTest, BinaryCutShortFails) {
    Response response = Response::Text(std::string(3000, 'j'), "image/jpeg");
    response.fault = Fault::kCut;
    response.faultAfterBytes = 1000;
    sim_.Route(kHost, "/cut.jpg", response);

    std::string body;
    EXPECT_EQ(FetchBinary(Address("/cut.jpg"), body, 10000).kind, FetchResult::Kind::NetworkError);
    EXPECT_EQ(body, "");
}

}  // namespace
}  // namespace pw
