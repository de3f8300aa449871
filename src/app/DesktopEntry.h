#pragma once
// What the browser fallback needs of desktop entries: finding the default HTML
// handler's entry and turning its Exec line into a command for one address.

#include <optional>
#include <string>
#include <vector>

namespace pw {

// The Exec line cut where its first file or address field code (%u %U %f %F)
// begins, the way an open command is cut at its "%1": a code in double quotes is
// cut at the opening quote. A line without such a code stays whole; "%%" is a
// literal percent sign, never a code.
std::string CutExecAtFieldCode(const std::string& exec);

// The arguments of an Exec line by the desktop entry quoting rules: blanks separate,
// double quotes group (with \" \` \$ \\ inside), "%%" becomes "%" and the other
// field codes are dropped. Nothing when the quoting is broken.
std::optional<std::vector<std::string>> SplitExecLine(const std::string& exec);

// The command that opens the address with the handler whose Exec line is given:
// the cut line's arguments and the address as one more argument (none for an
// empty address). Nothing when the line yields no program.
std::optional<std::vector<std::string>> BrowserCommand(const std::string& exec,
                                                       const std::string& address);

// The Exec value of the entry's [Desktop Entry] group, with the value escapes
// (\s \n \t \r \\) undone; empty when there is none.
std::string ReadDesktopExec(const std::string& path);

// The file of a desktop id ("firefox-esr.desktop") in the XDG data folders, a
// "-" in the id also standing for a subfolder; empty when none exists or the id
// is not a plain file name.
std::string FindDesktopFile(const std::string& desktopId);

}  // namespace pw
