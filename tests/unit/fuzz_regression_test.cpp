// Inputs the fuzz targets in fuzz/ found faults with, kept as plain cases.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "bookmarks/module2.h"
#include "doubles/doubles.h"
#include "doubles/temp_folder.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;

class FuzzFound : public ::testing::Test, protected TempFolder {};

std::string lines(std::size_t count, std::size_t bytesEach, const std::string& end) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += std::string(bytesEach, static_cast<char>('a' + i % 26)) + end;
    }
    return out;
}

// A file at the size limit whose line ends a save turns into CR LF, or adds at the end, grew
// past the limit when saved: the program then refused to open its own file.
TEST_F(FuzzFound, AFileAtTheSizeLimitOpensAgainAfterASave) {
    const std::size_t limit = kMaxBookmarkFileBytes;
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    };
    const Case cases[] = {
        {"one line, no line end", std::string(limit, 'x'), true},
        {"200 lines ended by LF", std::string(limit % 200, 'y') + lines(200, limit / 200, "\n"),
         true},
        {"200 lines ended by CR LF", lines(200, limit / 200, "\r\n"), true},
        {"one byte too many", std::string(limit + 1, 'x') + "\r\n", false},
        {"200 lines and one byte too many",
         std::string(limit % 200 + 1, 'y') + lines(200, limit / 200, "\r\n"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(path("in.sbk"), std::ios::binary) << c.bytes;
        FakeListBox list;
        list.rows = {"kept"};
        ASSERT_EQ(LoadBookmarkFile(path("in.sbk"), list).ok(), c.loads);
        if (!c.loads) {
            EXPECT_EQ(list.rows, std::vector<std::string>{"kept"});
            continue;
        }
        ASSERT_TRUE(WriteBookmarkFile(path("out.sbk"), list).ok());
        FakeListBox reread;
        const Status again = LoadBookmarkFile(path("out.sbk"), reread);
        EXPECT_TRUE(again.ok()) << again.error();
        EXPECT_EQ(reread.rows, list.rows);
    }
}

}  // namespace
}  // namespace zerlin::test
