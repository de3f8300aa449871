#pragma once
// The build copy of a book's project that chmcmd compiles. The project file
// alone does not make a complete book with chmcmd: without a file list it
// leaves out the start page and packs every scanned page twice, with full-text
// search on it crashes unless some page holds an ASCII word, and viewers other
// than the Windows one need the start page in the window definition.

#include <cstdint>
#include <string>
#include <vector>

#include "book/TreeEntry.h"

namespace pw {

struct BookFile {
    std::string name;  // relative to the project folder, "/" separated
    uint64_t size = 0;
};

// Names of the build-only files, beside the project's own.
inline constexpr const char* kBuildProjectSuffix = ".build.hhp";
inline constexpr const char* kSearchStubPage = "pw-search-stub.html";

// What goes into the book: "index.html", then each article page that exists
// (tree order, once), then every picture in img/. Only plain files (no links)
// with names that fit a file list line are taken.
std::vector<BookFile> CollectBookFiles(const std::string& dir,
                                       const std::vector<TreeEntry>& entries);

// The project bytes with the start page filled into the main window's empty
// default-file field, followed by a [FILES] section naming each file.
std::string BuildProjectText(const std::string& projectBytes,
                             const std::vector<std::string>& files);

// A page whose title and body are one ASCII word, for chmcmd's search indexer.
std::string SearchStubPageText();

}  // namespace pw
