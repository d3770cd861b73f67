#pragma once

#include <string>
#include <vector>

// The file dialog's filter text: description and pattern pairs, each followed by "|", such as
// "Bookmark file (*.sbk) |*.sbk|". A pattern part may hold several patterns split by ";".
namespace zerlin {

struct FilterEntry {
    std::string description;  // without surrounding spaces
    std::vector<std::string> patterns;
};

// The entries in the order given. A description without a pattern part is dropped, and so
// are empty patterns; an entry without any pattern left matches every file ("*").
std::vector<FilterEntry> parseFileFilter(const std::string& filter);

// The wildcard pattern rewritten so that it matches names whatever their letter case: each
// ASCII letter outside a bracket expression becomes a bracket of both cases ("a" to "[aA]");
// bracket expressions are kept as given.
std::string caseInsensitivePattern(const std::string& pattern);

}  // namespace zerlin
