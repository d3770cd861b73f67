#include "text/utf16.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zerlin::text {

static_assert(kUtf8CodePage == CP_UTF8);

std::wstring toUtf16(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (count <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, out.data(), count);
    return out;
}

namespace {

// usedDefault must be null for UTF-8, which takes no flags either.
std::optional<std::string> narrow(std::wstring_view text, UINT codePage, DWORD flags,
                                  BOOL* usedDefault) {
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int count =
        WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefault);
    if (count <= 0) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), count, nullptr,
                        usedDefault);
    return out;
}

}  // namespace

unsigned ansiCodePage() {
    return GetACP();
}

std::string toUtf8(std::wstring_view text) {
    return narrow(text, CP_UTF8, 0, nullptr).value_or(std::string());
}

std::optional<std::string> utf16ToCodePage(std::wstring_view text, unsigned codePage) {
    BOOL usedDefault = FALSE;
    std::optional<std::string> bytes = narrow(text, codePage, WC_NO_BEST_FIT_CHARS, &usedDefault);
    if (usedDefault) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace zerlin::text
