// Start-up with any command-line words: the helpers that read them, then the whole start-up
// of the main window with doubles, AutoJoin and Close as the input says.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/module2.h"
#include "doubles/form1_harness.h"
#include "fuzz_support.h"
#include "mainwindow/command_line.h"
#include "mainwindow/launch_rules.h"
#include "text/utf8.h"

namespace {

std::string folder;
const char* const kKeptRow = "Kept                               :10.0.0.1:14567";

}  // namespace

// A private folder holds the game folder and a bookmark file; "@/" in a word stands for it.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = zerlin::fuzz::makePrivateFolder("command-line");
    zerlin::fuzz::writeFile(folder + "/list.sbk",
                            "Home                               :192.168.0.2:14567\r\n"
                            "Clan                               :10.1.1.1:14568\r\n");
    return 0;
}

static void checkHelpers(const std::vector<std::string>& words, const std::string& argument) {
    using namespace zerlin;
    for (const std::string& text : {argument, words[0]}) {
        const std::string valid = utf8::replaceIllFormed(text);
        ZERLIN_FUZZ_REQUIRE(utf8::isValid(valid));
        ZERLIN_FUZZ_REQUIRE(!utf8::isValid(text) || valid == text);

        if (const std::optional<std::string> path = command_line::localPathFromUri(text)) {
            ZERLIN_FUZZ_REQUIRE(path->find('\0') == std::string::npos);
            ZERLIN_FUZZ_REQUIRE(!path->empty() && path->front() == '/');
        }

        const command_line::LinkFields link = command_line::linkFields(text);
        ZERLIN_FUZZ_REQUIRE(!link.port || link.ip);
        ZERLIN_FUZZ_REQUIRE(!link.ip || link.ip->find(':') == std::string::npos);
        ZERLIN_FUZZ_REQUIRE(!link.port || link.port->find(':') == std::string::npos);
        if (link.ip) {
            const std::string start = text.substr(0, text.find(':')) + ":" + *link.ip;
            ZERLIN_FUZZ_REQUIRE(text.compare(0, start.size(), start) == 0);
        }
    }
    ZERLIN_FUZZ_REQUIRE(command_line::isLink(argument) == (argument.rfind("zerlin", 0) == 0));
}

// Input: words separated by NUL bytes, as a command line gives them; the last byte's bits
// turn AutoJoin (1), Close (2) and SaveIP (4) on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    if (size == 0) {
        return 0;
    }
    const unsigned flags = data[size - 1];
    std::vector<std::string> words = fuzz::fields(data, size - 1, '\0', 8);
    while (words.size() > 1 && words.back().empty()) {
        words.pop_back();
    }
    for (std::string& word : words) {
        for (std::size_t at = word.find("@/"); at != std::string::npos;
             at = word.find("@/", at + folder.size() + 1)) {
            word.replace(at, 1, folder);
        }
    }
    const std::string argument = command_line::argumentText(words);
    checkHelpers(words, argument);

    const std::string script = folder + "/game/run.bat";
    ::unlink(script.c_str());
    ::mkdir((folder + "/game").c_str(), 0700);

    test::Form1Harness h;
    h.settings.preset("Sti", "Sti", folder + "/game/BF1942.exe");
    h.settings.preset("Options", "AutoJoin", (flags & 1u) != 0 ? "yes" : "no");
    h.settings.preset("Options", "Close", (flags & 2u) != 0 ? "yes" : "no");
    h.settings.preset("Options", "SaveIP", (flags & 4u) != 0 ? "yes" : "no");
    h.settings.preset("Options", "IP", "10.9.9.9");
    h.List1.rows = {kKeptRow};

    bool ended = false;
    try {
        h.form.load(words);
    } catch (const test::ProgramEnded&) {
        ended = true;
    }

    const bool link = command_line::isLink(argument) && !command_line::isBookmarkFile(argument);
    const std::optional<std::string> written = fuzz::readFile(script);
    // Only a link with a server joins, and only with AutoJoin on.
    if (!link || (flags & 1u) == 0 || !command_line::linkFields(argument).ip) {
        ZERLIN_FUZZ_REQUIRE(!ended);
        ZERLIN_FUZZ_REQUIRE(h.launcher.started.empty());
        ZERLIN_FUZZ_REQUIRE(!written);
    } else {
        // The join refuses a server it cannot write safely, and then the program goes on.
        const bool acceptable = !h.Text2.text().empty() && !h.Text3.text().empty() &&
                                launch::isAllowedServerText(h.Text2.text()) &&
                                launch::isAllowedServerText(h.Text3.text());
        ZERLIN_FUZZ_REQUIRE(ended == (acceptable && (flags & 2u) != 0));
        ZERLIN_FUZZ_REQUIRE(h.launcher.started.size() == (acceptable ? 1u : 0u));
    }
    if (!h.launcher.started.empty()) {
        ZERLIN_FUZZ_REQUIRE(h.launcher.started.size() == 1);
        ZERLIN_FUZZ_REQUIRE(written.has_value());
        fuzz::requireSafeScript(*written, h.Text2.text(), h.Text3.text());
    } else {
        ZERLIN_FUZZ_REQUIRE(!written);
    }

    // Whatever the words, the boxes hold texts the controls can show.
    ZERLIN_FUZZ_REQUIRE(utf8::isValid(h.Text2.text()));
    ZERLIN_FUZZ_REQUIRE(utf8::isValid(h.Text3.text()));
    ZERLIN_FUZZ_REQUIRE(h.Text1.text() == folder + "/game/BF1942.exe");
    ZERLIN_FUZZ_REQUIRE(h.List1.rows.size() <= static_cast<std::size_t>(kMaxBookmarkLines));
    if (!command_line::isBookmarkFile(argument)) {
        ZERLIN_FUZZ_REQUIRE(h.List1.rows == std::vector<std::string>{kKeptRow});
    }
    return 0;
}
