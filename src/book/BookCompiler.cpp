#include "book/BookCompiler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "base/Encoding.h"
#include "base/FileBytes.h"
#include "base/Text.h"
#include "book/BuildProject.h"
#include "book/ChildProcess.h"
#include "book/ChmFile.h"

namespace pw {

namespace {

constexpr const char* kCompilerName = "chmcmd";
constexpr const char* kCompilerVariable = "PAGEWELL_CHMCMD";

// chmcmd needs about 10 s for 3,000 files; the bound only has to stop a hang.
std::chrono::milliseconds CompileTimeLimit(const std::vector<BookFile>& files) {
    uint64_t bytes = 0;
    for (const BookFile& file : files) bytes += file.size;
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

bool IsUtf8(std::string_view text) {
    for (size_t i = 0, n = 0; i < text.size(); i += n) {
        n = Utf8SequenceLength(text, i);
        if (n == 0) return false;
    }
    return true;
}

// chmcmd prints file system paths (UTF-8) and, rarely, project texts (GBK).
std::string CompilerLineText(const std::string& line) {
    return IsUtf8(line) ? line : ToUtf8(line);
}

CompileResult Failed(std::string reason) {
    return {CompileResult::Kind::Failed, std::move(reason)};
}

bool IsErrorLine(const std::string& line) {
    return line.find("Error:") != std::string::npos || line.find("Exception") != std::string::npos;
}

// The build copy of the project and the search stub, removed again however the
// compile ends.
class BuildFiles {
public:
    explicit BuildFiles(const BookDescription& project)
        : copyName_(project.name + kBuildProjectSuffix),
          projectCopy_(project.dir + copyName_),
          stub_(project.dir + kSearchStubPage) {}
    ~BuildFiles() {
        ::unlink(projectCopy_.c_str());
        ::unlink(stub_.c_str());
    }
    BuildFiles(const BuildFiles&) = delete;
    BuildFiles& operator=(const BuildFiles&) = delete;

    bool Write(const std::string& projectFile, const std::vector<BookFile>& files) {
        std::string project;
        if (!ReadFileBytes(projectFile, project)) return false;
        std::vector<std::string> names;
        for (const BookFile& file : files) names.push_back(file.name);
        names.push_back(kSearchStubPage);
        return WriteFileBytes(stub_, SearchStubPageText()) &&
               WriteFileBytes(projectCopy_, BuildProjectText(project, names));
    }

    // Relative to the project folder, where chmcmd runs.
    const std::string& CopyName() const { return copyName_; }

private:
    std::string copyName_;
    std::string projectCopy_;
    std::string stub_;
};

struct CompileOutcome {
    ChildResult child;
    bool errorLine = false;
};

CompileOutcome RunCompiler(const std::string& compiler, const BookDescription& project,
                           const std::string& projectCopy, std::chrono::milliseconds limit,
                           const CompilerLineSink& onLine, std::stop_token stop) {
    CompileOutcome outcome;
    outcome.child = RunChildProcess(
        {compiler, "--no-html-scan", projectCopy}, project.dir, limit,
        [&](const std::string& line) {
            if (IsErrorLine(line)) outcome.errorLine = true;
            if (onLine && !line.empty()) onLine(CompilerLineText(line));
        },
        std::move(stop));
    return outcome;
}

bool HasContent(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// The start page, pages and pictures collected for the build, plus the
// contents and index files, each at its size on disk.
std::vector<BookFile> ExpectedObjects(const BookDescription& project, std::vector<BookFile> files) {
    for (const char* suffix : {".hhc", ".hhk"}) {
        const std::string name = project.name + suffix;
        struct stat st {};
        const bool present = ::lstat((project.dir + name).c_str(), &st) == 0;
        files.push_back({name, present ? static_cast<uint64_t>(st.st_size) : 0});
    }
    return files;
}

bool BookHoldsAll(const std::string& book, const std::vector<BookFile>& expected,
                  std::string& missing) {
    std::map<std::string, uint64_t> objects;
    if (!ListChmObjects(book, objects)) return false;
    for (const BookFile& file : expected) {
        const auto found = objects.find("/" + file.name);
        if (found == objects.end() || found->second != file.size) {
            missing = file.name;
            return false;
        }
    }
    return true;
}

// Why the compile did not give a complete book; empty when it did.
std::string CheckBook(const CompileOutcome& outcome, const std::string& book,
                      const std::vector<BookFile>& expected) {
    if (outcome.child.cancelled) return "编译已停止";
    if (outcome.child.timedOut) return "编译超时";
    if (outcome.child.exitCode != 0) {
        return "编译程序退出码 " + std::to_string(outcome.child.exitCode);
    }
    if (outcome.errorLine) return "编译程序报告了错误";
    if (!HasContent(book)) return "没有生成电子书文件";
    if (!MendDirectoryPointer(book)) return "电子书文件已损坏";
    std::string missing;
    if (!BookHoldsAll(book, expected, missing)) return "电子书缺少文件 " + missing;
    return {};
}

}  // namespace

std::string FindBookCompiler() {
    const char* chosen = std::getenv(kCompilerVariable);
    return FindExecutable(chosen && *chosen ? chosen : kCompilerName);
}

CompileResult CompileBook(const BookDescription& project, const CompilerLineSink& onLine,
                          std::stop_token stop) {
    const std::string compiler = FindBookCompiler();
    if (compiler.empty()) return {CompileResult::Kind::CompilerMissing, {}};
    if (!IsPlainBookName(project.name)) return Failed("电子书名称无效");
    const std::string book = project.dir + project.name + ".chm";
    ::unlink(book.c_str());

    const std::vector<BookFile> files = CollectBookFiles(project.dir, project.entries);
    BuildFiles build(project);
    if (!build.Write(project.dir + project.name + ".hhp", files)) {
        return Failed("无法写入编译文件");
    }
    const CompileOutcome outcome =
        RunCompiler(compiler, project, build.CopyName(), CompileTimeLimit(files), onLine, stop);
    if (!outcome.child.started) return Failed("无法启动 chmcmd");
    const std::string fault = CheckBook(outcome, book, ExpectedObjects(project, files));
    if (!fault.empty()) {
        ::unlink(book.c_str());
        return Failed(fault);
    }
    // chmcmd creates the book with the umask's mode; the job's files are private.
    ::chmod(book.c_str(), 0600);
    return {CompileResult::Kind::Made, {}};
}

}  // namespace pw
