#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "doubles/form1_harness.h"
#include "doubles/temp_folder.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;

// A web page can hand the program a link of any length. A script line longer than the
// interpreter takes is cut, and the rest runs as a command of its own, so a long IP or port is
// refused even when it holds only harmless characters; every real host name still joins.
TEST(LinkFaults, OverlongServerTextsAreRefusedBeforeAnythingIsWrittenOrStarted) {
    const std::string host253 = std::string(63, 'a') + "." + std::string(63, 'b') + "." +
                                std::string(63, 'c') + "." + std::string(61, 'd');
    ASSERT_EQ(host253.size(), 253u);
    struct Case {
        std::string ip;
        std::string port;
        bool joins;
    };
    const std::vector<Case> cases = {
        {host253, "14567", true},
        {std::string(255, '1'), std::string(255, '2'), true},
        {std::string(256, '1'), "14567", false},
        {"10.0.0.1", std::string(256, '2'), false},
        {std::string(8200, 'a') + " del x", "14567", false},
        {std::string(100000, '1'), std::string(100000, '2'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ip.size()) + " / " + std::to_string(c.port.size()));
        TempFolder folder;
        Form1Harness h;
        h.settings.preset("Sti", "Sti", folder / "BF1942.exe");
        for (const char* flag : {"AutoJoin", "SaveIP", "Close"}) {
            h.settings.preset("Options", flag, "yes");
        }
        bool ended = false;
        try {
            h.form.load({"zerlin:" + c.ip + ":" + c.port});
        } catch (const ProgramEnded&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.joins);
        EXPECT_EQ(h.launcher.started.size(), c.joins ? 1u : 0u);
        EXPECT_EQ(fs::exists(folder / "run.bat"), c.joins);
        if (c.joins) {
            EXPECT_TRUE(h.messages.shown.empty());
            EXPECT_EQ(h.settings.writes.size(), 2u);
        } else {
            EXPECT_EQ(h.messages.shown, std::vector<std::string>{"The IP or port is too long!"});
            EXPECT_TRUE(h.settings.writes.empty());
            EXPECT_FALSE(h.Timer1.isActive());
            // The boxes still show what the link held, for the user to see.
            EXPECT_EQ(h.Text2.text(), c.ip);
        }
    }
}

}  // namespace
}  // namespace zerlin::test
