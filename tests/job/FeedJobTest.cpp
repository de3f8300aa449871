// Blogs read through their feeds and APIs, end to end: WordPress (pretty and
// plain links), Blogger, an archived Atom blog and a summary-only RSS blog
// become both books with every public post once per category and every picture
// local; kept downloads are not fetched again; hostile feeds end the job without
// touching anything outside its folders.

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "base/Encoding.h"
#include "book/BookTestKit.h"
#include "job/JobTestKit.h"
#include "sim/AtomBlogService.h"
#include "sim/BloggerService.h"
#include "sim/FeedBlog.h"
#include "sim/HostileFeeds.h"
#include "sim/RssBlogService.h"
#include "sim/WordPressService.h"
#include "support/ChmReader.h"
#include "support/Epubcheck.h"
#include "support/ScopedEnv.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

struct FeedCase {
    const char* name;
    std::function<FeedBlog()> make;
    std::function<std::string(ServiceSimulator&, const FeedBlog&)> add;
    std::function<std::string(const FeedBlog&, const FeedPost&)> postUrl;
    // The blog names its categories in an order (a WordPress list, Blogger's
    // labels); a plain feed only shows them in its entries.
    bool listsCategories = true;
};

void PrintTo(const FeedCase& c, std::ostream* os) {
    *os << c.name;
}

// The picture addresses an <img> or <source> tag still names that are not the
// book's own copies: src, srcset and the lazy-loading attributes.
std::vector<std::string> RemotePictures(const std::string& html) {
    std::vector<std::string> remote;
    for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        if (html.compare(at, 4, "<img") != 0 && html.compare(at, 7, "<source") != 0) continue;
        const std::string tag = html.substr(at, html.find('>', at) - at);
        for (const char* name : {" src=", " srcset=", " data-src=", " data-original=",
                                 " data-lazy-src=", " data-srcset="}) {
            const size_t attribute = tag.find(name);
            if (attribute == std::string::npos) continue;
            const size_t open = attribute + std::strlen(name);
            const char quote = tag[open];
            const std::string value = tag.substr(open + 1, tag.find(quote, open + 1) - open - 1);
            // Held pictures are named inside the book (img/, images/, the cover).
            if (value.find("//") != std::string::npos || value.find(':') != std::string::npos)
                remote.push_back(name + value);
        }
    }
    return remote;
}

class FeedJobTest : public test::JobTest {
protected:
    FeedJobTest() {
        // Far from every blog's zone: times must stay as the blog wrote them.
        env.Set("TZ", "Pacific/Auckland");
        tzset();
    }
    ~FeedJobTest() override {
        env.Restore();
        tzset();
    }

    // Whether the job told the user (messages, statuses or report.txt) a line
    // holding every one of the texts.
    bool Told(const Job& job, const std::vector<std::string>& texts) const {
        std::vector<std::string> lines = listener.Messages();
        for (const auto& status : listener.Statuses()) lines.push_back(status);
        for (const auto& message : job.Result().messages) lines.push_back(message);
        if (!job.Result().reportPath.empty()) {
            std::ifstream report(job.Result().reportPath);
            for (std::string line; std::getline(report, line);) lines.push_back(line);
        }
        for (const auto& line : lines) {
            bool all = true;
            for (const auto& text : texts) all = all && line.find(text) != std::string::npos;
            if (all) return true;
        }
        return false;
    }

    // Requests for the posts' own pages and their pictures.
    size_t PostRequests(const FeedBlog& blog, const FeedCase& feed) const {
        std::set<std::string> addresses;
        for (const auto& post : blog.posts) {
            const std::string url = feed.postUrl(blog, post);
            addresses.insert(url);
            for (const auto& picture : post.pictures)
                addresses.insert(ResolveRef(url, picture.ref));
        }
        size_t count = 0;
        for (const auto& request : simulator.Requests()) {
            count += addresses.count("http://" + request.host + request.PathAndQuery());
        }
        return count;
    }

    test::ScopedEnv env;
};

class FeedBlogJobTest : public FeedJobTest, public ::testing::WithParamInterface<FeedCase> {};

}  // namespace

TEST_P(FeedBlogJobTest, BlogBecomesBothBooksWithEveryPostOncePerCategory) {
    const FeedCase& feed = GetParam();
    const FeedBlog blog = feed.make();
    Job& job = Run(Options(feed.add(simulator, blog), 4));
    const JobResult& result = job.Result();
    ASSERT_EQ(result.end, JobResult::End::Delivered)
        << (result.messages.empty() ? "" : result.messages.back());
    EXPECT_TRUE(result.Complete()) << result.missing.size() << " missing";
    ASSERT_EQ(result.books.size(), 2u);

    // The tree: each public post under each of its categories, in the blog's
    // order, with its title, its time as the blog wrote it and its own address.
    const std::vector<std::string> categories =
        blog.categories.empty() ? std::vector<std::string>{blog.name} : blog.categories;
    std::multiset<std::string> expected, listed;
    std::map<std::string, const FeedPost*> byUrl;
    for (const auto& category : categories) {
        for (const FeedPost* post : PostsIn(blog, category)) {
            expected.insert(category + "|" + post->title + "|" + post->published.substr(0, 16) +
                            "|" + feed.postUrl(blog, *post));
        }
    }
    for (const auto& post : blog.posts) {
        if (blog.categories.empty() && !post.passwordProtected) {
            expected.insert(blog.name + "|" + post.title + "|" + post.published.substr(0, 16) +
                            "|" + feed.postUrl(blog, post));
        }
        byUrl[feed.postUrl(blog, post)] = &post;
    }
    // An article's own category is one of its post's; the tree's heading above
    // it says under which it is listed.
    std::vector<std::string> order;
    for (const auto& entry : job.Entries()) {
        if (entry.depth == 1) order.push_back(entry.text);
        if (!entry.article || order.empty()) continue;
        listed.insert(order.back() + "|" + entry.title + "|" + entry.time.substr(0, 16) + "|" +
                      entry.url);
    }
    std::erase_if(order, [&](const std::string& c) {
        return std::find(categories.begin(), categories.end(), c) == categories.end();
    });
    if (!feed.listsCategories) std::sort(order.begin(), order.end());
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), listed.begin(), listed.end(),
                        std::back_inserter(missing));
    std::set_difference(listed.begin(), listed.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    EXPECT_EQ(missing, std::vector<std::string>{});
    EXPECT_EQ(extra, std::vector<std::string>{});
    EXPECT_EQ(
        order, feed.listsCategories ? categories : [&] {
            auto sorted = categories;
            std::sort(sorted.begin(), sorted.end());
            return sorted;
        }());
    EXPECT_EQ(result.articles, static_cast<int>(byUrl.size()) -
                                   static_cast<int>(std::count_if(
                                       blog.posts.begin(), blog.posts.end(),
                                       [](const FeedPost& p) { return p.passwordProtected; })));

    // Every page holds its post's text and only its own pictures, all local.
    const auto objects = test::ReadChmObjects(result.books[0]);
    ASSERT_FALSE(objects.empty()) << result.books[0];
    std::set<std::string> pages;
    for (const auto& entry : job.Entries()) {
        if (!entry.article || !pages.insert(entry.fileName).second) continue;
        ASSERT_TRUE(objects.count("/" + entry.fileName)) << entry.fileName;
        const std::string& page = objects.at("/" + entry.fileName);
        const FeedPost* post = byUrl.at(entry.url);
        const bool wholeText =
            page.find(ToAnsi("第二段：文字 " + std::to_string(post->number) + " 号")) !=
            std::string::npos;
        if (!wholeText) {
            EXPECT_NE(page.find(ToAnsi(post->summary)), std::string::npos) << entry.title;
            EXPECT_TRUE(Told(job, {entry.title, "只有摘要"})) << entry.title;
        }
        EXPECT_EQ(page.find(ToAnsi("友情链接")), std::string::npos) << entry.title;
        EXPECT_EQ(RemotePictures(page), std::vector<std::string>{}) << entry.title;
    }
    for (const auto& post : blog.posts) {
        if (post.passwordProtected) {
            EXPECT_TRUE(Told(job, {post.title})) << "the protected post is not named";
            continue;
        }
        for (const auto& picture : post.pictures) {
            // Sizes and formats a srcset offers may be left out.
            if (picture.ref.find("-300x200") != std::string::npos ||
                picture.ref.find(".webp") != std::string::npos)
                continue;
            const std::string url = ResolveRef(feed.postUrl(blog, post), picture.ref);
            const size_t path = url.find('/', 7);
            EXPECT_GE(simulator.CountRequests(url.substr(7, path - 7), url.substr(path)), 1u)
                << url;
        }
    }

    // The EPUB holds the same pages, as valid as the validator wants them.
    const auto epub = booktest::ReadZip(result.books[1]);
    ASSERT_FALSE(epub.empty()) << result.books[1];
    for (const auto& file : epub) {
        if (file.name.find(".xhtml") == std::string::npos) continue;
        EXPECT_EQ(RemotePictures(file.bytes), std::vector<std::string>{}) << file.name;
        EXPECT_EQ(file.bytes.find("root:x:0"), std::string::npos);
    }
    if (test::EpubcheckInstalled()) {
        const test::CheckResult check = test::RunEpubcheck(result.books[1]);
        ASSERT_TRUE(check.ran);
        EXPECT_EQ(check.exitCode, 0) << check.output;
    }
}

TEST_P(FeedBlogJobTest, ASecondRunWithKeptDownloadsFetchesNoPostAgain) {
    const FeedCase& feed = GetParam();
    const FeedBlog blog = feed.make();
    JobOptions options = Options(feed.add(simulator, blog), 4);
    options.keepDownloads = true;
    const JobResult first = Run(options).Result();
    ASSERT_EQ(first.end, JobResult::End::Delivered);
    ASSERT_GT(first.saved, 0);
    for (const auto& book : first.books) fs::remove(book);

    simulator.ClearRequests();
    const JobResult again = Run(options).Result();
    EXPECT_EQ(again.end, JobResult::End::Delivered);
    EXPECT_EQ(again.resumedWith, first.saved);
    EXPECT_EQ(again.saved, first.saved);
    EXPECT_EQ(PostRequests(blog, feed), 0u);
    EXPECT_EQ(again.books.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Blogs, FeedBlogJobTest,
    ::testing::Values(
        FeedCase{"WordPress", [] { return MakeWordPressBlog(kWordPressHost); },
                 [](auto& s, auto& b) { return AddWordPressBlog(s, b); },
                 [](auto& b, auto& p) { return WordPressPostUrl(b, p); }},
        FeedCase{"WordPressPlainLinks", [] { return MakeWordPressBlog(kPlainWordPressHost); },
                 [](auto& s, auto& b) { return AddWordPressBlog(s, b, {.prettyLinks = false}); },
                 [](auto& b, auto& p) { return WordPressPostUrl(b, p, {.prettyLinks = false}); }},
        FeedCase{"Blogger", MakeBloggerBlog, AddBloggerBlog, BloggerPostUrl},
        FeedCase{"ArchivedAtom", MakeAtomBlog, AddAtomBlog, AtomPostUrl, false},
        FeedCase{"SummaryOnlyRss", MakeRssBlog, AddRssBlog, RssPostUrl}),
    [](const auto& info) { return std::string(info.param.name); });

// The revised entry of the archived Atom blog is one post with its latest text.
TEST_F(FeedJobTest, ARevisedAtomEntryIsOnePostWithItsLatestText) {
    const FeedBlog blog = MakeAtomBlog();
    Job& job = Run(Options(AddAtomBlog(simulator, blog)));
    ASSERT_EQ(job.Result().end, JobResult::End::Delivered);
    const FeedPost& revised = blog.posts[kAtomRevisedPost];
    int entries = 0;
    for (const auto& entry : job.Entries()) {
        if (!entry.article) continue;
        EXPECT_EQ(entry.title.find(AtomDraftTitle(revised)), std::string::npos);
        if (entry.url != AtomPostUrl(blog, revised)) continue;
        ++entries;
        EXPECT_EQ(entry.title, revised.title);
        const auto objects = test::ReadChmObjects(job.Result().books[0]);
        ASSERT_TRUE(objects.count("/" + entry.fileName));
        EXPECT_EQ(objects.at("/" + entry.fileName).find(ToAnsi("初稿")), std::string::npos);
    }
    EXPECT_EQ(entries, static_cast<int>(revised.categories.size()));
}

// Hostile feeds end the job, reach no other host, read no local file and write
// nothing outside the job's folders.
class HostileFeedJobTest : public FeedJobTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileFeedJobTest, EndsWithNothingOutsideTheJobFolders) {
    std::string address;
    for (const auto& hostile : AddHostileFeeds(simulator)) {
        if (hostile.name == GetParam()) address = hostile.address;
    }
    ASSERT_FALSE(address.empty());
    Job& job = Run(Options(address, 2));

    for (const auto& request : simulator.Requests()) EXPECT_NE(request.host, kCollectorHost);
    std::ifstream passwdFile("/etc/passwd");
    std::string passwd;
    std::getline(passwdFile, passwd);
    for (const auto& file : Listing(temp.Path())) {
        EXPECT_TRUE(file.rfind("data", 0) == 0 || file.rfind("Desktop", 0) == 0) << file;
        const std::string path = temp.File(file);
        if (!fs::is_regular_file(path)) continue;
        EXPECT_EQ(booktest::ReadBytes(path).find(passwd), std::string::npos) << file;
        const std::string extension = fs::path(path).extension().string();
        if (extension == ".epub") {
            for (const auto& entry : booktest::ReadZip(path)) {
                EXPECT_EQ(entry.bytes.find(passwd), std::string::npos) << entry.name;
            }
        } else if (extension == ".chm") {
            for (const auto& [name, bytes] : test::ReadChmObjects(path)) {
                EXPECT_EQ(bytes.find(passwd), std::string::npos) << name;
            }
        }
    }
    EXPECT_FALSE(fs::exists("/tmp/pagewell-escape"));

    // A feed that leads in a circle still gives each of its entries once.
    if (GetParam() == "LoopingPages") {
        EXPECT_EQ(job.Result().articles, 3);
        EXPECT_LT(simulator.Requests().size(), 20u);
    }
    if (GetParam() == "EndlessWordPress") {
        EXPECT_EQ(job.Result().articles, 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Feeds, HostileFeedJobTest,
                         ::testing::Values("BillionLaughs", "ExternalEntities", "OversizedFeed",
                                           "LoopingPages", "EndlessWordPress", "BrokenJson"),
                         [](const auto& info) { return info.param; });
