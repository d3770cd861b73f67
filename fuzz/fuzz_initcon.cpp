// A mod's init.con read, and the mod a join passes: any bytes give a name and version of one
// line of well-formed UTF-8 within bounds, and a join passes only an installed folder's name,
// which holds nothing the launch script could read as a command of its own.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "mods/init_con.h"
#include "mods/server_mods.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace {

void requireOneLine(const std::string& value) {
    ZERLIN_FUZZ_REQUIRE(zerlin::utf8::isValid(value));
    ZERLIN_FUZZ_REQUIRE(zerlin::utf8::length(value) <= zerlin::mods::kMaxModTextLength);
    for (const char c : value) {
        ZERLIN_FUZZ_REQUIRE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    ZERLIN_FUZZ_REQUIRE(zerlin::text::trimmed(value, " \t") == value);
}

}  // namespace

// Input: init.con's bytes, 0xFF, an installed folder's name, 0xFF, the server's mod id.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::string whole(reinterpret_cast<const char*>(data), size);
    const mods::InitCon read = mods::readInitCon(whole);
    requireOneLine(read.name);
    requireOneLine(read.version);

    const std::vector<std::string> input = fuzz::fields(data, size, '\xFF', 3);
    const mods::InitCon script = mods::readInitCon(input[0]);
    const mods::ModTable table({mods::InstalledMod{input[1], script.name, script.version}});
    const Result<std::string> folder = mods::gameFolderForJoin(table, input[2]);
    if (!folder) {
        ZERLIN_FUZZ_REQUIRE(!table.installed(input[2]));
        ZERLIN_FUZZ_REQUIRE(utf8::isValid(folder.error()) || !utf8::isValid(input[2]));
    } else if (!folder.value().empty()) {
        ZERLIN_FUZZ_REQUIRE(folder.value() == input[1]);
        ZERLIN_FUZZ_REQUIRE(mods::isModId(folder.value()));
        ZERLIN_FUZZ_REQUIRE(text::toLowerAscii(folder.value()) == text::toLowerAscii(input[2]));
    }
    ZERLIN_FUZZ_REQUIRE(table.modLine(input[2]).find('\n') == std::string::npos);
    return 0;
}
