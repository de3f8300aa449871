#pragma once
// Reading back and mending the compiled books chmcmd writes.

#include <cstdint>
#include <map>
#include <string>

namespace pw {

// chmcmd writes the directory's first-listing-chunk number as 1 when the file
// directory spans several chunks; readers that walk the listing chunks then
// skip files. Points it at the listing chunk that has no predecessor (chunk 0
// in chmcmd's books). Every offset is checked against the file's size; false
// when the file is no well-formed CHM or cannot be written.
bool MendDirectoryPointer(const std::string& chmPath);

// Every object the book's directory lists, by walking it (as viewers and
// extractors do), with its uncompressed length; paths as stored ("/index.html").
// False when the book cannot be opened.
bool ListChmObjects(const std::string& chmPath, std::map<std::string, uint64_t>& objects);

}  // namespace pw
