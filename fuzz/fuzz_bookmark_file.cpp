// The bookmark file reader with any bytes: at most 200 rows, the list unchanged when the file
// is refused, and a file that loads, written again and read back, gives the same rows.

#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/module2.h"
#include "doubles/doubles.h"
#include "fuzz_support.h"

namespace {

std::string folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = zerlin::fuzz::makePrivateFolder("bookmarks");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const Result<std::vector<std::string>> decoded = decodeBookmarkFile(bytes);
    const std::vector<std::string>& rows = decoded.value();
    ZERLIN_FUZZ_REQUIRE(rows.size() <= static_cast<std::size_t>(kMaxBookmarkLines));
    ZERLIN_FUZZ_REQUIRE(decoded.ok() == decoded.error().empty());
    if (!decoded) {
        ZERLIN_FUZZ_REQUIRE(rows.empty());
    }

    // The same bytes through a real file: the same answer, and the list keeps its rows when
    // the file is refused. Every read of a file sets aside room for the largest one, which
    // the sanitizers make slow: only a quarter of the inputs take this way. (The size limit
    // itself is a plain test: inputs of a mebibyte would take the fuzzer's whole time.)
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
    if (sum % 4 != 0) {
        return 0;
    }
    const std::string path = folder + "/in.sbk";
    fuzz::writeFile(path, bytes);
    test::FakeListBox list;
    list.rows = {"Kept                               :10.0.0.1:14567"};
    const std::vector<std::string> before = list.rows;
    const Status loaded = LoadBookmarkFile(path, list);
    ZERLIN_FUZZ_REQUIRE(loaded.ok() == decoded.ok());
    ZERLIN_FUZZ_REQUIRE(list.rows == (loaded ? rows : before));
    if (!loaded) {
        return 0;
    }

    const std::string copy = folder + "/out.sbk";
    const Status written = WriteBookmarkFile(copy, list);
    ZERLIN_FUZZ_REQUIRE(written.ok());
    test::FakeListBox reread;
    const Status again = LoadBookmarkFile(copy, reread);
    ZERLIN_FUZZ_REQUIRE(again.ok());
    ZERLIN_FUZZ_REQUIRE(reread.rows == rows);
    return 0;
}
