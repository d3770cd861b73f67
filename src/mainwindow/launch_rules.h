#pragma once

#include <cstddef>
#include <string>

#include "platform/result.h"

// The pure rules of the game launch: what a join accepts, what the script says and which folder
// it goes to. Paths are UTF-8 texts.
namespace zerlin::launch {

// How paths are spelled: with a drive letter and backslashes, or rooted at "/".
enum class PathStyle { Windows, Posix };

constexpr PathStyle nativePathStyle() {
#ifdef _WIN32
    return PathStyle::Windows;
#else
    return PathStyle::Posix;
#endif
}

// The game path names a file by a full path: on Windows its 2nd and 3rd characters are ":\"
// (the first is not examined), elsewhere it begins with "/".
bool gamePathLooksRight(const std::string& gamePath, PathStyle style);

// The IP and port go into a command script unchanged, so they may hold only ASCII letters,
// digits, spaces and ". - _ / : [ ]": anything else could run a command of its own. Nor may
// they be longer than maxServerTextLength (the longest host name, 253, fits): the interpreter
// cuts a script line of more than 8191 characters and runs the rest as a command of its own.
inline constexpr std::size_t maxServerTextLength = 255;
bool isAllowedServerText(const std::string& text);

// The launch script's exact bytes: the game's command line and "exit", each ended by CR LF. A
// mod's folder, when given, is passed with "+game" (an installed folder's name, which holds
// only characters that the script reads as they are).
std::string scriptBytes(const std::string& ip, const std::string& port,
                        const std::string& modFolder = {});

// Under Wine (PathStyle::Posix) the game's folder must have a name Windows allows in each of
// its parts: none of < > : " | ? * \ or a control character, and no trailing dot or space.
// Fails, saying why one part fails and naming the folder up to that part. A Windows path is
// not examined: Windows itself keeps such names out.
Status checkFolderName(const std::string& folder, PathStyle style);

// The folder that holds the game executable, with its final separator; the empty text when the
// path has no folder part.
std::string gameFolder(const std::string& gamePath, PathStyle style);

}  // namespace zerlin::launch
