#pragma once
// A forward scan over one page, in the terms the engines read their pages in:
// go to a marker, cut up to the next one, go on from there. The position only
// moves forward, so a scan is linear in its page however hostile the page is.
// A cut whose end marker is missing ends the scan: nothing behind it can be
// told apart any more.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "base/Text.h"
#include "engine/SiteContext.h"

namespace pw {

class Scanner {
public:
    // The text must outlive the scan.
    explicit Scanner(std::string_view text);
    Scanner(std::string&&) = delete;

    // The position, -1 once the scan has ended.
    int Pos() const { return pos_; }
    bool Ended() const { return pos_ < 0; }

    // Moves onto the next marker; false, not moving, when there is none.
    bool To(std::string_view marker);
    // Moves behind the next marker; false, not moving, when there is none.
    bool Past(std::string_view marker);
    // To(marker), or else tells the user the message (once per scan) and is false.
    bool Require(std::string_view marker, SiteContext& site, const std::string& message);
    // Tells the user the message, unless this scan has told something already.
    void Tell(SiteContext& site, const std::string& message);

    // The text up to the next end marker, moving onto it; nullopt, and the scan
    // has ended, when there is none.
    std::optional<std::string> Until(std::string_view end);
    // Until the first of the end markers, in the order given, that follows.
    std::optional<std::string> UntilFirstOf(std::initializer_list<std::string_view> ends);
    // The text up to the next end marker, or the rest when there is none.
    std::string UpTo(std::string_view end);
    // Past(open), then Until(close).
    std::optional<std::string> Cut(std::string_view open, std::string_view close);
    // Cut, or the fallback when either marker is missing.
    std::string CutOr(std::string_view open, std::string_view close, std::string fallback);
    // The text from the position to the end of the scan.
    std::string Rest() const;

    // Ends the scan before the next end marker (or at the end of the text):
    // a block such as a category list.
    void EndBlockAt(std::string_view end);

    // Lists of entries. Moves behind the next entry marker; an entry's markers
    // after EndEntryAtNext() must stand before the next entry's marker, or they
    // are that entry's and this entry lacks them. The values they begin may run
    // on, as the services' fields do.
    bool NextEntry(std::string_view marker);
    void EndEntryAtNext();

private:
    // Where marker stands from `from` on, ending before `end`; -1 when it does not.
    int Search(std::string_view marker, int from, int end) const;
    int MarkerEnd() const;
    // The next entry marker from `from`: the last hit is kept while it lies
    // ahead, so skipped entries do not search their successors twice.
    int NextEntryFrom(int from);

    std::string_view text_;
    int pos_ = 0;
    int blockEnd_;
    int entryEnd_;
    std::string_view entryMarker_;
    int entrySearchedFrom_ = -1;
    int entryHit_ = -1;
    bool told_ = false;
};

// What the engines make of the texts they cut.
std::string EntitiesDecoded(std::string text);

// The trimmed text between the first `open` and the next `close` behind it;
// nullopt when either is missing. By default the page's title.
std::optional<std::string> PageTitle(std::string_view page, std::string_view open = "<title>",
                                     std::string_view close = "</title>");

}  // namespace pw
