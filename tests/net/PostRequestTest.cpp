#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>

#include "net/PostRequest.h"
#include "sim/DemoPages.h"
#include "sim/ServiceSimulator.h"
#include "support/ClosedPort.h"
#include "support/ScopedProxy.h"

using namespace pw;
using sim::Response;

namespace {

constexpr const char* kHost = "api.example.com";
constexpr const char* kPath = "dwr/call/plaincall/Bean.get.dwr";
const std::string kHeaders =
    "Accept: */*\nReferer: http://api.example.com/crossdomain.html?t=1\nContent-Type: "
    "text/plain\nAccept-Encoding: gzip, deflate\nHost: api.example.com\nContent-Length: 9\n"
    "Pragma: no-cache\nCookie: \n";

using test::ClosedPort;

// Compressed bytes are no text: typed otherwise the simulator's server would
// compress them once more for a client that accepts gzip.
Response Compressed(const std::string& bytes, int status = 200) {
    Response response = Response::Text(bytes, "application/octet-stream");
    response.status = status;
    return response;
}

bool IsNetworkErrorText(const std::string& text) {
    return text.rfind("InternetException\r\nm_dwError", 0) == 0 && text.size() > 47 &&
           text.substr(text.size() - 18) == ",m_dwContextError1";
}

class PostRequestTest : public ::testing::Test {
protected:
    // One attempt, as the listing makes it; a network failure's text is collected.
    std::string Post() {
        SessionOptions options;
        options.retry.attempts = 1;
        HttpSession session(options);
        std::string page = "stale";
        std::string failure;
        PostRequest(session, page, kHost, kPath, kHeaders, "a=1\nb=22\n", &failure);
        if (!failure.empty()) messages.push_back(failure);
        return page;
    }

    sim::ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    std::vector<std::string> messages;
};

}  // namespace

TEST_F(PostRequestTest, SendsTheHeaderBlockAndBodyAndInflatesTheAnswer) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "s" + std::to_string(i) + ".title=\"x\";\n";
    simulator.Route(kHost, std::string("/") + kPath, Compressed(sim::Deflate(text)));
    EXPECT_EQ(Post(), text);

    const sim::Request request = simulator.Requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, "a=1\nb=22\n");
    EXPECT_EQ(request.Header("Referer"), "http://api.example.com/crossdomain.html?t=1");
    EXPECT_EQ(request.Header("Content-Type"), "text/plain");
    EXPECT_EQ(request.Header("Accept-Encoding"), "gzip, deflate");
    EXPECT_EQ(request.Header("Pragma"), "no-cache");
    EXPECT_EQ(request.Header("Content-Length"), "9");
    EXPECT_TRUE(messages.empty());
}

TEST_F(PostRequestTest, AnswersOverTheReceiveBufferArriveWhole) {
    // Incompressible text: the compressed answer alone is several MiB.
    std::mt19937 random(7);
    std::string text(3u << 20, ' ');
    for (char& c : text) c = static_cast<char>('!' + random() % 90);
    simulator.Route(kHost, std::string("/") + kPath, Compressed(sim::Deflate(text, 15)));
    EXPECT_EQ(Post(), text);
}

TEST_F(PostRequestTest, AnswerIsCutAtItsFirstZeroByte) {
    simulator.Route(kHost, std::string("/") + kPath,
                    Compressed(sim::Deflate(std::string("abc\0def", 7))));
    EXPECT_EQ(Post(), "abc");
}

TEST_F(PostRequestTest, UnwantedStatusGivesAnEmptyPage) {
    simulator.Route(kHost, std::string("/") + kPath, Compressed(sim::Deflate("text"), 500));
    EXPECT_EQ(Post(), "");
    simulator.Route(kHost, std::string("/") + kPath, Response::Redirect("http://elsewhere/"));
    EXPECT_EQ(Post(), "");
    EXPECT_TRUE(messages.empty());
}

// An answer that does not inflate is no empty list: whoever listens for
// failed requests hears of it, so a listing cut short by it is known as such.
TEST_F(PostRequestTest, AnAnswerThatDoesNotInflateIsAFailedRequest) {
    simulator.Route(kHost, std::string("/") + kPath, Compressed("[s0,s1]"));
    std::vector<std::string> givenUp;
    SessionOptions options;
    options.retry.attempts = 1;
    options.onGiveUp = [&](const std::string& address, const FetchResult& result) {
        EXPECT_EQ(result.kind, FetchResult::Kind::Damaged);
        givenUp.push_back(address);
    };
    HttpSession session(options);
    std::string page = "stale";
    const FetchResult result = PostRequest(session, page, kHost, kPath, kHeaders, "a=1\nb=22\n");
    EXPECT_EQ(result.kind, FetchResult::Kind::Damaged);
    EXPECT_EQ(page, "");
    EXPECT_EQ(givenUp, std::vector<std::string>{std::string("http://") + kHost + "/" + kPath});
}

TEST_F(PostRequestTest, NetworkErrorsShowTheMessageAndGiveAnEmptyPage) {
    Response reset = Compressed(sim::Deflate("text"));
    reset.fault = sim::Fault::kReset;
    simulator.Route(kHost, std::string("/") + kPath, reset);
    EXPECT_EQ(Post(), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsNetworkErrorText(messages[0])) << messages[0];

    Response cut = Compressed(sim::Deflate(std::string(100000, 'x'), 31, 0));
    cut.fault = sim::Fault::kCut;
    cut.faultAfterBytes = 5000;
    simulator.Route(kHost, std::string("/") + kPath, cut);
    EXPECT_EQ(Post(), "");
    EXPECT_EQ(messages.size(), 2u);

    test::ScopedProxy nowhere("http://127.0.0.1:" + std::to_string(ClosedPort()));
    EXPECT_EQ(Post(), "");
    ASSERT_EQ(messages.size(), 3u);
    // libcurl's "could not connect".
    EXPECT_EQ(messages[2], "InternetException\r\nm_dwError7,m_dwContextError1");
}
