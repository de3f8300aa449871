#include <gtest/gtest.h>

#include "app/AppSettings.h"
#include "book/BookFormats.h"
#include "book/BookTestKit.h"

namespace pw {
namespace {

TEST(BookFormatsTest, SettingTextsNameTheBooksAndAnythingElseMeansBoth) {
    EXPECT_TRUE(ParseBookFormats("chm").chm);
    EXPECT_FALSE(ParseBookFormats("chm").epub);
    EXPECT_FALSE(ParseBookFormats(" EPUB ").chm);
    EXPECT_TRUE(ParseBookFormats(" EPUB ").epub);
    for (const char* text : {"both", "", "pdf", "chm,epub"}) {
        EXPECT_TRUE(ParseBookFormats(text).chm && ParseBookFormats(text).epub) << text;
    }
    for (const char* text : {"chm", "epub", "both"}) {
        EXPECT_EQ(BookFormatsText(ParseBookFormats(text)), text);
        EXPECT_TRUE(IsBookFormatsText(text));
    }
    EXPECT_FALSE(IsBookFormatsText("pdf"));
}

TEST(BookFormatsTest, SettingIsReadAndWrittenAfterTheOtherKeys) {
    booktest::ScratchDir dir;
    const std::string path = dir / "Pagewell.cfg";
    booktest::WriteBytes(path, "[main]\r\nthreadcnt=2\r\n");
    AppSettings settings(dir.Path() + "/", path, dir / "work/");
    settings.LoadSettings();
    EXPECT_EQ(settings.bookFormats, "both");
    settings.bookFormats = "epub";
    ASSERT_TRUE(settings.SaveSettings());
    const std::string text = booktest::ReadBytes(path);
    EXPECT_NE(text.find("autoshutpc=0\r\nbookformats=epub\r\n"), std::string::npos) << text;
    AppSettings again(dir.Path() + "/", path, dir / "work/");
    again.LoadSettings();
    EXPECT_EQ(again.bookFormats, "epub");
}

}  // namespace
}  // namespace pw
