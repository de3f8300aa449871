#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/AppSettings.h"
#include "app/IniFile.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("pw-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "Pagewell.cfg").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    AppSettings Make() { return AppSettings("/opt/pw/", path, (dir / "work/").string()); }
    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string Read() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir;
    std::string path;
};

}  // namespace

TEST_F(SettingsFile, MissingFileGivesDefaultsAndMakesWorkFolder) {
    AppSettings s = Make();
    s.LoadSettings();
    EXPECT_EQ(s.threadCount, 5);
    EXPECT_FALSE(s.autoShutPc);
    EXPECT_FALSE(s.keepDownloads);
    EXPECT_EQ(s.windowTop + s.windowLeft + s.windowRight + s.windowBottom, 0);
    EXPECT_TRUE(fs::is_directory(dir / "work"));
    EXPECT_EQ(fs::status(dir / "work").permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(SettingsFile, ValuesAreTakenAsTheyAre) {
    Write("[MAIN]\r\nThreadCnt = 100\r\nkeepdownloads=7\r\n[Window]\r\ntop=-20\r\nleft=abc\r\n");
    AppSettings s = Make();
    s.LoadSettings();
    EXPECT_EQ(s.threadCount, 100);  // no range check on load
    EXPECT_TRUE(s.keepDownloads);   // any number but 0 is on
    EXPECT_EQ(s.windowTop, -20);
    EXPECT_EQ(s.windowLeft, 0);  // present but no number
    EXPECT_EQ(s.windowRight, 0);
}

TEST_F(SettingsFile, AJobTakesTheSettingsWithinBounds) {
    Write("[MAIN]\r\nthreadcnt=100000\r\nretries=-3\r\nrequestdelay=99999999\r\n");
    AppSettings s = Make();
    s.LoadSettings();
    JobOptions options = s.MakeJobOptions("http://blog.sina.com.cn/x", "/tmp/d/");
    EXPECT_EQ(options.workers, 20);  // not a hundred thousand threads
    EXPECT_EQ(options.attempts, 1);
    EXPECT_EQ(options.requestDelay, std::chrono::milliseconds(600000));
    s.threadCount = 0;  // no workers: the job lists the blog and makes its book of nothing
    EXPECT_EQ(s.MakeJobOptions("x", "/tmp/d/").workers, 0);
}

TEST_F(SettingsFile, SaveWritesEveryKeyInOrderAndKeepsUnknownLines) {
    // Keys no option of this program reads, such as an older version's, are kept.
    const std::string kept =
        "; a comment\r\n[other]\r\nkeep=me\r\n[Main]\r\nCustom=1\r\nTHREADCNT=3\r\n"
        "downtimeout=9\r\nsavepath=D:\\books\r\n";
    Write(kept);
    AppSettings s = Make();
    s.LoadSettings();
    EXPECT_EQ(s.threadCount, 3);
    s.windowTop = 7;
    s.keepDownloads = true;
    ASSERT_TRUE(s.SaveSettings());
    const std::string once = Read();
    EXPECT_EQ(once, kept +
                        "autoshutpc=0\r\nbookformats=both\r\nretries=4\r\nrequestdelay=0\r\n"
                        "keepdownloads=1\r\n"
                        "[window]\r\ntop=7\r\nleft=0\r\nright=0\r\nbottom=0\r\n");
    AppSettings again = Make();
    again.LoadSettings();
    EXPECT_EQ(again.windowTop, 7);
    ASSERT_TRUE(again.SaveSettings());
    EXPECT_EQ(Read(), once);  // a round trip changes nothing
}

TEST_F(SettingsFile, UnwritableFileIsReported) {
    std::ofstream((dir / "blocker").string()) << "a file where a folder should be";
    AppSettings s("/opt/pw/", (dir / "blocker" / "Pagewell.cfg").string(),
                  (dir / "work/").string());
    EXPECT_FALSE(s.SaveSettings());
}

TEST(IniFile, KeysOfTheSameNameInOtherSectionsAreSeparate) {
    const auto path = (fs::temp_directory_path() / "pw-ini-sections.cfg").string();
    std::ofstream(path) << "[a]\nx=1\n\n[b]\nx=2\n";
    IniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.GetInt("A", "X", 9), 1);
    EXPECT_EQ(ini.GetInt("b", "x", 9), 2);
    EXPECT_EQ(ini.GetInt("c", "x", 9), 9);
    ini.SetString("a", "y", "new");
    ini.SetInt("c", "z", -4);
    ASSERT_TRUE(ini.Save());
    IniFile back(path);
    back.Load();
    EXPECT_EQ(back.GetString("a", "y", ""), "new");
    EXPECT_EQ(back.GetInt("c", "z", 0), -4);
    EXPECT_EQ(back.GetInt("b", "x", 0), 2);
    fs::remove(path);
}
