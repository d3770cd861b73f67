#pragma once

#include <string>

#include "platform/result.h"

// The friends file: `friends.txt` beside the settings file, UTF-8 text that people may edit,
// one pattern a line (see FriendPatterns).
namespace zerlin::friends {

// The friends file in the folder of the settings file at settingsPath; the empty text when
// that path is empty (no folder for the user's files is known).
std::string friendsFilePath(const std::string& settingsPath);

// The file's text in UTF-8, every line as it is: the empty text when there is no file. Bytes
// that are not UTF-8 are read in the platform's code page, as bookmark files are, so that a
// file saved by an editor that does not write UTF-8 still reads as typed. A file that exists
// but cannot be read, or is larger than anyone would type, fails.
Result<std::string> readFriendsFile(const std::string& path);

// Writes the text whole, in UTF-8, replacing the file in one step: a failure leaves the old
// file as it was. The folder is made where it is missing. The last line gets its line end.
Status writeFriendsFile(const std::string& path, std::string text);

}  // namespace zerlin::friends
