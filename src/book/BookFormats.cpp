#include "book/BookFormats.h"

namespace pw {

namespace {

std::string Normalised(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

BookFormats ParseBookFormats(std::string_view text) {
    const std::string value = Normalised(text);
    if (value == "chm") return {true, false};
    if (value == "epub") return {false, true};
    return {true, true};
}

std::string BookFormatsText(BookFormats formats) {
    if (formats.chm && !formats.epub) return "chm";
    if (formats.epub && !formats.chm) return "epub";
    return "both";
}

bool IsBookFormatsText(std::string_view text) {
    const std::string value = Normalised(text);
    return value == "chm" || value == "epub" || value == "both";
}

}  // namespace pw
