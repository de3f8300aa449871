// The whole job for every service: address in, book out, tree and book checked.

#include <functional>
#include <set>

#include "base/TextFile.h"
#include "book/ProjectWriter.h"
#include "job/JobTestKit.h"
#include "sim/BaiduService.h"
#include "sim/DemoBlog.h"
#include "sim/NetEase163Service.h"
#include "sim/QzoneService.h"
#include "sim/RenrenService.h"
#include "support/ChmReader.h"
#include "support/ScopedEnv.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

struct Service {
    const char* name;
    std::string account;
    std::function<std::string(ServiceSimulator&, const DemoBlog&)> add;
    const char* onlyCategory = nullptr;  // a service that files everything under one name
};

void PrintTo(const Service& s, std::ostream* os) {
    *os << s.name;
}

// China time for the test: the services' times are UTC+8.
struct ScopedChinaTime {
    ScopedChinaTime() {
        env.Set("TZ", "Asia/Shanghai");
        tzset();
    }
    ~ScopedChinaTime() {
        env.Restore();
        tzset();
    }
    test::ScopedEnv env;
};

class EnginesJobTest : public test::JobTest, public ::testing::WithParamInterface<Service> {
protected:
    // A two-category blog of the service under test, its pictures on one host.
    static DemoBlog BlogOf(const Service& service, int articlesPerCategory, int pageSize) {
        DemoBlogShape shape;
        shape.account = service.account;
        shape.categories = 2;
        shape.articlesPerCategory = articlesPerCategory;
        shape.pageSize = pageSize;
        shape.pictureHost = "img.example.com";
        return MakeDemoBlog(shape);
    }

    ScopedChinaTime chinaTime;
};

}  // namespace

TEST_P(EnginesJobTest, AddressBecomesABookWithTheWholeTree) {
    const Service& service = GetParam();
    const DemoBlog blog = BlogOf(service, 3, 2);
    Job& job = Run(Options(service.add(simulator, blog), 4));
    const JobResult& result = job.Result();
    ASSERT_TRUE(result.Complete()) << (result.messages.empty() ? "" : result.messages.back());
    const std::string book = result.books.front();

    // Every article sits under its own category with its title and time.
    std::multiset<std::string> expected, listed;
    auto categoryOf = [&](const DemoArticle& a) {
        return service.onlyCategory ? std::string(service.onlyCategory) : a.category;
    };
    for (const auto& a : blog.articles)
        expected.insert(categoryOf(a) + "|" + a.title + "|" + a.time);
    std::vector<std::string> order;
    for (const auto& entry : job.Entries()) {
        if (!entry.article) continue;
        listed.insert(entry.category + "|" + entry.title + "|" + entry.time);
        order.push_back(entry.title);
    }
    EXPECT_EQ(listed, expected);
    // Within a category the articles keep the service's order.
    for (const auto& category : blog.categories) {
        if (service.onlyCategory) break;
        std::vector<std::string> want, got;
        for (const auto* a : ArticlesOf(blog, category)) want.push_back(a->title);
        for (const auto& title : order) {
            for (const auto* a : ArticlesOf(blog, category)) {
                if (a->title == title) got.push_back(title);
            }
        }
        EXPECT_EQ(got, want) << category;
    }

    // The book holds every page with its picture, the contents and the index.
    const auto objects = test::ReadChmObjects(book);
    const std::string name = fs::path(book).stem().string();
    ASSERT_TRUE(objects.count("/" + name + ".hhc"));
    EXPECT_EQ(objects.at("/" + name + ".hhc"),
              TextModeBytes(ToAnsiMarkup(ContentsFileText(job.Entries()))));
    size_t pictures = 0;
    for (const auto& entry : job.Entries()) {
        if (!entry.article) continue;
        const auto found = objects.find("/" + entry.fileName);
        ASSERT_NE(found, objects.end()) << entry.fileName;
        EXPECT_NE(found->second.find(ToAnsiMarkup(entry.title)), std::string::npos);
        EXPECT_NE(found->second.find("src=\"img/"), std::string::npos);
    }
    for (const auto& object : objects) pictures += object.first.rfind("/img/", 0) == 0;
    EXPECT_EQ(pictures, blog.articles.size());
}

INSTANTIATE_TEST_SUITE_P(
    Services, EnginesJobTest,
    ::testing::Values(
        Service{"NetEase163", "mozhou", [](auto& s, auto& b) { return Add163Blog(s, b); }},
        Service{"Baidu", "mozhou", AddBaiduBlog},
        Service{"Qzone", "31415926", [](auto& s, auto& b) { return AddQzoneBlog(s, b); }},
        Service{"Renren", "27182818", AddRenrenBlog, "日志"}),
    [](const auto& info) { return std::string(info.param.name); });

// The same blog through a service where one address in five fails its first
// request gives the same complete book.
TEST_P(EnginesJobTest, AFlakyServiceGivesTheSameBook) {
    const Service& service = GetParam();
    const DemoBlog blog = BlogOf(service, 4, 3);
    const std::string address = service.add(simulator, blog);
    simulator.SetBadMoments({.flakyOneIn = 5, .retryAfterSeconds = 1});
    Job& job = Run(Options(address, 4));
    const JobResult& result = job.Result();
    EXPECT_TRUE(result.Complete()) << result.missing.size() << " missing";
    EXPECT_EQ(result.saved, static_cast<int>(blog.articles.size()));
    EXPECT_GT(simulator.BadAnswers(), 0u);
    const auto objects = test::ReadChmObjects(result.books.front());
    for (const auto& entry : job.Entries()) {
        if (!entry.article) continue;
        ASSERT_TRUE(objects.count("/" + entry.fileName)) << entry.fileName;
        EXPECT_NE(objects.at("/" + entry.fileName).find("src=\"img/"), std::string::npos);
    }
}
