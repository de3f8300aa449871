#include <gtest/gtest.h>

#include "engine/BlogBase.h"
#include "sim/ServiceSimulator.h"
#include "sites/BaiduBlog.h"
#include "sites/NetEase163Blog.h"
#include "sites/QQZone.h"
#include "sites/RenrenBlog.h"
#include "sites/SinaBlog.h"
#include "sites/SinaWeibo.h"
#include "support/ScopedProxy.h"

using namespace pw;

namespace {

class EngineChoiceTest : public ::testing::Test {
protected:
    sim::ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    std::vector<std::unique_ptr<CBlogBase>> engines = CreateEngines();
};

}  // namespace

TEST_F(EngineChoiceTest, EnginesComeInTheFixedOrder) {
    ASSERT_EQ(engines.size(), 6u);
    EXPECT_NE(dynamic_cast<CBaiduBlog*>(engines[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<C163Blog*>(engines[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<CQQZone*>(engines[2].get()), nullptr);
    EXPECT_NE(dynamic_cast<CRenrenBlog*>(engines[3].get()), nullptr);
    EXPECT_NE(dynamic_cast<CSinaBlog*>(engines[4].get()), nullptr);
    EXPECT_NE(dynamic_cast<CSinaWeibo*>(engines[5].get()), nullptr);
}

TEST_F(EngineChoiceTest, EachServiceGoesToItsEngine) {
    EXPECT_EQ(ChooseEngine(engines, "http://hi.baidu.com/someone"), engines[0].get());
    EXPECT_EQ(ChooseEngine(engines, "someone.blog.163.com"), engines[1].get());
    EXPECT_EQ(ChooseEngine(engines, "http://user.qzone.qq.com/12345"), engines[2].get());
    EXPECT_EQ(ChooseEngine(engines, "http://www.renren.com/profile.do?id=1"), engines[3].get());
}

TEST_F(EngineChoiceTest, AnAddressTwoEnginesAcceptGoesToTheEarlierOne) {
    const std::string both = "http://someone.blog.163.com/hi.baidu.com/x";
    EXPECT_EQ(C163Blog().ParseAddress(both), 1);
    EXPECT_EQ(ChooseEngine(engines, both), engines[0].get());
    EXPECT_EQ(engines[0]->m_strAccount, "x");
    // Engines behind the chosen one are not asked.
    EXPECT_EQ(engines[1]->m_strAccount, "");

    const std::string qzoneAndRenren = "http://user.qzone.qq.com/12345/renren.com/?id=6";
    EXPECT_EQ(CRenrenBlog().ParseAddress(qzoneAndRenren), 1);
    EXPECT_EQ(ChooseEngine(engines, qzoneAndRenren), engines[2].get());
    EXPECT_EQ(engines[3]->m_strAccount, "");
}

TEST_F(EngineChoiceTest, WeiboAddressesAreRefusedByEveryEngine) {
    EXPECT_EQ(ChooseEngine(engines, "http://weibo.com/u/1234567890"), nullptr);
    EXPECT_EQ(ChooseEngine(engines, "https://www.weibo.com/pagewell"), nullptr);
    for (const auto& engine : engines) EXPECT_EQ(engine->m_strAccount, "");
    // Every engine decides these from the text alone.
    EXPECT_TRUE(simulator.Requests().empty());
}
