#pragma once
// Which books a job makes: the "bookformats" setting ("chm", "epub" or "both").

#include <string>
#include <string_view>

namespace pw {

struct BookFormats {
    bool chm = true;
    bool epub = true;
};

inline constexpr const char* kDefaultBookFormats = "both";

// Letter case and surrounding blanks do not matter; any other value means both,
// so a mistyped setting never leaves a job without a book.
BookFormats ParseBookFormats(std::string_view text);
// The setting's text for formats ("both" when neither is asked for).
std::string BookFormatsText(BookFormats formats);
// True for the three values the setting knows.
bool IsBookFormatsText(std::string_view text);

}  // namespace pw
