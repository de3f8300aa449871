#pragma once
// Texts crossing between the core (UTF-8) and Qt.

#include <QString>

namespace pw {

// A UTF-8 source literal or constant.
inline QString U8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace pw
