#include "job/Delivery.h"

#include <utility>
#include <vector>

#include "base/DisplayText.h"
#include "base/SafeFolderName.h"
#include "book/BookDelivery.h"
#include "job/JobFolder.h"
#include "job/JobReport.h"
#include "job/TaskPlan.h"

namespace pw {

namespace {

// A book as the file in the folder and its name on the desktop.
struct MadeBook {
    std::string source;
    std::string target;
    std::string format;
};

std::vector<MadeBook> MadeBooks(const Delivery& d, JobResult& result,
                                const std::function<void(const std::string&)>& status) {
    const std::string projectName = SafeFolderName(d.engine.account);
    const std::string bookName = ReadableFileName(DisplayText(d.engine.account));
    std::vector<MadeBook> made;
    if (d.books.chmWanted) {
        if (d.books.chm.Made()) {
            made.push_back({projectName + ".chm", bookName + ".chm", "CHM"});
        } else {
            result.booksFailed.push_back("CHM");
            result.compilerMissing = d.books.chm.kind == CompileResult::Kind::CompilerMissing;
            if (!d.books.chm.reason.empty()) status("电子书编译失败：" + d.books.chm.reason);
        }
    }
    if (d.books.epubWanted) {
        if (d.books.epubMade) {
            made.push_back({projectName + ".epub", bookName + ".epub", "EPUB"});
        } else {
            result.booksFailed.push_back("EPUB");
        }
    }
    return made;
}

std::string FinalText(const JobResult& result, const std::string& dir) {
    if (result.booksFailed.empty() && !result.books.empty()) return BookDeliveredText();
    if (result.books.empty()) return BookFailedText(dir);
    return std::string(result.booksFailed.front() == "CHM"
                           ? "CHM 电子书制作失败，EPUB 电子书已放到桌面上；"
                           : "EPUB 电子书制作失败，CHM 电子书已放到桌面上；") +
           BookFailedText(dir);
}

}  // namespace

JobResult Deliver(const Delivery& d, JobResult result,
                  const std::function<void(const std::string&)>& status) {
    result.missing = d.plan.Missing("下载已停止");
    result.missingPictures = d.plan.MissingPictures();
    result.saved = d.plan.SavedCount();
    result.articles = d.plan.Total();
    result.picturesKeptRemote = d.picturesKeptRemote;
    const std::string dir = d.folder.Path();

    // The desktop is the user's: only this blog's own earlier book is replaced
    // there, and not by a book cut short (a short listing, a stopped job).
    const std::string blog = d.engine.homeUrl.empty() ? d.engine.account : d.engine.homeUrl;
    const bool cutShort = result.listingIncomplete || d.stopped;
    const std::string recordDir = cutShort ? std::string() : d.options.deliveryRecordDir;
    for (const MadeBook& book : MadeBooks(d, result, status)) {
        const DeliveredBook delivered =
            DeliverBookFile(dir, book.source, d.options.desktopDir, book.target, blog, recordDir);
        if (delivered.path.empty()) {
            result.booksFailed.push_back(book.format);
            continue;
        }
        result.books.push_back(delivered.path);
        if (delivered.renamed) {
            result.messages.push_back(
                BookRenamedText(book.target, delivered.path.substr(delivered.path.rfind('/') + 1)));
        }
    }

    const bool allBooks = result.booksFailed.empty() && !result.books.empty();
    const bool complete = allBooks && result.missing.empty() && !result.listingIncomplete;
    result.jobFolder = dir;
    if (!complete || d.options.keepDownloads) {
        result.reportPath = WriteReport(dir, result, d.engine.blogName, d.engine.homeUrl);
    }
    if (complete && !d.options.keepDownloads) {
        d.folder.Remove();
        result.jobFolder.clear();
    }
    result.finalText = FinalText(result, dir);
    result.end = result.books.empty() ? JobResult::End::NoBook : JobResult::End::Delivered;
    return result;
}

}  // namespace pw
