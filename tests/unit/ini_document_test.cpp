#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/ini_document.h"

namespace zerlin::test {
namespace {

using namespace std::string_literals;

TEST(IniDocument, ReadsValuesAsTypedAndAsEarlierVersionsWroteThem) {
    struct Case {
        std::string file, section, key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        // Typed by hand: whole, whatever the characters.
        {"[Sti]\nSti=/games/Battlefield 1942; GOTY/BF1942.exe\n", "Sti", "Sti",
         "/games/Battlefield 1942; GOTY/BF1942.exe"},
        {"[Sti]\n  Sti =  /games/bf #2/BF1942.exe \t\n", "Sti", "Sti", "/games/bf #2/BF1942.exe"},
        {"[Sti]\nSti=C:\\Games\\BF1942.exe\n", "Sti", "Sti", "C:\\Games\\BF1942.exe"},
        {"[Options]\nBook=/home/me/\"my\" list, 'b'.sbk\n", "Options", "Book",
         "/home/me/\"my\" list, 'b'.sbk"},
        {"[Options]\nIP=a=b\n", "Options", "IP", "a=b"},
        {"[Options]\nIP=\n", "Options", "IP", ""},
        {"[Options]\nIP=\"unclosed\n", "Options", "IP", "\"unclosed"},
        {"[Options]\nIP=\"a\" and \"b\"\n", "Options", "IP", "\"a\" and \"b\""},
        {"[Options]\nIP=\"ends escaped\\\"\n", "Options", "IP", "\"ends escaped\\\""},
        {"[Options]\nBook=/home/M\xfcller.sbk\n", "Options", "Book", "/home/M\xfcller.sbk"},
        // Comments only at the start of a line.
        {"[Sti]\n; Sti=/old\n  # Sti=/older\nSti=/new\n", "Sti", "Sti", "/new"},
        {"[Sti]\n;Sti=/old\n", "Sti", "Sti", std::nullopt},
        {"[Options] ; the switches\nClose=yes\n", "Options", "Close", "yes"},
        // Written by earlier versions: quoted with escapes, `@` marks.
        {"[Options]\nBook=\"/home/me/a,b.sbk\"\n", "Options", "Book", "/home/me/a,b.sbk"},
        {"[Options]\nv=\" two\\tparts\\n\"\n", "Options", "v", " two\tparts\n"},
        {"[Options]\nv=\"q\\\"\\\\\\x41\\x4142\\101\\qz\"\n", "Options", "v",
         "q\"\\A\xe4\x85\x82"
         "Aqz"},
        {"[Options]\nv=\"\\0\\x31\"\n", "Options", "v",
         "\0"
         "1"s},
        {"[Options]\nv=@@at\n", "Options", "v", "@at"},
        {"[Options]\nv=@Invalid()\n", "Options", "v", ""},
        {"[Options]\nv=@String(a\\0\\x31)\n", "Options", "v",
         "a\0"
         "1"s},
        {"[%C4mter]\nGr%F6%DFe=3\n", "Ämter", "GRößE", "3"},
        // Letter case, duplicates, the entries of no section.
        {"[OPTIONS]\nSAVEIP=yes\n", "Options", "SaveIP", "yes"},
        // Only ASCII letters fold, as the program's names are all ASCII.
        {"[ÄMTER]\nGRÖSSE=1\n", "Ämter", "GRÖsse", "1"},
        {"[ÄMTER]\nGRÖSSE=1\n", "ämter", "grösse", std::nullopt},
        {"[Options]\nport=1\n[options]\nPort=2\nPORT=3\n", "OPTIONS", "Port", "1"},
        {"[Options]\n[options]\nPort=2\n", "Options", "port", "2"},
        {"top=1\n[Options]\n", "", "TOP", "1"},
        {"[general]\nx=2\n", "", "x", "2"},
        {"[%General]\ny=3\n", "General", "y", "3"},
        {"[%General]\ny=3\n", "", "y", std::nullopt},
        {"[Options]\nIP=1\n", "Sti", "IP", std::nullopt},
        {"[Sti]\nIP=1\n[Options]\n", "Options", "IP", std::nullopt},
        // Line ends, a missing last line end, a byte order mark, damage.
        {"[Options]\r\nIP=10.0.0.1\r\n", "Options", "IP", "10.0.0.1"},
        {"[Options]\rIP=10.0.0.1\r", "Options", "IP", "10.0.0.1"},
        {"[Options]\nIP=10.0.0.1", "Options", "IP", "10.0.0.1"},
        {"\xEF\xBB\xBF[Options]\nIP=1\n", "Options", "IP", "1"},
        {"[Options\nIP=9\n", "Options", "IP", "9"},
        {"junk\n\xff\xfe\n=x\n[Options]\nIP=9\n", "Options", "IP", "9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniDocument(c.file).value(c.section, c.key), c.expected)
            << c.file << " [" << c.section << "] " << c.key;
    }
}

TEST(IniDocument, AWriteChangesOnlyItsEntrysLine) {
    struct Case {
        std::string before, section, key, value, after;
    };
    const Case cases[] = {
        {"; mine\n[Sti]\n# the game\nSti = /old ; x\n\n[Options]\nIP=1\n", "sti", "STI",
         "/games/Battlefield 1942; GOTY/BF1942.exe",
         "; mine\n[Sti]\n# the game\nSti = /games/Battlefield 1942; GOTY/BF1942.exe\n\n"
         "[Options]\nIP=1\n"},
        // A new entry follows the section's last entry; a comment before the next section
        // stays with that section.
        {"[Options]\nIP=1\nodd line\n\n; the game\n[Sti]\nSti=/x\n", "Options", "Port", "14567",
         "[Options]\nIP=1\nodd line\nPort=14567\n\n; the game\n[Sti]\nSti=/x\n"},
        {"[Options]\nIP=1", "Sti", "Sti", "/x", "[Options]\nIP=1\n\n[Sti]\nSti=/x\n"},
        {"[Options]\nIP=1", "Options", "Port", "2", "[Options]\nIP=1\nPort=2\n"},
        {"", "Options", "IP", "10.0.0.1", "[Options]\nIP=10.0.0.1\n"},
        {"[Options]\r\nIP=1\r\n", "Options", "Port", "2", "[Options]\r\nIP=1\r\nPort=2\r\n"},
        // Lines ending in a lone CR get LF ones: a CR would join the blank line after it.
        {"x\rp\n[Sti]\na=1\n\n[O]\n", "Sti", "Sti", "/x", "x\rp\n[Sti]\na=1\nSti=/x\n\n[O]\n"},
        // The entry that is read keeps its spelling; other spellings stay, hand-written lines.
        {"[OPTIONS]\nSAVEIP=yes\nport=1\n[options]\nPort=2\n", "Options", "Port", "3",
         "[OPTIONS]\nSAVEIP=yes\nport=3\n[options]\nPort=2\n"},
        {"[Options]\nAutoJoin=no\n# spelled as the old version did\nAUTOJOIN=no\n", "Options",
         "autojoin", "yes",
         "[Options]\nAutoJoin=yes\n# spelled as the old version did\nAUTOJOIN=no\n"},
        {"[Options]\r\nAutoJoin=no\r\n; x\r\nautojoin=yes\r\n[OPTIONS]\r\nAUTOJOIN=\r\n", "OPTIONS",
         "AutoJoin", "yes",
         "[Options]\r\nAutoJoin=yes\r\n; x\r\nautojoin=yes\r\n[OPTIONS]\r\nAUTOJOIN=\r\n"},
        {"[OPTIONS]\nSAVEIP=yes\n", "options", "saveip", "no", "[OPTIONS]\nSAVEIP=no\n"},
        {"[Options]\nBook=/M\xfcller\n# \xff\n", "Options", "IP", "1",
         "[Options]\nBook=/M\xfcller\nIP=1\n# \xff\n"},
        {"top=1\n[Options]\nIP=1\n", "", "x", "2", "top=1\nx=2\n[Options]\nIP=1\n"},
        {"# only\n", "", "x", "2", "# only\n\n[General]\nx=2\n"},
        {"", "General", "x", "2", "[%General]\nx=2\n"},
        {"", "Options", "a=b", "1", "[Options]\na%3Db=1\n"},
        // Values that would not read back as typed are quoted.
        {"", "O", "v", " sp", "[O]\nv=\" sp\"\n"},
        {"", "O", "v", "two\nlines\t", "[O]\nv=\"two\\nlines\\t\"\n"},
        {"", "O", "v", "\"q\" \\", "[O]\nv=\"\\\"q\\\" \\\\\"\n"},
        {"", "O", "v",
         "a\0"
         "1\x7f"s,
         "[O]\nv=\"a\\0\\x31\\x7f\"\n"},
        {"", "O", "v", "@at", "[O]\nv=@@at\n"},
        {"", "O", "v", "C:\\Games\\x;y #z", "[O]\nv=C:\\Games\\x;y #z\n"},
    };
    for (const Case& c : cases) {
        IniDocument document(c.before);
        document.set(c.section, c.key, c.value);
        EXPECT_EQ(document.text(), c.after) << c.before;
        EXPECT_EQ(IniDocument(document.text()).value(c.section, c.key), c.value) << c.before;
    }
}

TEST(IniDocument, TellsLinesItCannotRead) {
    struct Case {
        std::string file;
        std::vector<std::string> bad;
    };
    const Case cases[] = {
        {"; c\n\n[Options] # c\r\nIP=1\n  x = \n", {}},
        {"\xEF\xBB\xBF[Options]\n", {}},
        {"[Options]\nthis is no entry\nIP=1", {"this is no entry"}},
        {"[Options\n=x\n[Sti] y\n", {"[Options", "=x", "[Sti] y"}},
        {"[Options]\nBook=/M\xfcller\n", {"Book=/M\xfcller"}},
        {"a\0b\n"s, {"a\0b"s}},
    };
    for (const Case& c : cases) {
        const IniDocument document(c.file);
        EXPECT_EQ(document.badLines(), c.bad) << c.file;
        EXPECT_EQ(document.garbled(), !c.bad.empty());
        EXPECT_EQ(document.text(), c.file);
    }
}

}  // namespace
}  // namespace zerlin::test
