#include "job/BookStep.h"

#include <thread>

#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"

namespace pw {

BookStepResult MakeBooks(const BookDescription& book, const CompilerLineSink& onCompilerLine,
                         std::stop_token stop) {
    BookStepResult result;
    result.chmWanted = book.formats.bChm;
    result.epubWanted = book.formats.bEpub;
    // The EPUB's title page is made from index.html, so it is written for both.
    WriteIndexPage(book);
    std::jthread epub;
    if (result.epubWanted) {
        try {
            epub = std::jthread([&] { result.epubMade = WriteEpubBook(book) == 1; });
        } catch (const std::system_error&) {
            result.epubMade = WriteEpubBook(book) == 1;  // no thread to spare: one after the other
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
