#include "book/InlineStyle.h"

#include <initializer_list>

#include "base/Text.h"

namespace pw {

namespace {

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool AllOf(std::string_view text, bool (*accept)(char)) {
    for (char c : text) {
        if (!accept(c)) return false;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

// A colour as "#rgb", "#rrggbb" (the "#" may be missing, as old pages leave it
// out) or a basic colour name; empty when it is none.
std::string ColourValue(std::string value) {
    static const std::string_view kNames[] = {
        "black",  "white",   "red",  "green", "blue",   "gray", "grey", "silver", "maroon",
        "purple", "fuchsia", "lime", "olive", "yellow", "navy", "teal", "aqua",   "orange"};
    if (!value.empty() && value[0] != '#' && (value.size() == 6 || value.size() == 3) &&
        AllOf(value, IsHexDigit)) {
        value = "#" + value;
    }
    if (value.size() == 4 || value.size() == 7) {
        if (value[0] == '#' && AllOf(std::string_view(value).substr(1), IsHexDigit)) return value;
    }
    for (std::string_view name : kNames) {
        if (value == name) return value;
    }
    return {};
}

bool OneOf(const std::string& value, std::initializer_list<std::string_view> accepted) {
    for (std::string_view a : accepted) {
        if (value == a) return true;
    }
    return false;
}

// "2em", "1.5em": the paragraph indents Chinese blogs use.
bool IsIndent(const std::string& value) {
    if (value.size() < 3 || value.size() > 6 || value.substr(value.size() - 2) != "em") {
        return false;
    }
    const std::string number = value.substr(0, value.size() - 2);
    const size_t dot = number.find('.');
    const std::string whole = number.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : number.substr(dot + 1);
    return !whole.empty() && whole.size() <= 2 && AllOf(whole, IsDigit) &&
           AllOf(fraction, IsDigit) && (dot == std::string::npos || !fraction.empty());
}

}  // namespace

std::string KeptDeclaration(std::string_view propertyText, std::string_view valueText) {
    const std::string property = Lowered(Trimmed(propertyText));
    std::string value = Lowered(Trimmed(valueText));
    if (property == "color") {
        value = ColourValue(value);
        return value.empty() ? "" : "color: " + value;
    }
    if (property == "text-align" && OneOf(value, {"left", "right", "center", "justify"})) {
        return property + ": " + value;
    }
    if (property == "font-weight" &&
        OneOf(value, {"bold", "bolder", "normal", "lighter", "100", "200", "300", "400", "500",
                      "600", "700", "800", "900"})) {
        return property + ": " + value;
    }
    if (property == "font-style" && OneOf(value, {"italic", "normal", "oblique"})) {
        return property + ": " + value;
    }
    if (property == "text-decoration" &&
        OneOf(value, {"underline", "line-through", "overline", "none"})) {
        return property + ": " + value;
    }
    if (property == "text-indent" && IsIndent(value)) return property + ": " + value;
    return {};
}

std::vector<std::string> KeptDeclarations(std::string_view style) {
    std::vector<std::string> kept;
    size_t start = 0;
    while (start <= style.size()) {
        size_t end = style.find(';', start);
        if (end == std::string_view::npos) end = style.size();
        const std::string_view declaration = style.substr(start, end - start);
        const size_t colon = declaration.find(':');
        if (colon != std::string_view::npos) {
            std::string one =
                KeptDeclaration(declaration.substr(0, colon), declaration.substr(colon + 1));
            if (!one.empty()) kept.push_back(std::move(one));
        }
        start = end + 1;
    }
    return kept;
}

}  // namespace pw
