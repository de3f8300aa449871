#include "cli/TerminalText.h"

#include "base/Text.h"

namespace pw {

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c0 = n == 1 && (c < 0x20 || c == 0x7F);
        // U+0080..U+009F, the C1 controls (CSI among them), are C2 80..C2 9F.
        const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (c0 || c1) {
            out += ' ';
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    return out;
}

}  // namespace pw
