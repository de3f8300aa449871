#pragma once
// What a job is asked to do: the blog, where things go, and how to treat the
// services. Front ends fill it from their settings and the user's choices.

#include <chrono>
#include <cstdint>
#include <string>

#include "book/BookFormats.h"
#include "net/CookieSource.h"

namespace pw {

inline constexpr int kDefaultMaxArticles = 100000;

struct JobOptions {
    std::string address;     // the blog's address as typed
    std::string jobRoot;     // the folder that holds job folders, ending in "/"
    std::string desktopDir;  // where the books are delivered, ending in "/"
    // The folder of the record of delivered books; empty keeps none, and then
    // no file on the desktop is ever replaced.
    std::string deliveryRecordDir;
    int workers = 5;  // download workers; 0 or less downloads nothing
    BookFormats formats;
    int attempts = 4;                           // requests in all for one that fails for a moment
    std::chrono::milliseconds requestDelay{0};  // between two requests to one host
    std::chrono::milliseconds firstRetryDelay{1000};
    bool fresh = false;                     // start over instead of continuing an earlier run
    bool keepDownloads = false;             // keep the job folder after delivery
    CookieSource cookies;                   // sent to the blog service's own hosts only
    int maxArticles = kDefaultMaxArticles;  // listing ends here
    uint64_t pictureBudget = 2ull << 30;    // picture bytes the job keeps at most
};

}  // namespace pw
