#pragma once
// What a job came to: the books it delivered, what is missing from them and
// why, and the messages the user is to see.

#include <string>
#include <vector>

namespace pw {

struct MissingArticle {
    std::string title;
    std::string url;
    std::string reason;
    int httpStatus = 0;
};

// A picture of a saved article that the book shows from its remote address.
struct MissingPicture {
    std::string url;
    std::string reason;
    int httpStatus = 0;
};

struct JobResult {
    enum class End {
        Delivered,  // at least one book is on the desktop
        NoBook,     // the job ran, but no book was made or delivered
        NoEngine,   // no engine took the address, or its categories failed
        Busy,       // another job works on this blog right now
        Cancelled,  // the job was cancelled (the window closed)
    };

    End end = End::NoBook;
    std::vector<std::string> books;  // delivered paths
    // In the order they came; an article's failure is in `missing` instead.
    std::vector<std::string> messages;
    std::vector<std::string> notes;  // remarks on the content, for the report
    std::string finalText;           // the closing status text
    int articles = 0;                // distinct articles listed
    int saved = 0;                   // of them, with a page in the books
    int resumedWith = 0;             // pages an earlier run had saved
    std::vector<MissingArticle> missing;
    int picturesKeptRemote = 0;
    std::vector<MissingPicture> missingPictures;  // each address once
    // Some list pages could not be fetched, or the blog has more articles than
    // a job takes: the books may lack articles no one can name.
    bool listingIncomplete = false;
    std::vector<std::string> booksFailed;  // formats asked for but not delivered
    bool compilerMissing = false;          // chmcmd was not found
    std::string jobFolder;                 // kept unless the delivery was complete
    std::string reportPath;                // report.txt, when written

    bool Complete() const {
        return end == End::Delivered && missing.empty() && !listingIncomplete &&
               booksFailed.empty();
    }
};

}  // namespace pw
