#pragma once

#include <string>

namespace pw {

enum class TreeOp { Insert, Expand, DeleteAll };

// What a tree item stands for; a view chooses its picture from it.
enum class TreeItemKind { Blog, Category, Article };

// One change of a job's article tree, for a front end that mirrors it.
struct TreeChange {
    TreeOp op = TreeOp::Insert;
    int item = 0;
    int parent = 0;
    std::string text;
    TreeItemKind kind = TreeItemKind::Article;
};

}  // namespace pw
