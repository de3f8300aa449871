#include "sites/WordPressApi.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/Format.h"
#include "base/Text.h"
#include "sites/FeedText.h"
#include "sites/PagedList.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kApiRel = "https://api.w.org/";
// A list page of a hundred long posts stays well below this.
constexpr size_t kMaxAnswerBytes = 32u << 20;
// More list pages than any blog has (a hundred posts each).
constexpr int kMaxPostPages = 2000;
constexpr int kMaxCategoryPages = 100;
constexpr int kMaxJsonDepth = 64;
constexpr size_t kPerPage = 100;
constexpr std::string_view kPostFields = "_fields=id,date,link,title,content,categories,author";

// Nesting deeper than any answer of the interface has is refused before parsing.
bool TooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

struct Answer {
    Json json;  // discarded when the answer is no JSON
    ResponseHead head;
    FetchResult result;
};

// A probe's failure only says there is no interface there.
Answer GetJson(SiteContext& site, const std::string& address, bool probe = false) {
    Answer answer;
    std::string body;
    answer.result = probe ? site.Http().Probe(address, body, kMaxAnswerBytes, answer.head)
                          : site.Http().GetBytes(address, body, kMaxAnswerBytes, answer.head);
    answer.json = Json(Json::value_t::discarded);
    if (answer.result.Ok() && !TooDeep(body)) answer.json = Json::parse(body, nullptr, false);
    return answer;
}

std::string StringAt(const Json& object, const char* key) {
    if (!object.is_object()) return {};
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int64_t NumberAt(const Json& object, const char* key) {
    if (!object.is_object()) return 0;
    const auto it = object.find(key);
    return it != object.end() && it->is_number_integer() ? it->get<int64_t>() : 0;
}

// title.rendered, content.rendered: the object's "rendered" text.
std::string RenderedAt(const Json& object, const char* key) {
    if (!object.is_object()) return {};
    const auto it = object.find(key);
    return it == object.end() ? std::string() : StringAt(*it, "rendered");
}

WordPressPost ReadPost(const Json& item) {
    WordPressPost post;
    post.id = NumberAt(item, "id");
    post.title = PlainText(RenderedAt(item, "title"));
    post.link = StringAt(item, "link");
    post.time = Rfc3339Local(StringAt(item, "date"));
    post.author = NumberAt(item, "author");
    if (const auto content = item.find("content"); content != item.end() && content->is_object()) {
        post.content = StringAt(*content, "rendered");
        const auto flag = content->find("protected");
        post.isProtected = flag != content->end() && flag->is_boolean() && flag->get<bool>();
    }
    if (const auto list = item.find("categories"); list != item.end() && list->is_array()) {
        for (const Json& id : *list) {
            if (id.is_number_integer()) post.categories.push_back(id.get<int64_t>());
        }
    }
    return post;
}

// Pages the list has, from X-WP-TotalPages; 0 when the answer does not say.
int TotalPages(const ResponseHead& head) {
    return static_cast<int>(LeadingInteger(Trimmed(head.Value("X-WP-TotalPages"))));
}

// Reads one list route (asked for kPerPage items a page) page after page
// until X-WP-TotalPages (else a short page), an empty page, a failed page or the cap;
// false when a page failed before the end. The first page is a question to
// the site: a site that lowered per_page's maximum answers it with a 400 and
// is asked again with its own page size; when that fails too, the job hears
// of it only when the list is required.
bool WalkPages(SiteContext& site, const WordPressApi& api, std::string_view route,
               std::string_view query, int maxPages, bool required,
               const std::function<bool(const Json&)>& onItem) {
    int total = 0;
    size_t perPage = kPerPage;
    std::string asked = Format("per_page=%zu&", kPerPage) + std::string(query);
    for (int page = 1; page <= maxPages && !site.Stopping(); ++page) {
        site.Status(PageStatus(page));
        // Without the total (a proxy dropped the header) a page may lie past
        // the end, which WordPress answers with a 400: a guess, not a failure.
        const bool guess = page > 1 && total == 0;
        std::string address = api.Route(route, asked + Format("&page=%d", page));
        Answer answer = GetJson(site, address, page == 1 || guess);
        if (page == 1 && !answer.json.is_array() && answer.result.status == 400) {
            asked = std::string(query);
            perPage = 0;  // the site's own, learnt from the first page
            address = api.Route(route, asked + "&page=1");
            answer = GetJson(site, address, true);
        }
        if (!answer.json.is_array()) {
            if (guess && answer.result.status == 400) return true;
            // The job hears of a page that came as something else, or of a
            // guess that failed otherwise: the list is not whole.
            FetchResult failed = answer.result;
            if (failed.Ok()) failed.kind = FetchResult::Kind::Damaged;
            // (A later page that failed on the way was told by the session.)
            const bool told = page > 1 && !guess && !answer.result.Ok();
            if (page == 1 ? required : !told) site.Http().GiveUp(address, failed);
            return false;
        }
        if (perPage == 0) perPage = std::max<size_t>(answer.json.size(), 1);
        for (const Json& item : answer.json) {
            if (!onItem(item)) return true;
        }
        total = TotalPages(answer.head);
        // The total decides; without it, a short page is the last.
        if (answer.json.empty() || (total > 0 ? page >= total : answer.json.size() < perPage)) {
            return true;
        }
    }
    return true;
}

}  // namespace

std::string ApiRootFromHead(const ResponseHead& head) {
    for (const std::string& value : head.Values("Link")) {
        // Link: <https://x/wp-json/>; rel="https://api.w.org/", <...>; rel="alternate"
        size_t at = 0;
        while ((at = value.find('<', at)) != std::string::npos) {
            const size_t end = value.find('>', at);
            if (end == std::string::npos) break;
            const size_t next = value.find('<', end);
            const std::string params =
                value.substr(end, next == std::string::npos ? next : next - end);
            if (Find(params, std::string("\"") + std::string(kApiRel) + "\"") >= 0) {
                return value.substr(at + 1, end - at - 1);
            }
            at = end;
        }
    }
    return {};
}

WordPressApi::WordPressApi(SiteContext& site, std::string root)
    : site_(site), root_(std::move(root)) {}

std::string WordPressApi::Route(std::string_view route, std::string_view query) const {
    std::string path(route);
    const size_t restRoute = root_.find("rest_route=");
    if (restRoute != std::string::npos) {
        // "https://x/?rest_route=/" + "wp/v2/posts" + "&page=2"
        std::string address =
            root_.substr(0, restRoute + 11) + "/" + (path.starts_with("/") ? path.substr(1) : path);
        if (!query.empty()) address += "&" + std::string(query);
        return address;
    }
    std::string address = root_;
    if (!address.ends_with("/")) address += "/";
    address += path.starts_with("/") ? path.substr(1) : path;
    if (!query.empty()) address += "?" + std::string(query);
    return address;
}

bool WordPressApi::Open() {
    const Answer answer = GetJson(site_, Route(""), true);
    if (!answer.json.is_object()) return false;
    const auto spaces = answer.json.find("namespaces");
    if (spaces == answer.json.end() || !spaces->is_array()) return false;
    bool v2 = false;
    for (const Json& space : *spaces) v2 = v2 || (space.is_string() && space == "wp/v2");
    if (!v2) return false;
    name_ = PlainText(StringAt(answer.json, "name"));
    home_ = StringAt(answer.json, "home");
    if (home_.empty()) home_ = StringAt(answer.json, "url");
    return true;
}

bool WordPressApi::PostsOpen() {
    const std::string query = "per_page=1&" + std::string(kPostFields);
    return GetJson(site_, Route("wp/v2/posts", query), true).json.is_array();
}

std::optional<std::vector<std::pair<int64_t, std::string>>> WordPressApi::Categories() {
    std::vector<std::pair<int64_t, std::string>> list;
    const bool ok = WalkPages(site_, *this, "wp/v2/categories", "hide_empty=true&_fields=id,name",
                              kMaxCategoryPages, false, [&](const Json& item) {
                                  const std::string name = PlainText(StringAt(item, "name"));
                                  if (!name.empty()) list.emplace_back(NumberAt(item, "id"), name);
                                  return true;
                              });
    if (!ok) return std::nullopt;
    return list;
}

bool WordPressApi::Posts(const std::function<bool(WordPressPost&)>& onPost) {
    return WalkPages(site_, *this, "wp/v2/posts", kPostFields, kMaxPostPages, true,
                     [&](const Json& item) {
                         WordPressPost post = ReadPost(item);
                         return post.link.empty() || onPost(post);
                     });
}

FetchResult WordPressApi::PostContent(int64_t id, std::string& content) const {
    Answer answer = GetJson(
        site_, Route(Format("wp/v2/posts/%lld", static_cast<long long>(id)), "_fields=content"));
    content = RenderedAt(answer.json, "content");
    if (answer.result.Ok() && !answer.json.is_object())
        answer.result.kind = FetchResult::Kind::Damaged;
    return answer.result;
}

std::string WordPressApi::UserName(int64_t id) {
    // Security plugins close the users route: that says nothing about the
    // posts, and asking again for every post would only repeat the refusal.
    if (usersClosed_) return {};
    const Answer answer = GetJson(
        site_, Route(Format("wp/v2/users/%lld", static_cast<long long>(id)), "_fields=name"), true);
    if (!answer.json.is_object()) usersClosed_ = true;
    return PlainText(StringAt(answer.json, "name"));
}

}  // namespace pw
