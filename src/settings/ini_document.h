#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zerlin {

// A settings file's text: `[section]` lines and `key=value` lines, kept byte for byte. Only
// the lines that a change concerns are rewritten; comments, blank lines, lines that are no
// entry and bytes that are not UTF-8 stay as they are.
//
// Reading: spaces and tabs around names and values are trimmed; `;` and `#` start a comment
// only at the start of a line. A value is taken whole as typed, except a value wholly in
// double quotes, which is read with the backslash escapes of files written by earlier versions
// (`\\`, `\"`, `\n`, `\t`, `\xHH`...), and a value starting with `@`, from those versions too
// (`@@` stands for one `@`). Section and key names match without regard to the case of their
// ASCII letters (the program's own names are all ASCII); other characters match exactly. The
// first matching entry of the first matching sections counts. Entries before any section line
// and those under `[General]` have the section "".
class IniDocument {
  public:
    explicit IniDocument(std::string_view bytes = {});

    // The entry's value, or nothing when the document has no such entry.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Gives the entry this value: the line of the first matching entry (the one read) is
    // rewritten under its spelling, and other entries of the same name stay as they are; a new
    // entry goes after the last entry of the first matching section, or into a new section at
    // the end. An empty key is ignored.
    void set(std::string_view section, std::string_view key, std::string_view value);

    // The document's bytes.
    std::string text() const;

    // Whether the text holds lines that are no section, entry, comment or blank line, or bytes
    // that are not UTF-8: a reader of the file may want to keep a copy of it as it was.
    bool garbled() const { return !badLines().empty(); }
    // Those lines, each without its line end.
    std::vector<std::string> badLines() const;

  private:
    enum class Kind { blank, comment, section, entry, bad };
    struct Line {
        std::string text;  // without the line end
        std::string end;   // "\n", "\r\n", "\r" or "" (the last line without one)
        Kind kind = Kind::blank;
        bool bad = false;  // unreadable, though it may still count as a section's line
        bool utf8 = true;
        std::string name;         // a section's or entry's name, decoded and case-folded
        std::size_t valueAt = 0;  // an entry's value starts here (after `=` and blanks)
        int section = -1;         // the index of the section line it falls under, or -1
    };

    static void classify(Line& line, bool first);
    std::vector<std::size_t> entries(const std::string& foldedSection,
                                     const std::string& foldedKey) const;
    std::optional<std::size_t> placeForNew(const std::string& foldedSection) const;
    void index();
    bool inSection(const Line& line, const std::string& foldedSection) const;
    std::string lineEnd() const;

    std::vector<Line> lines_;
};

// How a value is written: as it is where it reads back whole, else in double quotes with
// backslash escapes, which earlier versions read the same way.
std::string encodeIniValue(std::string_view value);
// A value's text as written in the file (trimmed), as the program reads it.
std::string decodeIniValue(std::string_view written);

}  // namespace zerlin
