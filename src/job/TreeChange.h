#pragma once

#include <string>

namespace pw {

enum class TreeOp { Insert, SetImages, Expand, DeleteAll };

// One change of a job's article tree, for a front end that mirrors it.
struct TreeChange {
    TreeOp op = TreeOp::Insert;
    int item = 0;
    int parent = 0;
    std::string text;  // code page 936
    int image = 0;
    int selectedImage = 0;
};

}  // namespace pw
