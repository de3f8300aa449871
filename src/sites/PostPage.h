#pragma once
// A post's own page, for feeds that give only summaries: the element that
// holds the post, and the few things a home page says about its blog.

#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The markup inside the page's post: its <article> element's
// .entry-content / .post-content / .content, else the <article> itself, else
// the first .entry-content or .post-content anywhere. nullopt when the page
// has none of them.
std::optional<std::string> PostBody(std::string_view html);

// The <html lang> of a page, empty without one.
std::string PageLanguage(std::string_view html);

}  // namespace pw
