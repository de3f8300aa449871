#include "book/EpubCover.h"

#include <vector>

#include "book/XmlText.h"

namespace pw {

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 800;
// Widths in half ems: a CJK character takes two, a Latin letter about one.
constexpr int kTitleLineUnits = 18;
constexpr int kTitleFontSize = 56;
constexpr size_t kMaxTitleLines = 4;
constexpr int kSmallLineUnits = 36;
constexpr const char* kEllipsis = "\xE2\x80\xA6";

// The UTF-8 characters of the text, each as its bytes; a malformed byte is a
// character of its own (the text is cleaned before it is drawn).
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + n > text.size()) n = 1;
        characters.push_back(text.substr(i, n));
        i += n;
    }
    return characters;
}

int Units(const std::string& character) {
    return character.size() == 1 ? 1 : 2;
}

// The text broken into lines of at most `units`; past maxLines the last line
// ends in an ellipsis.
std::vector<std::string> Lines(const std::string& text, int units, size_t maxLines) {
    std::vector<std::string> lines;
    std::string line;
    int used = 0;
    for (const std::string& character : Characters(text)) {
        if (used + Units(character) > units) {
            if (lines.size() + 1 == maxLines) {
                lines.push_back(line + kEllipsis);
                return lines;
            }
            lines.push_back(line);
            line.clear();
            used = 0;
        }
        if (line.empty() && character == " ") continue;
        line += character;
        used += Units(character);
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string TextElement(int y, int size, const char* fill, const std::string& text) {
    return "  <text x=\"" + std::to_string(kWidth / 2) + "\" y=\"" + std::to_string(y) +
           "\" font-size=\"" + std::to_string(size) + "\" fill=\"" + fill + "\">" + XmlText(text) +
           "</text>\n";
}

}  // namespace

std::string CoverSvg(const std::string& title, const std::string& author,
                     const std::string& dates) {
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
        std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) + "\" viewBox=\"0 0 " +
        std::to_string(kWidth) + " " + std::to_string(kHeight) + "\">\n";
    svg += "  <title>" + XmlText(CleanUtf8(title)) + "</title>\n";
    svg += "  <rect width=\"100%\" height=\"100%\" fill=\"#f4efe3\"/>\n";
    svg +=
        "  <rect x=\"30\" y=\"30\" width=\"540\" height=\"740\" fill=\"none\" "
        "stroke=\"#5a4a3a\" stroke-width=\"3\"/>\n";
    svg += "  <g font-family=\"serif\" text-anchor=\"middle\">\n";
    const std::vector<std::string> titleLines =
        Lines(CleanUtf8(title), kTitleLineUnits, kMaxTitleLines);
    int y = 300 - static_cast<int>(titleLines.size()) * kTitleFontSize / 2;
    for (const std::string& line : titleLines) {
        svg += TextElement(y, kTitleFontSize, "#2b2118", line);
        y += kTitleFontSize + 16;
    }
    const std::vector<std::string> authorLines = Lines(CleanUtf8(author), kSmallLineUnits, 1);
    if (!authorLines.empty()) svg += TextElement(560, 32, "#2b2118", authorLines.front());
    const std::vector<std::string> dateLines = Lines(CleanUtf8(dates), kSmallLineUnits, 1);
    if (!dateLines.empty()) svg += TextElement(620, 26, "#5a4a3a", dateLines.front());
    svg += "  </g>\n</svg>\n";
    return svg;
}

std::string CoverPageXhtml(const std::string& title) {
    return std::string("<div class=\"cover\"><img src=\"") + kCoverImageHref + "\" alt=\"" +
           XmlAttribute(title) + "\"/></div>";
}

}  // namespace pw
