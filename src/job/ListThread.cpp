// The list-fetching thread: picks the engine for the address and fills the tree
// with the blog, its categories and its articles.

#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/TextOps.h"
#include "job/ArticlePage.h"

namespace pw {

namespace {

int InsertItem(CArticlePage* page, int parent, const std::string& text, int image,
               int selectedImage) {
    int item = 0;
    SendToUi([&] { item = page->Tree().InsertItem(parent, text, image, selectedImage); });
    return item;
}

// Cuts a text to at most max bytes without splitting a double-byte character.
void Bound(std::string& text, size_t max) {
    if (text.size() <= max) return;
    size_t end = 0;
    for (size_t i = 0; i < max;) {
        const size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > max) break;
        i += width;
        end = i;
    }
    text.resize(end);
}

// No real title, category, time or address comes near these sizes; a page that
// sends larger ones would only make the tree and every copy of it huge.
void BoundFields(ArticleInfo& article) {
    Bound(article.strTitle, 1024);
    Bound(article.strCategory, 1024);
    Bound(article.strTime, 256);
    Bound(article.strUrl, 4096);
    Bound(article.strId, 256);
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
    BoundFields(*article);
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
