#pragma once
// The end of a job: the book onto the Desktop, then away with the output folder.

#include <string>
#include <vector>

#include "base/FolderTree.h"
#include "base/SafeFolderName.h"

namespace pw {

// Moves <dir><name>.chm to <desktop>/<name>.chm, replacing an older book of
// that name; across file systems it copies to a temporary name beside the
// target first, so a failed copy never leaves half a book. Only when the book
// has arrived is the output folder dir deleted (within jobRoot, see
// DeleteFolderTree). Returns the delivered path, or empty when there was no
// book or it could not be moved; the downloaded pages then stay.
std::string DeliverBook(const std::string& dir, const std::string& name, const std::string& desktop,
                        const std::string& jobRoot);

struct BookDelivery {
    std::vector<std::string> delivered;  // paths on the desktop
    bool complete = false;               // every book arrived (and the pages are gone)
};

// Moves each book file (plain names) from dir to desktop, replacing older ones;
// deletes the output folder dir (within jobRoot) only when all of them arrived.
BookDelivery DeliverBooks(const std::string& dir, const std::vector<std::string>& fileNames,
                          const std::string& desktop, const std::string& jobRoot);

// What the job tells the user at its end (code page 936); folder is the output
// folder as the file system names it (UTF-8).
std::string BookDeliveredText();
std::string BookFailedText(const std::string& folder);

}  // namespace pw
