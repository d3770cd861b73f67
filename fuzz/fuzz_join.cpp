// The join with any IP and port: it either refuses them, writing and starting nothing, or
// writes a script of exactly two lines in which the boxes' texts appear only as the server of
// the game's line.

#include <unistd.h>

#include <cstdint>
#include <string>

#include "doubles/form1_harness.h"
#include "fuzz_support.h"
#include "mainwindow/launch_rules.h"

namespace {

std::string gameFolder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gameFolder = zerlin::fuzz::makePrivateFolder("join");
    return 0;
}

// Input: IP, 0xFF, port, 0xFF, flags (bit 0 SaveIP, bit 1 Close).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    const std::vector<std::string> input = fuzz::fields(data, size, '\xFF', 3);
    const std::string& ip = input[0];
    const std::string& port = input[1];
    const unsigned flags = input[2].empty() ? 0u : static_cast<unsigned char>(input[2][0]);
    const std::string script = gameFolder + "/run.bat";
    ::unlink(script.c_str());

    test::Form1Harness h;
    h.settings.preset("Options", "SaveIP", (flags & 1u) != 0 ? "yes" : "no");
    h.settings.preset("Options", "Close", (flags & 2u) != 0 ? "yes" : "no");
    h.Text1.setText(gameFolder + "/BF1942.exe");
    h.Text2.setText(ip);
    h.Text3.setText(port);
    h.Text4.setText("/home/someone/secret & del *.sbk");
    h.List1.rows = {"Name with & | % ^ \"                :1.2.3.4:14567"};

    bool ended = false;
    try {
        h.form.join();
    } catch (const test::ProgramEnded&) {
        ended = true;
    }
    const bool acceptable = !ip.empty() && !port.empty() && launch::isAllowedServerText(ip) &&
                            launch::isAllowedServerText(port);
    // A refused server leaves the program running, Close or not.
    ZERLIN_FUZZ_REQUIRE(ended == (acceptable && (flags & 2u) != 0));
    const std::optional<std::string> written = fuzz::readFile(script);
    if (!acceptable) {
        ZERLIN_FUZZ_REQUIRE(h.launcher.started.empty());
        ZERLIN_FUZZ_REQUIRE(!written);
        ZERLIN_FUZZ_REQUIRE(h.messages.shown.size() == 1);
        ZERLIN_FUZZ_REQUIRE(h.settings.writes.empty());
        ZERLIN_FUZZ_REQUIRE(!h.Timer1.active);
        return 0;
    }
    ZERLIN_FUZZ_REQUIRE(h.messages.shown.empty());
    ZERLIN_FUZZ_REQUIRE(h.launcher.started.size() == 1);
    ZERLIN_FUZZ_REQUIRE(h.launcher.started[0].script == script);
    ZERLIN_FUZZ_REQUIRE(written.has_value());
    fuzz::requireSafeScript(*written, ip, port);
    ZERLIN_FUZZ_REQUIRE(h.Timer1.active);
    ZERLIN_FUZZ_REQUIRE(h.settings.writes.size() == ((flags & 1u) != 0 ? 2u : 0u));
    if (!ended) {
        h.form.tick();
        ZERLIN_FUZZ_REQUIRE(h.launcher.discarded == std::vector<std::string>{script});
    }
    return 0;
}
