#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <memory>
#include <string>
#include <thread>

#include "sim/ServiceSimulator.h"
#include "support/OneAttempt.h"
#include "support/ScopedProxy.h"

namespace pw::sim {
namespace {

using test::FetchBinary;
using test::FetchPage;

// Sends raw request text to the simulator and returns everything it answers.
std::string Exchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, got);
    }
    close(fd);
    return answer;
}

std::string BodyOf(const std::string& answer) {
    const size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

TEST(ServiceSimulatorTest, AnswersOriginFormByHostHeader) {
    ServiceSimulator sim;
    sim.Route("blog.example.com", "/p.html?x=1", Response::Html("by host\n"));

    const std::string answer = Exchange(
        sim.Port(),
        "GET /p.html?x=1 HTTP/1.1\r\nHost: Blog.Example.COM:80\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 200");
    EXPECT_EQ(BodyOf(answer), "by host\n");
}

TEST(ServiceSimulatorTest, LogsPostsWithTheirBody) {
    ServiceSimulator sim;
    sim.Route("api.example.com", "/call", [](const Request& request) {
        return Response::Text("got " + request.body, "text/plain");
    });

    const std::string answer = Exchange(sim.Port(),
                                        "POST http://api.example.com/call?v=2 HTTP/1.1\r\n"
                                        "Host: api.example.com\r\nContent-Length: 5\r\n"
                                        "X-Test: yes\r\nConnection: close\r\n\r\nhello");
    // The query is part of the address: only the exact route answers.
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 404");
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].host, "api.example.com");
    EXPECT_EQ(requests[0].path, "/call");
    EXPECT_EQ(requests[0].query, "v=2");
    EXPECT_EQ(requests[0].body, "hello");
    EXPECT_EQ(requests[0].Header("x-test"), "yes");
    EXPECT_EQ(sim.CountRequests("API.example.com", "/call"), 1u);
    EXPECT_EQ(sim.CountRequests("api.example.com", "/call?v=2"), 1u);
    EXPECT_EQ(sim.CountRequests("api.example.com", "/call?v=3"), 0u);
}

TEST(ServiceSimulatorTest, HostRouteCatchesWhatExactRoutesMiss) {
    ServiceSimulator sim;
    test::ScopedProxy proxy(sim);
    sim.Route("img.example.com", "/fixed.jpg", Response::Text("fixed", "image/jpeg"));
    sim.RouteHost("img.example.com", [](const Request& request) {
        return Response::Text("any " + request.PathAndQuery(), "image/jpeg");
    });

    std::string body;
    EXPECT_TRUE(FetchBinary("http://img.example.com/fixed.jpg", body, 100).Ok());
    EXPECT_EQ(body, "fixed");
    EXPECT_TRUE(FetchBinary("http://img.example.com/x/y.jpg?s=1", body, 100).Ok());
    EXPECT_EQ(body, "any /x/y.jpg?s=1");
    EXPECT_EQ(FetchBinary("http://other.example.com/fixed.jpg", body, 100).status, 404);

    sim.ClearRoutes();
    EXPECT_EQ(FetchBinary("http://img.example.com/fixed.jpg", body, 100).status, 404);
}

TEST(ServiceSimulatorTest, StopsPromptlyDuringAStall) {
    auto sim = std::make_unique<ServiceSimulator>();
    test::ScopedProxy proxy(*sim);
    Response response = Response::Html("a\nb\n");
    response.fault = Fault::kStall;
    response.stallMs = 600000;
    sim->Route("blog.example.com", "/stall.html", response);

    auto fetch = std::async(std::launch::async, [] {
        std::string page;
        return std::make_pair(FetchPage("http://blog.example.com/stall.html", page), page);
    });
    while (sim->CountRequests("blog.example.com", "/stall.html") == 0) {
        std::this_thread::yield();
    }
    // Would block for the whole stall if stopping did not break it off.
    sim.reset();
    EXPECT_EQ(fetch.get().first.kind, FetchResult::Kind::NetworkError);
}

}  // namespace
}  // namespace pw::sim
