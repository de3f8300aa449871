#include <gtest/gtest.h>

#include <vector>

#include "net/InflateBody.h"
#include "sim/DemoPages.h"

using namespace pw;
using sim::Deflate;

namespace {

struct Inflated {
    bool ok;
    std::string text;
};

Inflated Inflate(const std::string& compressed, size_t blockSize) {
    std::vector<unsigned char> block(blockSize);
    Inflated out{false, "stale"};
    out.ok = InflateBody(reinterpret_cast<const unsigned char*>(compressed.data()),
                         compressed.size(), block.data(), block.size(), out.text);
    return out;
}

// Script text that compresses well, as the list answers do.
std::string Script(size_t lines) {
    std::string text;
    for (size_t i = 0; i < lines; ++i) {
        text += "s" + std::to_string(i) + ".title=\"\\u4E2D\\u6587\";s" + std::to_string(i) +
                ".publishTime=1262275200000;\n";
    }
    return text;
}

}  // namespace

TEST(InflateBody, AnswersExpandingMoreThanTenfoldComeBackComplete) {
    const std::string text = Script(5000);
    const std::string gzip = Deflate(text);
    ASSERT_GT(text.size(), gzip.size() * 10);
    EXPECT_EQ(Inflate(gzip, gzip.size() * 10).text, text);
    EXPECT_TRUE(Inflate(gzip, gzip.size() * 10).ok);
    // Whatever the block size, output zlib still holds is not lost.
    const std::string small = Script(40);
    for (size_t blockSize = 1; blockSize <= 64; ++blockSize) {
        const Inflated out = Inflate(Deflate(small), blockSize);
        EXPECT_TRUE(out.ok) << blockSize;
        EXPECT_EQ(out.text, small) << blockSize;
    }
}

TEST(InflateBody, ZlibWrappedAnswersInflateLikeGzip) {
    const std::string text = Script(100);
    const Inflated out = Inflate(Deflate(text, 15), 4096);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.text, text);
}

TEST(InflateBody, UncompressedRawAndEmptyAnswers) {
    const Inflated plain = Inflate("dwr.engine._remoteHandleCallback('1','0',[s0]);", 1000);
    EXPECT_FALSE(plain.ok);
    EXPECT_EQ(plain.text, "");
    // A headerless deflate stream is neither gzip nor zlib.
    const Inflated raw = Inflate(Deflate(Script(10), -15), 1000);
    EXPECT_FALSE(raw.ok);
    EXPECT_EQ(raw.text, "");
    const Inflated empty = Inflate("", 10);
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.text, "");
}

TEST(InflateBody, DamagedAndShortAnswersKeepWhatCameBefore) {
    const std::string text = Script(2000);
    std::string damaged = Deflate(text, 31, 1);
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] ^= 0x5A;
    const Inflated broken = Inflate(damaged, 256);
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(broken.text.empty());
    EXPECT_LT(broken.text.size(), text.size());
    EXPECT_EQ(text.compare(0, 1000, broken.text, 0, 1000), 0);

    // A stream cut short ends when its input does.
    const std::string gzip = Deflate(text);
    const Inflated cut = Inflate(gzip.substr(0, gzip.size() / 2), 4096);
    EXPECT_TRUE(cut.ok);
    EXPECT_FALSE(cut.text.empty());
    EXPECT_EQ(text.compare(0, cut.text.size(), cut.text), 0);
    // Output zlib still holds when the input runs out is not lost to a small block.
    for (size_t blockSize : {1, 7, 64}) {
        const Inflated small = Inflate(gzip.substr(0, gzip.size() / 2), blockSize);
        EXPECT_EQ(small.text.size(), cut.text.size()) << blockSize;
    }
}

TEST(InflateBody, ABombStopsAtTheCap) {
    const std::string zeros(kMaxInflatedBytes + (1u << 20), '\0');
    const std::string bomb = Deflate(zeros, 31, 1);
    const Inflated out = Inflate(bomb, 1u << 20);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.text.size(), kMaxInflatedBytes);
}
