#pragma once

#include <string>
#include <string_view>

// Comparing texts without regard to letter case.
namespace zerlin::text {

// The character's simple case folding (one character for one, as Unicode's CaseFolding.txt
// gives with status C and S) for Latin, Greek and Cyrillic letters and the Ohm, Kelvin and
// Angstrom signs; any other character is returned as it is. Full foldings that would turn
// one character into several (ß to "ss") are left out, so that a fold never changes how
// many characters a text has and `?` in a pattern keeps meaning one character.
char32_t foldCase(char32_t c);

// The UTF-8 text with every character folded; bytes that are not well-formed UTF-8 are kept
// as they are.
std::string foldCase(std::string_view text);

}  // namespace zerlin::text
