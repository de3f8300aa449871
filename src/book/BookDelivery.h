#pragma once
// The end of a job: the books onto the desktop, which belongs to the user. A
// file there is replaced only when it is a book this program delivered earlier
// for the same blog and has not changed since; the program keeps a record of
// the books it delivered (path, size, SHA-256) to know them again.

#include <string>

namespace pw {

// The record's file in its folder, and the most books it remembers.
inline constexpr const char* kDeliveryRecordFile = "delivered-books";
inline constexpr size_t kMaxRecordedBooks = 1000;

struct DeliveredBook {
    std::string path;      // where the book arrived; empty when it did not
    bool renamed = false;  // it arrived under a free name beside a file of that name
};

// Moves dir + fileName into desktop as targetName (a plain file name). When a
// file of that name is there and is not blog's own earlier book, the book takes
// the first free name of the form "Name (2).ext", "Name (3).ext", ... instead;
// when one of those names holds blog's unchanged earlier book, that one is
// replaced. blog names the blog (its address); recordDir is the folder of the
// record, empty for none (then no file is ever replaced).
DeliveredBook DeliverBookFile(const std::string& dir, const std::string& fileName,
                              const std::string& desktop, const std::string& targetName,
                              const std::string& blog, const std::string& recordDir);

// What the job tells the user. folder and file names are as
// the file system names them (UTF-8).
std::string BookDeliveredText();
std::string BookFailedText(const std::string& folder);
std::string BookRenamedText(const std::string& wantedName, const std::string& deliveredName);

}  // namespace pw
