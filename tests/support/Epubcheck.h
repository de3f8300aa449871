#pragma once
// Runs the standard EPUB validator (Debian package epubcheck) on a book.

#include <string>

namespace pw::test {

struct CheckResult {
    bool ran = false;
    int exitCode = -1;
    std::string output;
};

// epubcheck is a Java archive; Debian's /usr/bin/epubcheck is the archive itself.
bool EpubcheckInstalled();

// Validates the book, warnings counting as failures.
CheckResult RunEpubcheck(const std::string& book);

}  // namespace pw::test
