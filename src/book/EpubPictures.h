#pragma once
// The pictures an e-book carries: those of the job's picture folder that its
// pages refer to, each checked by its bytes and given a name inside the book.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pw {

class SpillFile;

struct EpubPicture {
    std::string href;       // inside the book, "images/p1.jpg"
    std::string mediaType;  // by the bytes, one of the EPUB core picture types
    std::string path;       // the file that holds it
    uint64_t offset = 0;    // where in that file
    int64_t length = -1;    // how many bytes (-1: the whole file)
};

class EpubPictures {
public:
    // imageDir ends in "/"; converted pictures go to spill, so that none is
    // held in memory.
    EpubPictures(std::string imageDir, SpillFile& spill);

    // A page's picture address "img/NAME" as the book names the picture, or
    // empty when it names no usable picture file of the picture folder:
    // addresses elsewhere (remote ones that were never fetched), file names
    // with folders in them, links, empty or oversized files, bytes of no known
    // picture type. Bitmaps are converted to PNG. The same address always gives
    // the same answer and the picture is carried once.
    std::string Resolve(const std::string& address);

    const std::vector<EpubPicture>& Pictures() const { return pictures_; }

private:
    std::string Add(const std::string& name);

    std::string imageDir_;
    SpillFile& spill_;
    std::map<std::string, std::string> resolved_;  // file name -> href or empty
    std::vector<EpubPicture> pictures_;
};

}  // namespace pw
