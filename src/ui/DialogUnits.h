#pragma once
// The windows' sizes are given in dialog units of their fonts; these turn them into
// pixels (a dialog unit is a quarter of the font's average character width and an
// eighth of its height).

#include <QRect>
#include <QSize>

namespace pw {

// "MS Shell Dlg" 8 at 96 dpi: 6 x 13 pixels per character cell.
struct DialogFont {
    int charWidth = 6;
    int charHeight = 13;
};

// "宋体" 9, the main window's font.
inline constexpr DialogFont kMainWindowFont{7, 14};

inline QSize DluToPixels(int width, int height, DialogFont font = {}) {
    return {width * font.charWidth / 4, height * font.charHeight / 8};
}

inline QRect DluRect(int x, int y, int width, int height, DialogFont font = {}) {
    return {x * font.charWidth / 4, y * font.charHeight / 8, width * font.charWidth / 4,
            height * font.charHeight / 8};
}

}  // namespace pw
