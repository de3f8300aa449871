#include "engine/ArticleInfo.h"

namespace pw {

void InitArticleInfo(ArticleInfo* info) {
    if (info) *info = ArticleInfo{};
}

void FreeArticleInfo(ArticleInfo* info) {
    if (info) *info = ArticleInfo{};
}

}  // namespace pw
