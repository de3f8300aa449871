#include "book/BookCompiler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "book/BuildProject.h"
#include "book/ChildProcess.h"
#include "book/ChmFile.h"
#include "book/FileBytes.h"
#include "engine/Encoding.h"
#include "engine/Host.h"

namespace pw {

namespace {

constexpr const char* kCompilerName = "chmcmd";
constexpr const char* kCompilerVariable = "PAGEWELL_CHMCMD";

// chmcmd needs about 10 s for 3,000 files; the bound only has to stop a hang.
std::chrono::milliseconds CompileTimeLimit(const std::vector<BookFile>& files) {
    uint64_t bytes = 0;
    for (const BookFile& file : files) bytes += file.nSize;
    return std::chrono::seconds(120) + std::chrono::milliseconds(50) * files.size() +
           std::chrono::seconds(5) * (bytes >> 20);
}

// The name becomes the book's file name in the project folder, through the
// project's own lines; nothing in it may lead elsewhere or break a line.
bool IsPlainBookName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '/' || b < 0x20 || b == 0x7F) return false;
    }
    return true;
}

bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

// chmcmd prints file system paths (UTF-8) and, rarely, project texts (GBK).
std::string CompilerLineAsAnsi(const std::string& line) {
    return IsUtf8(line) ? ToAnsi(line) : line;
}

bool IsErrorLine(const std::string& line) {
    return line.find("Error:") != std::string::npos || line.find("Exception") != std::string::npos;
}

void OfferCompilerInstall() {
    if (!AskYesNo(A("编译电子书的必备文件“chmcmd”不存在，是否从网上下载？"))) return;
    const std::string help =
        A("chmcmd 无法从网上下载：请用系统的软件包管理器安装 Debian 软件包 fp-utils"
          "（例如 sudo apt-get install fp-utils），然后重新制作电子书。");
    ShowStatus(1, help);
    ShowMessageBox(help);
}

void ReportFailure(const std::string& reason) {
    ShowStatus(1, A("电子书编译失败：") + reason);
}

// The build copy of the project and the search stub, removed again however the
// compile ends.
class BuildFiles {
public:
    explicit BuildFiles(const CBookProject& project)
        : m_copyName(project.m_strName + kBuildProjectSuffix),
          m_projectCopy(project.m_strDir + m_copyName),
          m_stub(project.m_strDir + kSearchStubPage) {}
    ~BuildFiles() {
        ::unlink(m_projectCopy.c_str());
        ::unlink(m_stub.c_str());
    }
    BuildFiles(const BuildFiles&) = delete;
    BuildFiles& operator=(const BuildFiles&) = delete;

    bool Write(const std::string& projectFile, const std::vector<BookFile>& files) {
        std::string project;
        if (!ReadFileBytes(projectFile, project)) return false;
        std::vector<std::string> names;
        for (const BookFile& file : files) names.push_back(file.strName);
        names.push_back(kSearchStubPage);
        return WriteFileBytes(m_stub, SearchStubPageText()) &&
               WriteFileBytes(m_projectCopy, BuildProjectText(project, names));
    }

    // Relative to the project folder, where chmcmd runs.
    const std::string& CopyName() const { return m_copyName; }

private:
    std::string m_copyName;
    std::string m_projectCopy;
    std::string m_stub;
};

struct CompileOutcome {
    ChildResult child;
    bool bErrorLine = false;
};

CompileOutcome RunCompiler(const std::string& compiler, const CBookProject& project,
                           const std::string& projectCopy, std::chrono::milliseconds limit) {
    CompileOutcome outcome;
    outcome.child = RunChildProcess({compiler, "--no-html-scan", projectCopy}, project.m_strDir,
                                    limit, [&](const std::string& line) {
                                        if (IsErrorLine(line)) outcome.bErrorLine = true;
                                        ShowCompileText(CompilerLineAsAnsi(line).c_str());
                                    });
    return outcome;
}

bool HasContent(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// The start page, pages and pictures collected for the build, plus the
// contents and index files, each at its size on disk.
std::vector<BookFile> ExpectedObjects(const CBookProject& project, std::vector<BookFile> files) {
    for (const char* suffix : {".hhc", ".hhk"}) {
        const std::string name = project.m_strName + suffix;
        struct stat st {};
        const bool present = ::lstat((project.m_strDir + name).c_str(), &st) == 0;
        files.push_back({name, present ? static_cast<uint64_t>(st.st_size) : 0});
    }
    return files;
}

bool BookHoldsAll(const std::string& book, const std::vector<BookFile>& expected,
                  std::string& missing) {
    std::map<std::string, uint64_t> objects;
    if (!ListChmObjects(book, objects)) return false;
    for (const BookFile& file : expected) {
        const auto found = objects.find("/" + file.strName);
        if (found == objects.end() || found->second != file.nSize) {
            missing = file.strName;
            return false;
        }
    }
    return true;
}

// Why the compile did not give a complete book; empty when it did.
std::string CheckBook(const CompileOutcome& outcome, const std::string& book,
                      const std::vector<BookFile>& expected) {
    if (outcome.child.bTimedOut) return A("编译超时");
    if (outcome.child.nExitCode != 0) {
        return A("编译程序退出码 ") + std::to_string(outcome.child.nExitCode);
    }
    if (outcome.bErrorLine) return A("编译程序报告了错误");
    if (!HasContent(book)) return A("没有生成电子书文件");
    if (!MendDirectoryPointer(book)) return A("电子书文件已损坏");
    std::string missing;
    if (!BookHoldsAll(book, expected, missing)) return A("电子书缺少文件 ") + ToAnsi(missing);
    return {};
}

}  // namespace

int ShowCompileText(const char* text) {
    if (text && *text) ShowStatus(1, A("正在编译：") + text + "\n");
    return 1;
}

std::string FindBookCompiler() {
    const char* chosen = std::getenv(kCompilerVariable);
    return FindExecutable(chosen && *chosen ? chosen : kCompilerName);
}

int CompileBook(const CBookProject& project, const std::vector<TreeEntry>& entries) {
    const std::string compiler = FindBookCompiler();
    if (compiler.empty()) {
        OfferCompilerInstall();
        return 0;
    }
    if (!IsPlainBookName(project.m_strName)) {
        ReportFailure(A("电子书名称无效"));
        return 0;
    }
    const std::string book = project.m_strDir + project.m_strName + ".chm";
    ::unlink(book.c_str());

    const std::vector<BookFile> files = CollectBookFiles(project.m_strDir, entries);
    BuildFiles build(project);
    if (!build.Write(project.m_strDir + project.m_strName + ".hhp", files)) {
        ReportFailure(A("无法写入编译文件"));
        return 0;
    }
    const CompileOutcome outcome =
        RunCompiler(compiler, project, build.CopyName(), CompileTimeLimit(files));
    if (!outcome.child.bStarted) {
        ReportFailure(A("无法启动 chmcmd"));
        return 0;
    }
    const std::string fault = CheckBook(outcome, book, ExpectedObjects(project, files));
    if (!fault.empty()) {
        ::unlink(book.c_str());
        ReportFailure(fault);
        return 0;
    }
    return 1;
}

}  // namespace pw
