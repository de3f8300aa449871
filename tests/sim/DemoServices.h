#pragma once
// The services the stand-alone simulator offers for offline demonstrations. Each
// service adds its routes here.

#include "sim/ServiceSimulator.h"

namespace pw::sim {

// Blogs for measurements, beside the demonstration blogs.
struct MeasuredBlogs {
    // > 0: a Sina blog of that many articles at http://blog.sina.com.cn/pagewellbig,
    // bigBlogPictures pictures an article, each of at least pictureBytes.
    int bigBlogArticles = 0;
    int bigBlogPictures = 1;
    int pictureBytes = 0;
    // > 0: a Sina blog whose list never ends, that many new articles a page and
    // none of them there, at http://blog.sina.com.cn/pagewellendless.
    int endlessPerPage = 0;
};

void AddDemoServices(ServiceSimulator& simulator, const MeasuredBlogs& measured = {});

}  // namespace pw::sim
