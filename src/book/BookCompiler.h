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

#include <string>
#include <vector>

#include "book/BookProject.h"
#include "job/TreeEntry.h"

namespace pw {

// 1 when the book was made, 0 otherwise (including a missing compiler, after
// the question whether to get it).
int CompileBook(const CBookProject& project, const std::vector<TreeEntry>& entries);

// One progress text of the compiler onto status part 1; empty texts are dropped.
int ShowCompileText(const char* text);

// The compiler's path: PAGEWELL_CHMCMD when set, else chmcmd on PATH; empty when
// it cannot be found.
std::string FindBookCompiler();

}  // namespace pw
