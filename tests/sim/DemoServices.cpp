#include "sim/DemoServices.h"

#include "sim/DemoBlog.h"
#include "sim/SinaService.h"

namespace pw::sim {

void AddDemoServices(ServiceSimulator& simulator) {
    DemoBlogShape shape;
    shape.account = "1718281828";
    shape.name = "墨舟的旅行与读书笔记";
    shape.categories = 4;
    shape.articlesPerCategory = 9;
    shape.pageSize = 8;  // two list pages for every category
    SinaOptions options;
    options.blogPath = "/pagewelldemo";
    AddSinaBlog(simulator, MakeDemoBlog(shape), options);
}

}  // namespace pw::sim
