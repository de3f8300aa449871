#include <chm_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/TextFile.h"
#include "base/WholePage.h"
#include "book/BookCompiler.h"
#include "book/BookTestKit.h"
#include "book/BuildProject.h"
#include "book/ChildProcess.h"
#include "book/ChmFile.h"
#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"

namespace pw {
namespace {

using booktest::EnvOverride;
using booktest::Exists;
using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::Tree;
using booktest::WriteBytes;

const std::string kPng(
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\n"
    "IDAT\x78\x9c\x63\0\x01\0\0\x05\0\x01\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82",
    67);

// A downloaded job folder with its project files written, as the e-book step
// finds it.
class JobFolder {
public:
    JobFolder() : project(booktest::Book(scratch.Path() + "/acct/", "acct", "测试博客")) {
        ::mkdir(project.dir.c_str(), 0700);
        ::mkdir((project.dir + "img").c_str(), 0700);
        tree.Heading(0, project.title).Heading(1, "默认分类");
    }

    // Adds article n to the tree; its page (GBK, CRLF) is written unless missing.
    void AddArticle(int n, bool withPage = true, const std::string& picture = "") {
        const std::string name = std::to_string(n) + ".html";
        tree.Article("第" + std::to_string(n) + "篇", name);
        project.entries = tree.entries;
        if (!withPage) return;
        std::string page = "<div>第" + std::to_string(n) + "篇文章的正文</div>\r\n";
        if (!picture.empty()) page += "<img src=\"img/" + picture + "\">\r\n";
        WriteBytes(project.dir + name, page);
    }
    void AddPicture(const std::string& name, const std::string& bytes) {
        WriteBytes(project.dir + "img/" + name, bytes);
    }
    void WriteProject() {
        project.entries = tree.entries;
        ASSERT_EQ(WriteIndexPage(project), 1);
        ASSERT_EQ(WriteProjectFile(project), 1);
        ASSERT_EQ(WriteContentsFile(project), 1);
        ASSERT_EQ(WriteIndexFile(project), 1);
    }
    std::string Path(const std::string& name) const { return project.dir + name; }
    std::string Book() const { return Path("acct.chm"); }

    ScratchDir scratch;
    BookDescription project;
    Tree tree;
};

// Objects a book lists when its directory is walked, read with libchm itself.
std::map<std::string, uint64_t> WalkBook(const std::string& chm) {
    std::map<std::string, uint64_t> objects;
    chmFile* book = chm_open(chm.c_str());
    if (!book) return objects;
    chm_enumerate(
        book, CHM_ENUMERATE_ALL,
        [](chmFile*, chmUnitInfo* unit, void* context) {
            (*static_cast<std::map<std::string, uint64_t>*>(context))[unit->path] = unit->length;
            return CHM_ENUMERATOR_CONTINUE;
        },
        &objects);
    chm_close(book);
    return objects;
}

std::optional<std::string> ReadObject(const std::string& chm, const std::string& path) {
    chmFile* book = chm_open(chm.c_str());
    if (!book) return std::nullopt;
    chmUnitInfo unit{};
    std::optional<std::string> data;
    if (chm_resolve_object(book, path.c_str(), &unit) == CHM_RESOLVE_SUCCESS) {
        std::string bytes(unit.length, '\0');
        const LONGINT64 got = chm_retrieve_object(
            book, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0, unit.length);
        if (got == static_cast<LONGINT64>(unit.length)) data = bytes;
    }
    chm_close(book);
    return data;
}

uint32_t Le32At(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

// The #SYSTEM record of the given code.
std::string SystemRecord(const std::string& system, uint16_t code) {
    for (size_t at = 4; at + 4 <= system.size();) {
        const uint16_t recordCode = Le32At(system, at) & 0xFFFF;
        const uint16_t length = Le32At(system, at) >> 16;
        if (recordCode == code) return system.substr(at + 4, length);
        at += 4 + length;
    }
    return {};
}

struct Directory {
    uint64_t offset;
    uint32_t firstListing;
    uint32_t chunks;
};

Directory ReadDirectoryHeader(const std::string& chm) {
    const std::string bytes = ReadBytes(chm);
    const uint64_t offset = Le32At(bytes, 0x48) | uint64_t{Le32At(bytes, 0x4C)} << 32;
    return {offset, Le32At(bytes, offset + 0x20), Le32At(bytes, offset + 0x2C)};
}

void PokeLe32(const std::string& path, uint64_t at, uint32_t value) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, static_cast<long>(at), SEEK_SET);
    const unsigned char b[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    std::fwrite(b, 1, 4, f);
    std::fclose(f);
}

class BookCompilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindExecutable("chmcmd").empty()) GTEST_SKIP() << "chmcmd (fp-utils) not installed";
    }
    std::string Script(const std::string& body) {
        const std::string path = tools / "fake-chmcmd";
        WriteBytes(path, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    ScratchDir tools;
    JobFolder job;
};

TEST_F(BookCompilerTest, SmallBookHoldsEveryFileByteForByte) {
    job.AddArticle(1, true, "p1.png");
    job.AddArticle(2);
    job.AddArticle(3, false);  // its download failed
    job.AddPicture("p1.png", kPng);
    job.WriteProject();
    WriteBytes(job.Book(), "an older book");
    const std::string projectBytes = ReadBytes(job.Path("acct.hhp"));

    std::vector<std::string> lines;
    const CompileResult made =
        CompileBook(job.project, [&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(made.Made()) << made.reason;

    const std::map<std::string, uint64_t> objects = WalkBook(job.Book());
    for (const std::string name :
         {"index.html", "acct.hhc", "acct.hhk", "1.html", "2.html", "img/p1.png"}) {
        EXPECT_EQ(objects.count("/" + name), 1u) << name;
        EXPECT_EQ(ReadObject(job.Book(), "/" + name), ReadBytes(job.Path(name))) << name;
    }
    EXPECT_EQ(objects.count("/3.html"), 0u);
    EXPECT_EQ(ReadObject(job.Book(), "/acct.hhc"),
              TextModeBytes(ToAnsiMarkup(ContentsFileText(job.tree.entries))));

    const std::optional<std::string> system = ReadObject(job.Book(), "/#SYSTEM");
    ASSERT_TRUE(system);
    EXPECT_EQ(Le32At(SystemRecord(*system, 4), 0), 0x804u);
    EXPECT_EQ(SystemRecord(*system, 3), ToAnsi(job.project.title) + '\0');
    EXPECT_EQ(SystemRecord(*system, 2), std::string("index.html") + '\0');

    // Only the book is added to the folder; the project stays as written.
    EXPECT_EQ(ReadBytes(job.Path("acct.hhp")), projectBytes);
    EXPECT_FALSE(Exists(job.Path(std::string("acct") + kBuildProjectSuffix)));
    EXPECT_FALSE(Exists(job.Path(kSearchStubPage)));

    // The compiler's progress lines reach the caller, without line ends.
    bool sawWriting = false;
    for (const std::string& line : lines) {
        EXPECT_FALSE(line.empty());
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        if (line.find("acct.chm") != std::string::npos) sawWriting = true;
    }
    EXPECT_TRUE(sawWriting);
}

TEST_F(BookCompilerTest, TheBookStepLeavesOnlyPrivateFilesInTheJobFolder) {
    job.AddArticle(1, true, "p1.png");
    job.AddPicture("p1.png", kPng);
    const mode_t oldMask = ::umask(022);  // as most users have it
    job.WriteProject();
    const bool made = CompileBook(job.project).Made();
    const bool epub = WriteEpubBook(job.project) == 1;
    ::umask(oldMask);
    ASSERT_TRUE(made);
    ASSERT_TRUE(epub);
    for (const char* name :
         {"index.html", "acct.hhp", "acct.hhc", "acct.hhk", "acct.chm", "acct.epub"}) {
        struct stat st {};
        ASSERT_EQ(::lstat(job.Path(name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
    // Nothing made on the way is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(job.project.dir)) {
        const std::string name = entry.path().filename();
        EXPECT_TRUE(name == "img" || name.find(".html") != std::string::npos ||
                    name.rfind("acct.", 0) == 0)
            << name;
        EXPECT_EQ(name.find(kBuildProjectSuffix), std::string::npos);
    }
}

TEST_F(BookCompilerTest, DirectoryOfManyChunksIsMendedSoEveryFileCanBeWalked) {
    for (int n = 1; n <= 400; ++n)
        job.AddArticle(n, true, n <= 200 ? "p" + std::to_string(n) + ".png" : "");
    for (int n = 1; n <= 200; ++n)
        job.AddPicture("p" + std::to_string(n) + ".png", kPng + std::to_string(n));
    job.WriteProject();

    ASSERT_TRUE(CompileBook(job.project).Made());

    const Directory dir = ReadDirectoryHeader(job.Book());
    EXPECT_GT(dir.chunks, 2u);
    EXPECT_EQ(dir.firstListing, 0u);
    const auto countOurs = [&] {
        size_t pages = 0, pictures = 0;
        for (const auto& [path, size] : WalkBook(job.Book())) {
            if (path.size() > 1 && std::isdigit(static_cast<unsigned char>(path[1]))) ++pages;
            if (path.rfind("/img/p", 0) == 0) ++pictures;
        }
        return std::make_pair(pages, pictures);
    };
    EXPECT_EQ(countOurs(), std::make_pair(size_t{400}, size_t{200}));

    // As chmcmd writes it, walking the directory loses files; the mend restores them.
    PokeLe32(job.Book(), dir.offset + 0x20, 1);
    EXPECT_LT(countOurs().first, 400u);
    EXPECT_TRUE(MendDirectoryPointer(job.Book()));
    EXPECT_EQ(countOurs(), std::make_pair(size_t{400}, size_t{200}));
    EXPECT_EQ(ReadObject(job.Book(), "/400.html"), ReadBytes(job.Path("400.html")));
}

TEST_F(BookCompilerTest, FailuresOfTheCompilerLeaveNoBook) {
    job.AddArticle(1, true, "p1.png");
    job.AddPicture("p1.png", kPng);
    job.WriteProject();
    const std::map<std::string, std::string> compilers = {
        {"exit code", "echo 'EFOpenError: Unable to open file'; : > acct.chm; exit 217"},
        {"error line", "/usr/bin/chmcmd \"$@\"; echo 'Error: Anchor x undefined'"},
        {"exception line", "/usr/bin/chmcmd \"$@\"; echo 'An unhandled Exception occurred' >&2"},
        {"empty book", ": > acct.chm"},
        {"no book", "exit 0"},
        {"garbage", "head -c 9000 /dev/urandom > acct.chm"},
        {"file left out",
         "sed '/^img\\//d' \"$2\" > cut.hhp && /usr/bin/chmcmd --no-html-scan cut.hhp"},
    };
    for (const auto& [what, body] : compilers) {
        EnvOverride compiler("PAGEWELL_CHMCMD", Script(body));
        WriteBytes(job.Book(), "an older book");
        const CompileResult result = CompileBook(job.project);
        EXPECT_EQ(result.kind, CompileResult::Kind::Failed) << what;
        EXPECT_FALSE(result.reason.empty()) << what;
        EXPECT_FALSE(Exists(job.Book())) << what;
    }
    // The same project with the real compiler is fine.
    EnvOverride compiler("PAGEWELL_CHMCMD", "chmcmd");
    EXPECT_TRUE(CompileBook(job.project).Made());
}

TEST_F(BookCompilerTest, MissingCompilerIsReportedAsSuchAndMakesNoBook) {
    job.AddArticle(1);
    job.WriteProject();
    EnvOverride compiler("PAGEWELL_CHMCMD", tools / "no-such-chmcmd");
    EXPECT_EQ(FindBookCompiler(), "");
    EXPECT_EQ(CompileBook(job.project).kind, CompileResult::Kind::CompilerMissing);
    EXPECT_FALSE(Exists(job.Book()));
}

TEST_F(BookCompilerTest, ANameThatLeadsOutOfTheFolderIsRefused) {
    job.AddArticle(1);
    job.project.name = "../escaped";
    job.WriteProject();
    EXPECT_EQ(CompileBook(job.project).kind, CompileResult::Kind::Failed);
    EXPECT_FALSE(Exists(job.scratch / "escaped.chm"));
}

TEST_F(BookCompilerTest, AStopKillsTheCompilerAndMakesNoBook) {
    job.AddArticle(1);
    job.WriteProject();
    EnvOverride compiler("PAGEWELL_CHMCMD", Script("echo started; : > acct.chm; sleep 300"));
    std::stop_source stop;
    const auto start = std::chrono::steady_clock::now();
    const CompileResult result = CompileBook(
        job.project, [&](const std::string&) { stop.request_stop(); }, stop.get_token());
    EXPECT_EQ(result.kind, CompileResult::Kind::Failed);
    // A compiler left running would hold the call for its 300 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(150));
    EXPECT_FALSE(Exists(job.Book()));
}

// What a CHM viewer's search lists for a word, as "title|page" lines: the
// full-text index read by chmlib's own search (Debian's python3-chm). Titles are
// code page 936 in the book. Null when the reader is not installed.
std::optional<std::vector<std::string>> SearchBook(const std::string& chm,
                                                   const std::string& word) {
    static const bool installed =
        std::system("/usr/bin/python3 -c 'import chm.chm' 2>/dev/null") == 0;
    if (!installed) return std::nullopt;
    const std::string command =
        "/usr/bin/python3 -c 'import sys, chm.chm\n"
        "f = chm.chm.CHMFile()\n"
        "f.LoadCHM(sys.argv[1])\n"
        "for title, page in sorted(f.Search(sys.argv[2].encode(), 1, 0)[1].items()):\n"
        "    print(title.decode(\"gbk\", \"replace\") + \"|\" + page.decode())' '" +
        chm + "' '" + word + "'";
    std::vector<std::string> hits;
    std::FILE* out = ::popen(command.c_str(), "r");
    if (!out) return hits;
    char line[512];
    while (std::fgets(line, sizeof line, out)) {
        std::string hit = line;
        while (!hit.empty() && (hit.back() == '\n' || hit.back() == '\r')) hit.pop_back();
        hits.push_back(hit);
    }
    ::pclose(out);
    return hits;
}

// Pages of an earlier version (no frame) are framed when the project is
// written; the compiled book's search then finds words of bodies and titles and
// lists each hit under its article's title.
TEST_F(BookCompilerTest, SearchFindsBodyAndTitleWordsUnderTheArticlesTitles) {
    const std::string travel = "Spring travel notes";
    const std::string mixed = "读书 blog diary";
    job.tree.Article(travel, "1.html").Article(mixed, "2.html");
    job.project.entries = job.tree.entries;
    const std::string earlier1 = std::string(kGbkCharsetMeta) +
                                 "<div>heading</div>\r\n<p>We walked along the river.</p>\r\n";
    WriteBytes(job.Path("1.html"), earlier1);
    WriteBytes(job.Path("2.html"),
               std::string(kGbkCharsetMeta) + ToAnsi("<p>中文 and gardens</p>"));
    EXPECT_EQ(WrapEarlierPages(job.project), 2);
    EXPECT_EQ(ReadBytes(job.Path("1.html")), WholePage(travel, PageContent(earlier1)));
    EXPECT_EQ(WrapEarlierPages(job.project), 0);  // framed once
    job.WriteProject();
    ASSERT_TRUE(CompileBook(job.project).Made());

    const auto river = SearchBook(job.Book(), "river");
    if (!river) GTEST_SKIP() << "python3-chm is not installed";
    EXPECT_EQ(*river, std::vector<std::string>{travel + "|1.html"});
    EXPECT_EQ(*SearchBook(job.Book(), "travel"), std::vector<std::string>{travel + "|1.html"});
    const std::string mixedTitle = mixed + "|2.html";
    EXPECT_EQ(*SearchBook(job.Book(), "gardens"), std::vector<std::string>{mixedTitle});
    EXPECT_EQ(*SearchBook(job.Book(), "diary"), std::vector<std::string>{mixedTitle});
}

// Compile time of a large book: the whole step against chmcmd alone on the
// same build project. Run with --gtest_also_run_disabled_tests.
TEST_F(BookCompilerTest, DISABLED_BenchmarkTwoThousandPagesAndAThousandPictures) {
    // About 5 KB of GBK text per page and 3 KB of noise per picture, so that
    // compression works about as hard as on real blogs.
    uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    const auto text = [&](size_t characters) {
        std::string bytes;
        for (size_t i = 0; i < characters; ++i) {
            bytes += static_cast<char>(0xB0 + (next() >> 16) % 0x28);
            bytes += static_cast<char>(0xA1 + (next() >> 16) % 0x5E);
        }
        return bytes;
    };
    for (int n = 1; n <= 2000; ++n) {
        job.AddArticle(n, true, n <= 1000 ? "p" + std::to_string(n) + ".png" : "");
        const std::string page = job.Path(std::to_string(n) + ".html");
        WriteBytes(page, ReadBytes(page) + "<p>" + text(2500) + "</p>\r\n");
    }
    for (int n = 1; n <= 1000; ++n) {
        std::string noise;
        for (int i = 0; i < 3000; ++i) noise += static_cast<char>(next() >> 24);
        job.AddPicture("p" + std::to_string(n) + ".png", kPng + noise);
    }
    job.WriteProject();

    std::vector<std::string> names;
    for (const BookFile& file : CollectBookFiles(job.project.dir, job.tree.entries)) {
        names.push_back(file.name);
    }
    names.push_back(kSearchStubPage);
    WriteBytes(job.Path("bare.hhp"), BuildProjectText(ReadBytes(job.Path("acct.hhp")), names));
    WriteBytes(job.Path(kSearchStubPage), SearchStubPageText());
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    const auto bareRun = [&] {
        const auto start = Clock::now();
        const ChildResult bare =
            RunChildProcess({FindExecutable("chmcmd"), "--no-html-scan", "bare.hhp"},
                            job.project.dir, std::chrono::minutes(10), nullptr);
        EXPECT_EQ(bare.exitCode, 0);
        return seconds(start);
    };

    const double bareBefore = bareRun();
    const auto start = Clock::now();
    ASSERT_TRUE(CompileBook(job.project).Made());
    const double step = seconds(start);
    struct stat st {};
    ::stat(job.Book().c_str(), &st);
    const size_t objects = WalkBook(job.Book()).size();
    WriteBytes(job.Path(kSearchStubPage), SearchStubPageText());
    const double bareAfter = bareRun();
    const double bare = (bareBefore + bareAfter) / 2;
    std::printf(
        "2000 pages + 1000 pictures: CompileBook %.2f s, chmcmd alone %.2f s "
        "(%.2f, %.2f), ratio %.2f; book %.1f MB, %zu objects\n",
        step, bare, bareBefore, bareAfter, step / bare, st.st_size / 1048576.0, objects);
}

}  // namespace
}  // namespace pw
