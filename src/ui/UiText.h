#pragma once
// Texts crossing between the core (UTF-8) and Qt.

#include <QString>
#include <string>

#include "base/DisplayText.h"

namespace pw {

// A text of the blog, or a status or message that names one, as the user
// reads it: character references decoded (see DisplayText), since titles and
// names hold them as the blog's HTML did.
inline QString Shown(const std::string& text) {
    return QString::fromStdString(DisplayText(text));
}

// A UTF-8 source literal or constant.
inline QString U8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace pw
