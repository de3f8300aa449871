#include "support/Epubcheck.h"

#include <unistd.h>

#include <chrono>

#include "book/ChildProcess.h"

namespace pw::test {

namespace {

std::string EpubcheckJar() {
    for (const char* path : {"/usr/bin/epubcheck", "/usr/share/java/epubcheck.jar"}) {
        if (::access(path, R_OK) == 0) return path;
    }
    return {};
}

}  // namespace

bool EpubcheckInstalled() {
    return !EpubcheckJar().empty() && !FindExecutable("java").empty();
}

CheckResult RunEpubcheck(const std::string& book) {
    CheckResult result;
    const std::string jar = EpubcheckJar();
    const std::string java = FindExecutable("java");
    const ChildResult child = RunChildProcess(
        {java, "-jar", jar, "--failonwarnings", book}, "/tmp", std::chrono::minutes(3),
        [&](const std::string& line) { result.output += line + "\n"; });
    result.ran = child.started && !child.timedOut;
    result.exitCode = child.exitCode;
    return result;
}

}  // namespace pw::test
