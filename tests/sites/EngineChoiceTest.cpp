#include <gtest/gtest.h>

#include "engine/BlogBase.h"
#include "sites/EngineRegistry.h"
#include "sites/NetEase163Blog.h"
#include "sites/RenrenBlog.h"
#include "sites/SiteTestKit.h"

using namespace pw;
using namespace pw::sitetest;

namespace {

class EngineChoiceTest : public EngineTest {
protected:
    EngineList engines = CreateEngines(site);
};

}  // namespace

TEST_F(EngineChoiceTest, EnginesComeInTheFixedOrder) {
    std::vector<std::vector<std::string>> domains;
    for (const auto& engine : engines) domains.push_back(engine->ServiceDomains());
    EXPECT_EQ(domains, (std::vector<std::vector<std::string>>{{"baidu.com"},
                                                              {"163.com"},
                                                              {"qq.com"},
                                                              {"renren.com"},
                                                              {"sina.com.cn"},
                                                              {"weibo.com"},
                                                              {}}));
}

TEST_F(EngineChoiceTest, EachServiceGoesToItsEngine) {
    EXPECT_EQ(ChooseEngine(engines, "http://hi.baidu.com/someone"), engines[0].get());
    EXPECT_EQ(ChooseEngine(engines, "someone.blog.163.com"), engines[1].get());
    EXPECT_EQ(ChooseEngine(engines, "http://user.qzone.qq.com/12345"), engines[2].get());
    EXPECT_EQ(ChooseEngine(engines, "http://www.renren.com/profile.do?id=1"), engines[3].get());
}

TEST_F(EngineChoiceTest, AnAddressTwoEnginesAcceptGoesToTheEarlierOne) {
    const std::string both = "http://someone.blog.163.com/hi.baidu.com/x";
    EXPECT_TRUE(MakeNetEase163Blog(site)->ParseAddress(both));
    EXPECT_EQ(ChooseEngine(engines, both), engines[0].get());
    EXPECT_EQ(engines[0]->account, "x");
    // Engines behind the chosen one are not asked.
    EXPECT_EQ(engines[1]->account, "");

    const std::string qzoneAndRenren = "http://user.qzone.qq.com/12345/renren.com/?id=6";
    EXPECT_TRUE(MakeRenrenBlog(site)->ParseAddress(qzoneAndRenren));
    EXPECT_EQ(ChooseEngine(engines, qzoneAndRenren), engines[2].get());
    EXPECT_EQ(engines[3]->account, "");
}

TEST_F(EngineChoiceTest, WeiboAddressesAreRefusedByEveryEngine) {
    EXPECT_EQ(ChooseEngine(engines, "http://weibo.com/u/1234567890"), nullptr);
    EXPECT_EQ(ChooseEngine(engines, "https://www.weibo.com/pagewell"), nullptr);
    for (const auto& engine : engines) EXPECT_EQ(engine->account, "");
    // Every engine decides these from the text alone.
    EXPECT_TRUE(simulator.Requests().empty());

    std::vector<std::string> list{"stale"};
    ASSERT_TRUE(engines[5]->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"全部微博"}));
}
