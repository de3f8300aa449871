#pragma once
// Text from the network made safe for a terminal: titles and messages may carry
// escape sequences that would set the window title, clear the screen or worse.

#include <string>
#include <string_view>

namespace pw {

// The UTF-8 text with every control character (C0, DEL, C1) replaced by a
// blank and every byte that is not valid UTF-8 by "?".
std::string TerminalText(std::string_view utf8);

}  // namespace pw
