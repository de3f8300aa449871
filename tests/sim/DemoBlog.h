#pragma once
// A small blog described once and served by each simulated service in its own
// page shapes. Texts are UTF-8; each service converts to the bytes it sends.

#include <string>
#include <vector>

namespace pw::sim {

struct DemoPicture {
    std::string url;    // absolute address the article's body names
    std::string bytes;  // what the picture host serves
};

struct DemoArticle {
    std::string id;  // service-neutral id, unique within the blog
    std::string title;
    std::string time;      // "YYYY-MM-DD HH:MM:SS"
    std::string category;  // one of the blog's categories
    std::string body;      // HTML fragment without pictures
    std::vector<DemoPicture> pictures;
};

struct DemoBlog {
    std::string account;  // uid / user name
    std::string name;     // display name
    std::vector<std::string> categories;
    std::vector<DemoArticle> articles;  // newest first, as the services list them
    int pageSize = 50;                  // articles per list page
};

struct DemoBlogShape {
    std::string account = "1234567890";
    std::string name = "墨舟的博客";
    int categories = 3;
    int articlesPerCategory = 4;
    int picturesPerArticle = 1;
    int pictureBytes = 0;  // each picture padded to at least this size (0: tiny ones)
    int pageSize = 50;
    std::string pictureHost = "s1.sinaimg.cn";
};

DemoBlog MakeDemoBlog(const DemoBlogShape& shape);

// The articles of one category, in blog order.
std::vector<const DemoArticle*> ArticlesOf(const DemoBlog& blog, const std::string& category);

// A valid PNG of w x h pixels in one colour; distinct seeds give distinct bytes.
std::string TinyPng(int width, int height, unsigned seed);

// The PNG grown to at least size bytes by a private chunk of incompressible
// filler that readers skip.
std::string PaddedPng(std::string png, size_t size, unsigned seed);

}  // namespace pw::sim
