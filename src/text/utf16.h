#pragma once

// UTF-16, the text of Windows' wide functions, and Windows' code pages through it. Windows only
// (utf16_windows.cpp), so that no other file needs <windows.h> for a conversion.
#ifdef _WIN32

#include <optional>
#include <string>
#include <string_view>

namespace zerlin::text {

inline constexpr unsigned kUtf8CodePage = 65001;  // CP_UTF8

// The system's ANSI code page, the one 8-bit programs write their files in.
unsigned ansiCodePage();

// Bytes that are not well-formed become U+FFFD; the empty text where Windows converts nothing.
std::wstring toUtf16(std::string_view bytes, unsigned codePage = kUtf8CodePage);

// A lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view text);
// Nothing where a character has no byte of its own in the code page (Windows would put a
// default character or a look-alike in its place), or the code page takes no such conversion.
std::optional<std::string> utf16ToCodePage(std::wstring_view text, unsigned codePage);

}  // namespace zerlin::text

#endif
