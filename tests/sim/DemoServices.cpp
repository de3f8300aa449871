#include "sim/DemoServices.h"

#include "sim/AtomBlogService.h"
#include "sim/BaiduService.h"
#include "sim/BloggerService.h"
#include "sim/DemoBlog.h"
#include "sim/HostileFeeds.h"
#include "sim/NetEase163Service.h"
#include "sim/QzoneService.h"
#include "sim/RenrenService.h"
#include "sim/RssBlogService.h"
#include "sim/SinaService.h"
#include "sim/WordPressService.h"

namespace pw::sim {

void AddDemoServices(ServiceSimulator& simulator, const MeasuredBlogs& measured) {
    DemoBlogShape shape;
    shape.account = "1718281828";
    shape.name = "墨舟的旅行与读书笔记";
    shape.categories = 4;
    shape.articlesPerCategory = 9;
    shape.pageSize = 8;  // two list pages for every category
    SinaOptions options;
    options.blogPath = "/pagewelldemo";
    AddSinaBlog(simulator, MakeDemoBlog(shape), options);

    // The other services, each with a blog of its own picture host:
    // http://mozhou.blog.163.com/, http://hi.baidu.com/mozhou,
    // http://user.qzone.qq.com/31415926, http://www.renren.com/profile.do?id=27182818
    const auto blogFor = [&shape](const std::string& account, const std::string& pictureHost) {
        DemoBlogShape other = shape;
        other.account = account;
        other.pictureHost = pictureHost;
        return MakeDemoBlog(other);
    };
    Add163Blog(simulator, blogFor("mozhou", "img.ph.126.net"));
    AddBaiduBlog(simulator, blogFor("mozhou", "hiphotos.baidu.com"));
    AddQzoneBlog(simulator, blogFor("31415926", "a3.qpic.cn"));
    AddRenrenBlog(simulator, blogFor("27182818", "fmn.rrimg.com"));

    // Blogs read through their feeds: http://wp.pagewell.test/ (WordPress),
    // http://plainwp.pagewell.test/ (WordPress without pretty links),
    // http://mozhou.blogspot.com/, http://atom.pagewell.test/ (Atom, archived) and
    // http://rss.pagewell.test/ (RSS with summaries only), and the hostile ones.
    AddWordPressBlog(simulator, MakeWordPressBlog(kWordPressHost));
    AddWordPressBlog(simulator, MakeWordPressBlog(kPlainWordPressHost), {.prettyLinks = false});
    AddBloggerBlog(simulator, MakeBloggerBlog());
    AddAtomBlog(simulator, MakeAtomBlog());
    AddRssBlog(simulator, MakeRssBlog());
    AddHostileFeeds(simulator);

    if (measured.bigBlogArticles > 0) {
        DemoBlogShape big = shape;
        big.account = "2718281828";
        big.articlesPerCategory = (measured.bigBlogArticles + big.categories - 1) / big.categories;
        big.picturesPerArticle = measured.bigBlogPictures;
        big.pictureBytes = measured.pictureBytes;
        big.pageSize = 50;
        SinaOptions bigOptions;
        bigOptions.blogPath = "/pagewellbig";
        AddSinaBlog(simulator, MakeDemoBlog(big), bigOptions);
    }
    if (measured.endlessPerPage > 0) {
        DemoBlog endless;
        endless.account = "3141592653";
        endless.name = "没有尽头的博客";
        AddEndlessSinaBlog(simulator, endless, measured.endlessPerPage, "/pagewellendless");
    }
}

}  // namespace pw::sim
