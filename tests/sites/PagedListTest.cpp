#include <gtest/gtest.h>

#include "sites/PagedList.h"
#include "support/TestSite.h"

using namespace pw;

namespace {

ArticleInfo Article(const std::string& url) {
    ArticleInfo article;
    article.url = url;
    return article;
}

ListPage Page(std::initializer_list<const char*> urls, bool last = false) {
    ListPage page;
    for (const char* url : urls) page.articles.push_back(Article(url));
    page.last = last;
    return page;
}

class PagedListTest : public ::testing::Test {
protected:
    // Lists the pages, recording which were asked for and what was reported;
    // the callback has enough after `limit` articles.
    bool List(std::vector<ListPage> pages, size_t limit = SIZE_MAX,
              PagingGuard guard = PagingGuard()) {
        return ListPages(
            site, count,
            [&](const ArticleInfo& article) {
                reported.push_back(article.url);
                return reported.size() < limit;
            },
            [&](int index) -> std::optional<ListPage> {
                asked.push_back(index);
                if (index >= static_cast<int>(pages.size())) return std::nullopt;
                return pages[index];
            },
            guard);
    }

    test::TestSite site;
    int count = 0;
    std::vector<int> asked;
    std::vector<std::string> reported;
};

}  // namespace

TEST_F(PagedListTest, ReportsPagesUntilTheSourceRunsOutOrAPageIsTheLast) {
    EXPECT_TRUE(List({Page({"a", "b"}), Page({"c"})}));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(count, 3);

    asked.clear();
    reported.clear();
    EXPECT_TRUE(List({Page({"a"}), Page({"b"}, true), Page({"c"})}));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
}

TEST_F(PagedListTest, ARepeatedPageEndsTheListingUnreported) {
    EXPECT_TRUE(List({Page({"a", "b"}), Page({"a", "b"}), Page({"c"})}));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));

    // Only the same articles in the same order make a repeat.
    asked.clear();
    reported.clear();
    EXPECT_TRUE(List({Page({"a", "b"}), Page({"b", "a"}), Page({"a"})}));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "b", "b", "a", "a"}));

    // A list of known length may repeat itself.
    reported.clear();
    EXPECT_TRUE(List({Page({"a"}), Page({"a"}), Page({"a"}, true)}, SIZE_MAX, PagingGuard(false)));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "a", "a"}));
}

TEST_F(PagedListTest, ARunOfEmptyPagesEndsTheListing) {
    std::vector<ListPage> pages(PagingGuard::kMaxEmptyPagesInRow, Page({}));
    pages.push_back(Page({"a"}));
    pages.insert(pages.end(), PagingGuard::kMaxEmptyPagesInRow + 1, Page({}));
    pages.push_back(Page({"late"}));
    EXPECT_TRUE(List(pages, SIZE_MAX, PagingGuard(false)));
    // Ten empty pages are borne, the eleventh in a row is not.
    EXPECT_EQ(reported, (std::vector<std::string>{"a"}));
    EXPECT_EQ(asked.size(), pages.size() - 1);
}

TEST_F(PagedListTest, TheCallbackEndsTheListingAtOnce) {
    EXPECT_FALSE(List({Page({"a", "b"}), Page({"c", "d"}), Page({"e"})}, 3));
    EXPECT_EQ(reported, (std::vector<std::string>{"a", "b", "c"}));
    // The article that had enough is counted; the rest of its page is not.
    EXPECT_EQ(count, 3);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
}

TEST_F(PagedListTest, AStoppingJobIsAskedBetweenPages) {
    int pagesBeforeStop = 2;
    const bool ranOut = ListPages(
        site, count, [](const ArticleInfo&) { return true; },
        [&](int index) -> std::optional<ListPage> {
            asked.push_back(index);
            if (--pagesBeforeStop == 0) site.stopping = true;
            return Page({index == 0 ? "a" : "b"});
        });
    EXPECT_FALSE(ranOut);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    EXPECT_EQ(count, 2);  // the page fetched before the stop is still reported
}

TEST_F(PagedListTest, NoListHasMorePagesThanTheCap) {
    int pages = 0;
    EXPECT_TRUE(ListPages(
        site, count, [](const ArticleInfo&) { return true; },
        [&](int index) -> std::optional<ListPage> {
            ++pages;
            return ListPage{{Article(std::to_string(index))}};
        }));
    EXPECT_EQ(pages, kMaxListPages);
    EXPECT_EQ(count, kMaxListPages);
}
