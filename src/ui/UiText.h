#pragma once
// The core speaks code page 936; Qt speaks UTF-16. Texts cross here.

#include <QString>
#include <string>

#include "base/DisplayText.h"
#include "base/Encoding.h"

namespace pw {

// Character references are shown as the characters they stand for (see
// DisplayText): the blog's titles and names hold them as its HTML did.
inline QString FromAnsi(const std::string& ansi) {
    return QString::fromStdString(DisplayText(ToUtf8(ansi)));
}

inline std::string ToAnsiText(const QString& text) {
    return ToAnsi(text.toStdString());
}

// A UTF-8 source literal or constant.
inline QString U8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace pw
