#pragma once
// The span of a book's articles in days, read from the times the services
// list them with.

#include <string>
#include <vector>

#include "book/TreeEntry.h"

namespace pw {

// The first calendar date in a listed time ("2012-3-8 10:00", "(2012/03/08)")
// as "YYYY-MM-DD", or empty when it holds none.
std::string CalendarDate(const std::string& time);

struct DateSpan {
    std::string first;  // "YYYY-MM-DD", empty when no article has a date
    std::string last;
};

DateSpan ArticleDates(const std::vector<TreeEntry>& entries);

}  // namespace pw
