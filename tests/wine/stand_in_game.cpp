// Stands in for BF1942.exe in the real Wine test: a 32-bit Windows program that writes the
// arguments it was started with, exactly as its command line holds them past the program's
// name, to "args.txt" in its own folder, and where it ran from to "where.txt". Both files
// appear whole: each is written under another name and then renamed.
#include <windows.h>

#include <string>

namespace {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

// The command line past the program's name and the blanks after it, by the rules the C
// runtime uses for argv[0]: a quoted name ends at the next quote, any other at a blank.
std::wstring argumentsOf(const wchar_t* line) {
    const wchar_t* p = line;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') {
            ++p;
        }
        if (*p) {
            ++p;
        }
    } else {
        while (*p && *p != L' ' && *p != L'\t') {
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

bool writeWhole(const std::wstring& path, const std::string& bytes) {
    const std::wstring part = path + L".part";
    const HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok && MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int wmain() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length == 0) {
            return 1;
        }
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    const std::wstring folder = self.substr(0, self.find_last_of(L"\\/") + 1);

    std::wstring current(MAX_PATH, L'\0');
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));

    // where.txt first: args.txt is what the test waits for.
    const bool where = writeWhole(folder + L"where.txt", toUtf8(self + L"\n" + current + L"\n"));
    const bool args = writeWhole(folder + L"args.txt", toUtf8(argumentsOf(GetCommandLineW())));
    return where && args ? 0 : 1;
}
