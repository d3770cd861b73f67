// The settings store over any bytes as settings.ini: nothing crashes, the text reads back byte
// for byte, a write reads back exactly what was written and changes no other entry, every line
// but those of the written entry stays as it was, and a garbled file is copied aside once,
// leaving nothing else behind.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "settings/ini_document.h"
#include "settings/ini_file_settings.h"
#include "text/ascii.h"

namespace {

struct Name {
    const char* section;
    const char* key;
};
// The names the program uses, in the letter cases its callers write them, and some others.
constexpr Name kNames[] = {{"sti", "sti"},        {"Sti", "Sti"},          {"Options", "IP"},
                           {"Options", "Port"},   {"Options", "port"},     {"Options", "SaveIP"},
                           {"OPtions", "SaveIP"}, {"Options", "AutoJoin"}, {"Options", "Close"},
                           {"Options", "Book"},   {"options", "book"},     {"", "General"},
                           {"General", "x"},      {"Ämter", "Größe"}};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

std::string folder;

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

bool same(const char* a, const char* b) {
    return zerlin::text::toLowerAscii(a) == zerlin::text::toLowerAscii(b);
}

// Whether a line, alone, is an entry with this key.
bool names(const std::string& line, const char* key) {
    return zerlin::IniDocument(line).value("", key).has_value();
}

// The old file's lines are all in the new one, in order, but for one of the written key (the
// line read, now rewritten): its other spellings stay. At most three lines are new (the entry,
// and a blank line and a section line before it).
void requireOnlyEntryChanged(const std::string& before, const std::string& after, const char* key) {
    const std::vector<std::string> old = linesOf(before);
    const std::vector<std::string> now = linesOf(after);
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t added = 0;
    std::size_t rewritten = 0;
    while (i < old.size() || j < now.size()) {
        if (i < old.size() && j < now.size() && old[i] == now[j]) {
            ++i, ++j;
        } else if (i < old.size() && names(old[i], key) && rewritten == 0) {
            ++rewritten;
            ++i;
        } else {
            ZERLIN_FUZZ_REQUIRE(j < now.size());
            ++j;
            ++added;
        }
    }
    ZERLIN_FUZZ_REQUIRE(added <= 3);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = zerlin::fuzz::makePrivateFolder("settings");
    return 0;
}

// Input: 0xFF, a byte choosing the name and the value written, 0xFF, the file's bytes; or just
// the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zerlin;
    std::string fileBytes(reinterpret_cast<const char*>(data), size);
    std::string value = "yes";
    std::size_t choice = 0;
    if (size >= 2 && data[0] == 0xFF) {
        const std::vector<std::string> input = fuzz::fields(data + 1, size - 1, '\xFF', 3);
        choice = input[0].empty() ? 0 : static_cast<unsigned char>(input[0][0]);
        value = input[1];
        fileBytes = input[2];
    }
    const Name& name = kNames[choice % kNameCount];

    const IniDocument document(fileBytes);
    ZERLIN_FUZZ_REQUIRE(document.text() == fileBytes);

    std::filesystem::remove_all(folder + "/z");
    std::filesystem::create_directories(folder + "/z");
    const std::string path = folder + "/z/settings.ini";
    fuzz::writeFile(path, fileBytes);
    IniFileSettings store(path);
    std::string before[kNameCount];
    for (std::size_t i = 0; i < kNameCount; ++i) {
        before[i] = store.read(kNames[i].section, kNames[i].key);
        ZERLIN_FUZZ_REQUIRE(before[i] ==
                            document.value(kNames[i].section, kNames[i].key).value_or(""));
    }

    // A value that is not UTF-8 is written as it is, and makes the file garbled in turn.
    const bool valueGarbles = IniDocument("k=" + encodeIniValue(value)).garbled();
    for (int round = 0; round < 2; ++round) {
        const std::string previous = fuzz::readFile(path).value_or("");
        store.write(name.section, name.key, value);
        ZERLIN_FUZZ_REQUIRE(store.read(name.section, name.key) == value);
        const std::string now = fuzz::readFile(path).value_or("");
        requireOnlyEntryChanged(previous, now, name.key);
    }
    for (std::size_t i = 0; i < kNameCount; ++i) {
        if (!same(kNames[i].section, name.section) || !same(kNames[i].key, name.key)) {
            ZERLIN_FUZZ_REQUIRE(store.read(kNames[i].section, kNames[i].key) == before[i]);
        }
    }

    // A garbled file is kept, byte for byte, once; nothing else is left beside the file.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/z")) {
        left.push_back(entry.path().filename().string());
    }
    const auto copy = fuzz::readFile(path + ".corrupt");
    if (document.garbled()) {
        ZERLIN_FUZZ_REQUIRE(copy == fileBytes);
        ZERLIN_FUZZ_REQUIRE(valueGarbles ? left.size() <= 3 : left.size() == 2);
    } else if (!valueGarbles) {
        ZERLIN_FUZZ_REQUIRE(!copy);
        ZERLIN_FUZZ_REQUIRE(left.size() == 1);
    } else {
        ZERLIN_FUZZ_REQUIRE(left.size() <= 2);
    }
    return 0;
}
