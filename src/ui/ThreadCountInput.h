#pragma once
// Reading the options dialog's thread count back from its edit, as a dialog's data
// exchange does it: the text must be a decimal integer within 1..10, and a value
// that fails is reported but still saved, clamped to 1..20.

#include <optional>
#include <string>

namespace pw {

inline constexpr int kMinThreadCount = 1;
inline constexpr int kMaxThreadCount = 10;        // what the dialog accepts
inline constexpr int kMaxStoredThreadCount = 20;  // what a save stores at most

// The edit's text as a decimal integer (blanks around it allowed), or nothing.
std::optional<int> ParseDecimalInt(const std::string& text);

// The value a save stores for the count the dialog read.
int ClampThreadCount(int count);

}  // namespace pw
