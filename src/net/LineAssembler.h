#pragma once
// Builds a fetched page as the engines read it: carriage returns dropped, a line
// cut at a zero byte, every line ended by one line feed.

#include <string>
#include <string_view>

namespace pw {

class LineAssembler {
public:
    explicit LineAssembler(std::string& page) : page_(page) {}

    // Starts over on an empty page.
    void Reset() {
        page_.clear();
        lineStart_ = 0;
        lineOpen_ = cutAtZero_ = false;
    }
    void Feed(std::string_view data);
    // The body has ended: an open last line gets its line feed.
    void Finish();
    // A line cut off by a failed transfer is not a line of the page.
    void DropOpenLine();

private:
    static bool IsSpecial(char c) { return c == '\n' || c == '\r' || c == '\0'; }
    void Special(char c);

    std::string& page_;
    size_t lineStart_ = 0;
    bool lineOpen_ = false;
    bool cutAtZero_ = false;
};

}  // namespace pw
