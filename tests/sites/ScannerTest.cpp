#include <gtest/gtest.h>

#include "sites/Scanner.h"
#include "support/TestSite.h"

using namespace pw;

TEST(ScannerTest, CutsMoveOnAndAMissingEndEndsTheScan) {
    const std::string text = "<b>one</b><b>two</b><b>three";
    Scanner scan(text);
    EXPECT_EQ(scan.Cut("<b>", "</b>"), "one");
    EXPECT_EQ(scan.Pos(), 6);  // onto the end marker, where the next search starts
    EXPECT_EQ(scan.Cut("<b>", "</b>"), "two");
    // A missing open marker leaves the position alone.
    EXPECT_EQ(scan.Cut("<i>", "</i>"), std::nullopt);
    EXPECT_FALSE(scan.Ended());
    // A missing end marker ends the scan: nothing behind it is found any more.
    EXPECT_EQ(scan.Cut("<b>", "</b>"), std::nullopt);
    EXPECT_TRUE(scan.Ended());
    EXPECT_FALSE(scan.Past("<b>"));
    EXPECT_FALSE(scan.NextEntry("<b>"));
    EXPECT_EQ(scan.Rest(), "");
    EXPECT_EQ(scan.UpTo("x"), "");
}

TEST(ScannerTest, BodyEndsAtTheFirstEndMarkerInTheOrderGiven) {
    // The preferred end wins even where another stands before it.
    const std::string both = "<div body>text<div share>more<!-- end -->tail";
    Scanner scan(both);
    ASSERT_TRUE(scan.Past("<div body>"));
    EXPECT_EQ(scan.UntilFirstOf({"<!-- end -->", "<div share>"}), "text<div share>more");
    // The next one stands in when the first is missing.
    const std::string shared = "<div body>text<div share>more";
    Scanner fallback(shared);
    ASSERT_TRUE(fallback.Past("<div body>"));
    EXPECT_EQ(fallback.UntilFirstOf({"<!-- end -->", "<div share>"}), "text");
    // End markers in front of the start do not count.
    const std::string before = "<div share><div body>text";
    Scanner none(before);
    ASSERT_TRUE(none.Past("<div body>"));
    EXPECT_EQ(none.UntilFirstOf({"<!-- end -->", "<div share>"}), std::nullopt);
    EXPECT_TRUE(none.Ended());
}

TEST(ScannerTest, RequireTellsOncePerScan) {
    test::TestSite site;
    const std::string text = "a date\">1< b c";
    Scanner scan(text);
    EXPECT_FALSE(scan.Require("missing", site, "first"));
    EXPECT_FALSE(scan.Require("missing", site, "second"));
    scan.Tell(site, "third");
    EXPECT_EQ(site.Messages(), (std::vector<std::string>{"first"}));
    // Found, it stands on the marker, so the marker's value can be cut.
    ASSERT_TRUE(scan.Require("date\">", site, "unused"));
    EXPECT_EQ(scan.Cut("date\">", "<"), "1");
    // Another scan tells again.
    Scanner(text).Require("missing", site, "fourth");
    EXPECT_EQ(site.Messages(), (std::vector<std::string>{"first", "fourth"}));
}

TEST(ScannerTest, BlocksHideWhatFollowsTheirEnd) {
    const std::string text = "<a>x</a>[<a>1</a><a>2</a>]<a>3</a>";
    Scanner scan(text);
    ASSERT_TRUE(scan.To("["));
    scan.EndBlockAt("]");
    std::vector<std::string> names;
    while (const auto name = scan.Cut("<a>", "</a>")) names.push_back(*name);
    EXPECT_EQ(names, (std::vector<std::string>{"1", "2"}));
    // A value whose end lies behind the block is no value.
    const std::string open = "[<a>1</a><a>2]</a>";
    Scanner cut(open);
    cut.EndBlockAt("]");
    EXPECT_EQ(cut.Cut("<a>", "</a>"), "1");
    EXPECT_EQ(cut.Cut("<a>", "</a>"), std::nullopt);
    // Without its end marker a block runs to the end of the text.
    Scanner whole(text);
    whole.EndBlockAt("}");
    EXPECT_EQ(whole.Rest(), text);
}

TEST(ScannerTest, AnEntrysMarkersMustStandBeforeTheNextEntry) {
    // Entry 2 has no date of its own; entry 3's date must stay entry 3's.
    const std::string text = "<li>1 date:d1;<li>2<li>3 date:d3;x";
    Scanner scan(text);
    std::vector<std::string> dated;
    int entries = 0;
    while (scan.NextEntry("<li>")) {
        ++entries;
        scan.EndEntryAtNext();
        const auto date = scan.Cut("date:", ";");
        if (date) dated.push_back(*date);
    }
    EXPECT_EQ(entries, 3);
    EXPECT_EQ(dated, (std::vector<std::string>{"d1", "d3"}));
    // A value begun inside the entry may run on past the next entry's marker.
    const std::string long_value = "<li>v=a<li>b;";
    Scanner run(long_value);
    ASSERT_TRUE(run.NextEntry("<li>"));
    run.EndEntryAtNext();
    EXPECT_EQ(run.Cut("v=", ";"), "a<li>b");
    EXPECT_FALSE(run.NextEntry("<li>"));
}

TEST(ScannerTest, EntriesLackingAFieldAreScannedInLinearTime) {
    // Half a million entries of which none has its field: a scan that looked
    // for it to the end of the page from every entry would not finish.
    std::string text;
    for (int i = 0; i < 500000; ++i) text += "<li>entry ";
    text += "date:late;";
    Scanner scan(text);
    int entries = 0;
    int dated = 0;
    while (scan.NextEntry("<li>")) {
        ++entries;
        scan.EndEntryAtNext();
        dated += scan.Past("date:");
    }
    EXPECT_EQ(entries, 500000);
    EXPECT_EQ(dated, 1);  // the last entry's
}
