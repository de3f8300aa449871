#pragma once
// The article tree's picture strip: 42 images of 16 x 16 in one 672 x 16 strip,
// teal RGB(0, 128, 128) meaning transparent. Positions as the tree uses them:
// 0 closed book, 1 open book, 2 and 3 the same marked as selected, 10 a text
// page, 11 the page marked; the other positions are empty.

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "job/TreeChange.h"

namespace pw {

inline constexpr int kTreeImageSize = 16;
inline constexpr int kTreeImageCount = 42;

// Image positions in the strip.
enum TreeImageIndex {
    kImageBookClosed = 0,
    kImageBookOpen = 1,
    kImageBookClosedSelected = 2,
    kImageBookOpenSelected = 3,
    kImagePage = 10,
    kImagePageSelected = 11,
};

// The strip as drawn, teal background included.
QImage DrawTreeImageStrip();

// One image of the strip with the teal pixels made transparent.
QPixmap TreeImage(int index);

// The icon of a tree item: image when shown normally, selectedImage when selected.
QIcon TreeItemIcon(int image, int selectedImage);

// The icon of an item of the article tree: a page for an article, a book for
// the blog and its categories, open while the view shows it open.
QIcon TreeItemIcon(TreeItemKind kind, bool expanded = false);

}  // namespace pw
