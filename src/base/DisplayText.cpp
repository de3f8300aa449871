#include "base/DisplayText.h"

#include <cstdint>

#include "base/HtmlText.h"
#include "base/Text.h"

namespace pw {

namespace {

bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

}  // namespace

std::string DisplayText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = CharacterReferenceLength(utf8, i);
        const std::optional<uint32_t> code =
            length ? ReferencedCharacter(utf8.substr(i, length)) : std::nullopt;
        if (!code) {
            out.push_back(utf8[i++]);
            continue;
        }
        if (IsControl(*code)) {
            out.push_back(' ');
        } else {
            AppendUtf8(out, *code);
        }
        i += length;
    }
    return out;
}

}  // namespace pw
