#pragma once
// Reads objects back out of a compiled book, the way viewers do.

#include <map>
#include <string>

namespace pw::test {

// Every object the book's directory enumerates ("/index.html" -> bytes).
// Empty when the book cannot be opened.
std::map<std::string, std::string> ReadChmObjects(const std::string& chmPath);

}  // namespace pw::test
