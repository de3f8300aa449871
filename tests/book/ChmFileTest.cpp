#include <gtest/gtest.h>

#include "book/BookTestKit.h"
#include "book/ChmFile.h"

namespace pw {
namespace {

using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::WriteBytes;

constexpr size_t kDir = 0x58;
constexpr size_t kChunks = kDir + 0x54;
constexpr size_t kChunkSize = 0x1000;

void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// A file with the CHM headers and directory chunks of the given kinds; the
// listing chunks are chained in the order given.
std::string FakeBook(const std::vector<std::string>& chunks, uint32_t firstListing) {
    std::string b(kChunks + chunks.size() * kChunkSize, '\0');
    b.replace(0, 4, "ITSF");
    Put32(b, 0x48, kDir);
    b.replace(kDir, 4, "ITSP");
    Put32(b, kDir + 0x08, 0x54);
    Put32(b, kDir + 0x10, kChunkSize);
    Put32(b, kDir + 0x20, firstListing);
    Put32(b, kDir + 0x2C, static_cast<uint32_t>(chunks.size()));
    uint32_t previous = 0xFFFFFFFF;
    for (size_t i = 0; i < chunks.size(); ++i) {
        const size_t at = kChunks + i * kChunkSize;
        b.replace(at, 4, chunks[i]);
        if (chunks[i] == "PMGL") {
            Put32(b, at + 0x0C, previous);
            previous = static_cast<uint32_t>(i);
        }
    }
    return b;
}

uint32_t FirstListing(const std::string& path) {
    const std::string b = ReadBytes(path);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[kDir + 0x20 + i]);
    return v;
}

TEST(ChmFileTest, PointsTheDirectoryAtItsFirstListingChunk) {
    ScratchDir dir;
    const std::string book = dir / "a.chm";
    WriteBytes(book, FakeBook({"PMGL", "PMGL", "PMGI"}, 1));
    EXPECT_TRUE(MendDirectoryPointer(book));
    EXPECT_EQ(FirstListing(book), 0u);

    // A claimed chunk count far beyond the file is bounded by its size.
    std::string bytes = FakeBook({"PMGI", "PMGL", "PMGL"}, 7);
    Put32(bytes, kDir + 0x2C, 0x7FFFFFFF);
    WriteBytes(book, bytes);
    EXPECT_TRUE(MendDirectoryPointer(book));
    EXPECT_EQ(FirstListing(book), 1u);
}

TEST(ChmFileTest, RefusesMalformedFilesWithoutTouchingThem) {
    ScratchDir dir;
    const std::string book = dir / "bad.chm";
    std::vector<std::string> cases;
    cases.push_back("");
    cases.push_back(std::string(0x40, 'I'));
    std::string noListing = FakeBook({"PMGI", "PMGI"}, 1);
    cases.push_back(noListing);
    std::string farDirectory = FakeBook({"PMGL"}, 1);
    Put32(farDirectory, 0x48, 0xFFFFFFF0);
    Put32(farDirectory, 0x4C, 0xFFFFFFFF);
    cases.push_back(farDirectory);
    std::string zeroChunks = FakeBook({"PMGL"}, 1);
    Put32(zeroChunks, kDir + 0x10, 0);
    cases.push_back(zeroChunks);
    std::string hugeHeader = FakeBook({"PMGL"}, 1);
    Put32(hugeHeader, kDir + 0x08, 0xFFFFFFF0);
    cases.push_back(hugeHeader);
    std::string truncated = FakeBook({"PMGI", "PMGL"}, 0);
    truncated.resize(kChunks + kChunkSize + 100);  // the listing chunk is cut off
    cases.push_back(truncated);
    std::string notChm = FakeBook({"PMGL"}, 1);
    notChm.replace(0, 4, "MZxx");
    cases.push_back(notChm);

    for (size_t i = 0; i < cases.size(); ++i) {
        WriteBytes(book, cases[i]);
        EXPECT_FALSE(MendDirectoryPointer(book)) << "case " << i;
        EXPECT_EQ(ReadBytes(book), cases[i]) << "case " << i;
    }
    EXPECT_FALSE(MendDirectoryPointer(dir / "missing.chm"));
}

TEST(ChmFileTest, ListingAFileThatIsNoBookFails) {
    ScratchDir dir;
    WriteBytes(dir / "x.chm", std::string(5000, 'x'));
    std::map<std::string, uint64_t> objects;
    EXPECT_FALSE(ListChmObjects(dir / "x.chm", objects));
    EXPECT_FALSE(ListChmObjects(dir / "missing.chm", objects));
    EXPECT_TRUE(objects.empty());
}

}  // namespace
}  // namespace pw
