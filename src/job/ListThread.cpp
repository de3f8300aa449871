// The list-fetching thread: picks the engine for the address and fills the tree
// with the blog, its categories and its articles.

#include "engine/Encoding.h"
#include "engine/Host.h"
#include "job/ArticlePage.h"

namespace pw {

namespace {

int InsertItem(CArticlePage* page, int parent, const std::string& text, int image,
               int selectedImage) {
    int item = 0;
    SendToUi([&] { item = page->Tree().InsertItem(parent, text, image, selectedImage); });
    return item;
}

}  // namespace

int ListThreadProc(CArticlePage* page) {
    if (!page) return 0;
    page->SendPageMessage(WM_TREE_RESET);
    page->m_pCurEngine = ChooseEngine(page->Engines(), page->m_strAddress);
    CBlogBase* engine = page->m_pCurEngine;
    if (engine) {
        page->m_hRootItem =
            InsertItem(page, 0, engine->m_strBlogName, kImageBookClosed, kImageBookClosedSelected);
        ShowStatus(1, A("正在获取文章分类……"));
        CStringList categories;
        if (engine->GetCategories(&categories) != 1) {
            page->m_pCurEngine = nullptr;
        } else {
            for (const auto& name : categories) {
                const int item = InsertItem(page, page->m_hRootItem, name, kImageBookClosed,
                                            kImageBookClosedSelected);
                page->m_mapCategories.emplace(name, item);  // the first item of a name wins
            }
            SendToUi([&] { page->Tree().Expand(page->m_hRootItem); });
            engine->ListArticles(OnArticleListed, page);
        }
    }
    page->SendPageMessage(WM_LIST_DONE);
    return 0;
}

int OnArticleListed(ArticleInfo* article, void* userData) {
    auto* page = static_cast<CArticlePage*>(userData);
    if (!page || !article) return 0;
    int category = 0;
    const auto found = page->m_mapCategories.find(article->strCategory);
    if (found != page->m_mapCategories.end()) {
        category = found->second;
    } else {
        category = InsertItem(page, page->m_hRootItem, article->strCategory, kImageBookClosed,
                              kImageBookClosedSelected);
        page->m_mapCategories.emplace(article->strCategory, category);
    }
    const int item = InsertItem(page, category, article->strTitle, kImagePage, kImagePageSelected);
    if (!item) return 0;
    auto* copy = new ArticleInfo(*article);
    SendToUi([&] { page->Tree().SetItemData(item, copy); });
    return 0;
}

}  // namespace pw
