#include "platform/file_filter.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fnmatch.h>
#endif

namespace zerlin {
namespace {

using Patterns = std::vector<std::string>;

TEST(FileFilter, SplitsTheDialogsFilterTextsIntoEntries) {
    struct Case {
        std::string filter;
        std::vector<FilterEntry> expected;
    };
    const Case cases[] = {
        {"BF1942.exe |bf1942.exe|Applications (*.exe)|*.exe|",
         {{"BF1942.exe", {"bf1942.exe"}}, {"Applications (*.exe)", {"*.exe"}}}},
        {"Bookmark file (*.sbk) |*.sbk|", {{"Bookmark file (*.sbk)", {"*.sbk"}}}},
        // Without the closing bar, and with several patterns in one part.
        {"Texts|*.txt; *.TXT ;|All|*.*", {{"Texts", {"*.txt", "*.TXT"}}, {"All", {"*.*"}}}},
        // A pattern part that is empty matches everything; a lone description is dropped.
        {"Anything||Dangling", {{"Anything", {"*"}}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        const std::vector<FilterEntry> entries = parseFileFilter(c.filter);
        ASSERT_EQ(entries.size(), c.expected.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].description, c.expected[i].description);
            EXPECT_EQ(entries[i].patterns, c.expected[i].patterns);
        }
    }
}

#ifndef _WIN32
// What the file dialog matches names with where names are case-sensitive.
TEST(FileFilter, CaseFoldedPatternsMatchAnyLetterCaseAndNothingElse) {
    struct Case {
        std::string pattern;
        Patterns matching;
        Patterns notMatching;
    };
    const Case cases[] = {
        {"bf1942.exe",
         {"bf1942.exe", "BF1942.exe", "Bf1942.EXE"},
         {"bf1942.exe.bak", "bf1942xexe"}},
        {"*.exe", {"game.exe", "SETUP.EXE"}, {"game.exe~", "exe"}},
        {"*.sbk", {"servers.sbk", "Servers.SBK"}, {"servers.sbkx"}},
        // Bracket expressions keep their meaning, a "]" first in one included.
        {"[ab]?.[!x]", {"aZ.y", "bZ.y", "a1.z"}, {"cZ.y", "a1.x"}},
        {"[]x]*", {"]file", "xfile"}, {"Xfile", "yfile"}},
        // An unclosed "[" is an ordinary character.
        {"a[b", {"A[b", "a[B"}, {"ab"}},
    };
    for (const Case& c : cases) {
        const std::string folded = caseInsensitivePattern(c.pattern);
        SCOPED_TRACE(c.pattern + " -> " + folded);
        for (const std::string& name : c.matching) {
            EXPECT_EQ(fnmatch(folded.c_str(), name.c_str(), 0), 0) << name;
        }
        for (const std::string& name : c.notMatching) {
            EXPECT_NE(fnmatch(folded.c_str(), name.c_str(), 0), 0) << name;
        }
    }
}
#endif

}  // namespace
}  // namespace zerlin
