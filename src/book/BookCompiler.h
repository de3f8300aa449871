#pragma once
// Compiles a written book project into <dir><name>.chm with chmcmd (Debian
// package fp-utils), run as a child process in the project folder.
//
// The compiler is "chmcmd" found on PATH; the environment variable
// PAGEWELL_CHMCMD names another program instead (a path, or a name looked up on
// PATH), which is how tests stand in a failing or missing compiler.
//
// A book counts as made only when chmcmd exits with 0, printed no "Error:" or
// "Exception" line, and the written book, once its directory is mended,
// lists the start page, contents, index, every existing article page and every
// picture at their sizes. Anything less is removed, so no broken book is
// delivered.

#include <functional>
#include <stop_token>
#include <string>

#include "book/BookDescription.h"

namespace pw {

struct CompileResult {
    enum class Kind { Made, CompilerMissing, Failed };
    Kind kind = Kind::Failed;
    std::string reason;  // why it failed

    bool Made() const { return kind == Kind::Made; }
};

// Receives each line chmcmd prints, as UTF-8 text.
using CompilerLineSink = std::function<void(const std::string& line)>;

// Makes <dir><name>.chm from the written project files and pages.
// A stop kills the compiler and fails the book.
CompileResult CompileBook(const BookDescription& book, const CompilerLineSink& onLine = {},
                          std::stop_token stop = {});

// The compiler's path: PAGEWELL_CHMCMD when set, else chmcmd on PATH; empty when
// it cannot be found.
std::string FindBookCompiler();

}  // namespace pw
