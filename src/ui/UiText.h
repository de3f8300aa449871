#pragma once
// The core speaks code page 936; Qt speaks UTF-16. Texts cross here.

#include <QString>
#include <string>

#include "base/Encoding.h"

namespace pw {

// Numeric references that stand for characters code page 936 lacks are shown
// as those characters.
inline QString FromAnsi(const std::string& ansi) {
    return QString::fromStdString(ToUtf8Display(ansi));
}

inline std::string ToAnsiText(const QString& text) {
    return ToAnsi(text.toStdString());
}

// A UTF-8 source literal or constant.
inline QString U8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace pw
