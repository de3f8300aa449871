#include "job/BookStep.h"

#include <thread>

#include "base/AllocatorArenas.h"
#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"

namespace pw {

namespace {

// An exception must not leave the thread (that would end the program): a book
// that could not be written is simply not made.
bool MakeEpub(const BookDescription& book) {
    try {
        return WriteEpubBook(book) == 1;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

BookStepResult MakeBooks(const BookDescription& book, const CompilerLineSink& onCompilerLine,
                         std::stop_token stop) {
    BookStepResult result;
    result.chmWanted = book.formats.chm;
    result.epubWanted = book.formats.epub;
    // The EPUB's title page is made from index.html, so it is written for both.
    WriteIndexPage(book);
    // Before the EPUB thread reads the pages: it must not read one half rewritten.
    if (result.chmWanted) WrapEarlierPages(book);
    std::jthread epub;
    if (result.epubWanted && book.entries.size() > kBooksSideBySide) {
        result.epubMade = MakeEpub(book);
        ReturnFreeMemory();
    } else if (result.epubWanted) {
        try {
            epub = std::jthread([&] {
                result.epubMade = MakeEpub(book);
                ReturnFreeMemory();  // chmcmd is likely still at work beside us
            });
        } catch (const std::system_error&) {
            result.epubMade = MakeEpub(book);  // no thread to spare: one after the other
        }
    }
    if (result.chmWanted) {
        WriteProjectFile(book);
        WriteContentsFile(book);
        WriteIndexFile(book);
        result.chm = CompileBook(book, onCompilerLine, stop);
    }
    if (epub.joinable()) epub.join();
    return result;
}

}  // namespace pw
