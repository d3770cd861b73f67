#pragma once

#include <string>

class QWidget;

namespace zerlin {
class MessageBox;
}

namespace zerlin::app {

// Opens the friends editor on the friends file at path and, after OK, writes the file whole.
// A file that cannot be read is not offered for editing (saving would lose it); one that cannot
// be written is told, and the editor stays open with the text. Whether the file was written.
bool editFriendsFile(QWidget* parent, const std::string& path, MessageBox& messages);

}  // namespace zerlin::app
