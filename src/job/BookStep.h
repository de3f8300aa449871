#pragma once
// The book step of a job: the project files, then the CHM and the EPUB made at
// the same time (chmcmd runs as its own process while the EPUB is written),
// but for a book of more than kBooksSideBySide entries: there each book's
// making holds a few hundred megabytes at its peak, and the EPUB is written
// first, on its own, to keep the two peaks apart.

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>

#include "book/BookCompiler.h"
#include "book/BookDescription.h"

namespace pw {

// Up to here the two peaks together stay under about 100 MB and the books are
// made side by side; a book of 100,000 entries takes 10 to 20 % longer made
// one after the other, and its peaks no longer add up (some 200 MB each).
inline constexpr size_t kBooksSideBySide = 20000;

struct BookStepResult {
    bool chmWanted = false;
    bool epubWanted = false;
    CompileResult chm;
    bool epubMade = false;
};

// A stop kills the compiler; the EPUB is finished.
BookStepResult MakeBooks(const BookDescription& book, const CompilerLineSink& onCompilerLine,
                         std::stop_token stop = {});

}  // namespace pw
