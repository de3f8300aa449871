#include <gtest/gtest.h>

#include "base/Encoding.h"
#include "net/DownloadAddress.h"
#include "ui/DownloadFormat.h"
#include "ui/DownloadMeter.h"

namespace pw {
namespace {

TEST(DownloadFormat, SpeedUnitsChangeAtOneAndTen) {
    EXPECT_EQ(FormatDownloadSpeed(0.5), Gbk("512 字节/秒"));
    EXPECT_EQ(FormatDownloadSpeed(0.0), Gbk("0 字节/秒"));
    EXPECT_EQ(FormatDownloadSpeed(0.999), Gbk("1023 字节/秒"));
    EXPECT_EQ(FormatDownloadSpeed(1.0), Gbk("1.00 KB/秒"));
    EXPECT_EQ(FormatDownloadSpeed(5.0), Gbk("5.00 KB/秒"));
    EXPECT_EQ(FormatDownloadSpeed(9.994), Gbk("9.99 KB/秒"));
    EXPECT_EQ(FormatDownloadSpeed(10.0), Gbk("10 KB/秒"));
    EXPECT_EQ(FormatDownloadSpeed(12.7), Gbk("13 KB/秒"));
}

TEST(DownloadFormat, AmountUnitsChangeAtKilobyteAndMegabyte) {
    EXPECT_EQ(FormatDownloadAmount(0), Gbk("0 字节"));
    EXPECT_EQ(FormatDownloadAmount(1023), Gbk("1023 字节"));
    EXPECT_EQ(FormatDownloadAmount(1024), "1.0 KB");
    EXPECT_EQ(FormatDownloadAmount(1048575), "1024.0 KB");
    EXPECT_EQ(FormatDownloadAmount(1048576), "1.00 MB");
    EXPECT_EQ(FormatDownloadAmount(int64_t{5} << 30), "5120.00 MB");
}

TEST(DownloadFormat, DurationInSecondsMinutesOrBoth) {
    EXPECT_EQ(FormatDownloadDuration(0), Gbk("0 秒"));
    EXPECT_EQ(FormatDownloadDuration(59), Gbk("59 秒"));
    EXPECT_EQ(FormatDownloadDuration(60), Gbk("1 分钟"));
    EXPECT_EQ(FormatDownloadDuration(120), Gbk("2 分钟"));
    EXPECT_EQ(FormatDownloadDuration(125), Gbk("2 分 5 秒"));
    EXPECT_EQ(FormatTimeLeft(125, 1024, 1048576),
              Gbk("剩余时间：2 分 5 秒（已下载 1.0 KB / 1.00 MB）"));
}

TEST(DownloadMeter, PercentageOnlyWhenItsWholeNumberChanges) {
    CDownloadMeter meter(1000, 0);
    EXPECT_EQ(meter.Add(5, 10).percent, std::nullopt);  // 0.5 % is still 0
    EXPECT_EQ(meter.Add(5, 20).percent, 1);
    EXPECT_EQ(meter.Add(9, 30).percent, std::nullopt);  // 1.9 %
    EXPECT_EQ(meter.Add(981, 40).percent, 100);
}

TEST(DownloadMeter, SpeedAndTimeLeftAtMostOnceASecond) {
    CDownloadMeter meter(10000, 0);
    EXPECT_FALSE(meter.Add(500, 1000).rate);  // exactly one second is not yet due
    const DownloadProgress due = meter.Add(500, 2000);
    ASSERT_TRUE(due.rate);
    EXPECT_DOUBLE_EQ(*due.rate, 0.5);
    // 2000 ms for 1000 bytes, 9000 bytes to go.
    EXPECT_EQ(due.secondsLeft, 18);

    EXPECT_FALSE(meter.Add(100, 2900).rate);
    const DownloadProgress next = meter.Add(2400, 3250);
    ASSERT_TRUE(next.rate);
    EXPECT_DOUBLE_EQ(*next.rate, 2500.0 / 1250);
}

TEST(DownloadMeter, UnknownSizeGivesSpeedOnly) {
    for (int64_t size : {int64_t{-1}, int64_t{0}}) {
        CDownloadMeter meter(size, 0);
        const DownloadProgress p = meter.Add(4096, 1500);
        EXPECT_FALSE(p.percent);
        EXPECT_TRUE(p.rate);
        EXPECT_FALSE(p.secondsLeft);
    }
}

TEST(DownloadMeter, MoreThanAnnouncedLeavesNoNegativeTime) {
    CDownloadMeter meter(100, 0);
    EXPECT_EQ(meter.Add(300, 2000).secondsLeft, 0);
}

TEST(DownloadAddress, SchemeIsAddedWhenMissing) {
    DownloadAddress address;
    ASSERT_TRUE(ParseDownloadAddress("dl.example.com/files/P.exe?v=2", address));
    EXPECT_EQ(address.strUrl, "http://dl.example.com/files/P.exe?v=2");
    EXPECT_EQ(address.strServer, "dl.example.com");
    EXPECT_EQ(address.strObject, "/files/P.exe?v=2");
    EXPECT_EQ(address.nPort, 80);

    ASSERT_TRUE(ParseDownloadAddress("https://dl.example.com:8443/P.exe", address));
    EXPECT_EQ(address.strScheme, "https");
    EXPECT_EQ(address.nPort, 8443);
}

TEST(DownloadAddress, OnlyWebAddressesParse) {
    DownloadAddress address;
    EXPECT_FALSE(ParseDownloadAddress("", address));
    EXPECT_FALSE(ParseDownloadAddress("file:///etc/passwd", address));
    EXPECT_FALSE(ParseDownloadAddress("http://", address));
    EXPECT_FALSE(ParseDownloadAddress("http://bad host/x", address));
}

TEST(DownloadAddress, DisplayNameIsTheLastPathPart) {
    EXPECT_EQ(DownloadDisplayName("/files/P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("dir\\P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("a/b\\c"), "b\\c");
    EXPECT_EQ(DownloadDisplayName("P.exe"), "P.exe");
    EXPECT_EQ(DownloadDisplayName("/"), "/");
    EXPECT_EQ(DownloadDisplayName("/dir/"), "");
}

}  // namespace
}  // namespace pw
