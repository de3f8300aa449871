// The plan of a job's downloads: one task per article, resumed where an
// earlier run left off, and what is missing at the end.

#include <gtest/gtest.h>

#include <deque>

#include "job/TaskPlan.h"

using namespace pw;

namespace {

ArticleInfo Article(const std::string& url, const std::string& category) {
    ArticleInfo article;
    article.url = url;
    article.title = "t " + url;
    article.category = category;
    return article;
}

}  // namespace

TEST(TaskPlan, AnArticleListedTwiceIsOneTaskMadeFromItsLaterListing) {
    std::deque<ArticleInfo> listed = {Article("http://a/1", "all"), Article("http://a/2", "all"),
                                      Article("http://a/1", "travel")};
    TaskPlan plan;
    for (ArticleInfo& article : listed) plan.Add(&article);
    EXPECT_EQ(plan.Total(), 2);
    EXPECT_EQ(plan.ArticleOf("http://a/1")->category, "travel");
    EXPECT_EQ(plan.ArticleOf("http://a/9"), nullptr);
}

TEST(TaskPlan, ResumesWithSavedPagesAndNumbersNewOnesAfterThem) {
    std::deque<ArticleInfo> listed = {Article("http://a/1", "c"), Article("http://a/2", "c"),
                                      Article("http://a/3", "c"), Article("http://a/4", "c")};
    TaskPlan plan;
    for (ArticleInfo& article : listed) plan.Add(&article);
    // An earlier run saved 1 and 2, but the page of 2 is gone since.
    const int had = plan.Resume(
        {{"http://a/1", "7.html"}, {"http://a/2", "8.html"}},
        [](const std::string& page) { return page == "7.html"; }, 8);
    EXPECT_EQ(had, 1);
    EXPECT_EQ(plan.PendingCount(), 3);
    EXPECT_EQ(plan.FileName("http://a/1"), "7.html");

    std::vector<TaskPlan::Turn> turns;
    while (auto turn = plan.Take()) turns.push_back(*turn);
    ASSERT_EQ(turns.size(), 3u);
    EXPECT_EQ(turns[0].task->key, "http://a/2");
    EXPECT_EQ(turns[0].fileName, "9.html");
    EXPECT_EQ(turns[0].begun, 2);
    EXPECT_EQ(turns[2].fileName, "11.html");
    EXPECT_EQ(turns[2].begun, 4);

    plan.Record(*turns[0].task, ArticleOutcome::Done());
    plan.Record(*turns[1].task, ArticleOutcome::Stopped());
    plan.Record(*turns[2].task, ArticleOutcome::Skip("private"));
    EXPECT_EQ(plan.SavedCount(), 2);
    // The stop's article has no page to lead to and is missing as not fetched;
    // the skipped one is not missing.
    EXPECT_EQ(plan.FileName("http://a/3"), "");
    const std::vector<MissingArticle> missing = plan.Missing("stopped");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].url, "http://a/3");
    EXPECT_EQ(missing[0].reason, "stopped");
}
