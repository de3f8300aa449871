#pragma once
// The book step of a job: the project files, then the CHM and the EPUB made at
// the same time (chmcmd runs as its own process while the EPUB is written).

#include <functional>
#include <stop_token>
#include <string>

#include "book/BookCompiler.h"
#include "book/BookDescription.h"

namespace pw {

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
