#pragma once

// What the fuzz targets share: cutting an input into fields, failing loudly, a private folder.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerlin::fuzz {

// Stops the run with the reason: libFuzzer then keeps the input as a crash.
#define ZERLIN_FUZZ_REQUIRE(condition)                                                            \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

// The input cut at every separator byte into at most maxFields fields; the last field keeps
// the rest, separators included. Missing fields are empty.
inline std::vector<std::string> fields(const std::uint8_t* data, std::size_t size, char separator,
                                       std::size_t maxFields) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == separator && out.size() < maxFields) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    out.resize(maxFields);
    return out;
}

// A fresh folder of this process under the temporary folder, without a final "/"; it goes
// when the run ends normally.
inline std::string makePrivateFolder(const char* purpose) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base == '/' ? base : "/tmp") +
                          "/zerlin-fuzz-" + purpose + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    static std::string made;
    made = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    });
    return pattern;
}

inline std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ZERLIN_FUZZ_REQUIRE(out.good());
}

// The properties of a launch script that a join wrote for this IP and port: the game's line
// and "exit", each ended by CR LF; the IP and port only in the game's line, and nothing in the
// script that the command interpreter would take as more than the game's arguments.
inline void requireSafeScript(const std::string& script, const std::string& ip,
                              const std::string& port) {
    const std::string head = "BF1942.exe +restart 1 +joinServer ";
    const std::string tail = " +isInternet 1\r\nexit\r\n";
    ZERLIN_FUZZ_REQUIRE(script.size() >= head.size() + tail.size());
    ZERLIN_FUZZ_REQUIRE(script.compare(0, head.size(), head) == 0);
    ZERLIN_FUZZ_REQUIRE(script.compare(script.size() - tail.size(), tail.size(), tail) == 0);
    const std::string server =
        script.substr(head.size(), script.size() - head.size() - tail.size());
    ZERLIN_FUZZ_REQUIRE(server == ip + ":" + port);
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const auto c = static_cast<unsigned char>(script[i]);
        if (c == '\n') {
            ZERLIN_FUZZ_REQUIRE(i > 0 && script[i - 1] == '\r');
            ++lineEnds;
        } else if (c == '\r') {
            ZERLIN_FUZZ_REQUIRE(i + 1 < script.size() && script[i + 1] == '\n');
        } else {
            // Printable ASCII without the interpreter's special characters.
            ZERLIN_FUZZ_REQUIRE(c >= 0x20 && c < 0x7F);
            ZERLIN_FUZZ_REQUIRE(
                std::string_view("&|<>^%\"!()`;,=@$'\\*?~{}").find(static_cast<char>(c)) ==
                std::string_view::npos);
        }
    }
    ZERLIN_FUZZ_REQUIRE(lineEnds == 2);
}

}  // namespace zerlin::fuzz
