#pragma once
// A WordPress blog through its REST interface (wp/v2): where the interface is,
// the site's name, its categories in the blog's order and its public posts,
// page after page. Routes are written both ways WordPress answers them: with
// pretty links ("/wp-json/wp/v2/posts?page=2") and without
// ("/?rest_route=/wp/v2/posts&page=2").

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SiteContext.h"
#include "net/HttpSession.h"

namespace pw {

// The interface's root address as a Link header (rel="https://api.w.org/")
// names it; empty without one.
std::string ApiRootFromHead(const ResponseHead& head);

struct WordPressPost {
    int64_t id = 0;
    std::string title;    // plain text
    std::string link;     // the post's own address
    std::string time;     // local time as the blog wrote it
    std::string content;  // HTML; empty when not kept
    bool isProtected = false;
    int64_t author = 0;
    std::vector<int64_t> categories;
};

class WordPressApi {
public:
    WordPressApi(SiteContext& site, std::string root);

    // The route's address, with query parameters ("a=1&b=2") when given.
    std::string Route(std::string_view route, std::string_view query = {}) const;

    // Reads the root; false when it is no WordPress interface with wp/v2.
    bool Open();
    const std::string& SiteName() const { return name_; }
    const std::string& SiteHome() const { return home_; }

    // Whether the posts route answers with a list: some sites close it and
    // keep their feed.
    bool PostsOpen();

    // The categories (id, name) in the order the blog lists them; nullopt when
    // the route fails (the job hears of it only after the first page).
    std::optional<std::vector<std::pair<int64_t, std::string>>> Categories();

    // Every public post, newest first, handed to onPost until it returns false;
    // false when a page failed before the list ended.
    bool Posts(const std::function<bool(WordPressPost&)>& onPost);

    // One post's full text (for a post whose text was not kept); a request
    // that came back without it is Damaged.
    FetchResult PostContent(int64_t id, std::string& content) const;
    // The public name of a user, empty when the site does not show it; once
    // the users route failed it is not asked again.
    std::string UserName(int64_t id);

private:
    SiteContext& site_;
    std::string root_;
    std::string name_;
    std::string home_;
    bool usersClosed_ = false;
};

}  // namespace pw
