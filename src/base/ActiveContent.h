#pragma once
// Article bodies without anything that runs in a reader.

#include <string>
#include <string_view>

namespace pw {

// The HTML fragment without script, object, embed, iframe, applet, frame and
// frameset elements (script and iframe with their content; the others give up
// their tags, so the fallback text an object carries stays), without event
// attributes (on...=), attributes that are javascript: or vbscript: addresses,
// and style or content attributes that run script. Everything else stays byte
// for byte. The markup is read the way HTML5 parsers read it (quotes, raw-text
// elements, comments); comments and raw text are cleaned too, since older
// parsers and conditional comments read them as markup. Works on code page 936
// and UTF-8 alike.
std::string WithoutActiveContent(std::string_view html);

}  // namespace pw
