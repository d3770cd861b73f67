#include "app/friends_editor.h"

#include "friends/friends_file.h"
#include "platform/dialogs.h"
#include "platform/qt/friends_dialog.h"

namespace zerlin::app {

bool editFriendsFile(QWidget* parent, const std::string& path, MessageBox& messages) {
    const Result<std::string> text = friends::readFriendsFile(path);
    if (!text) {
        messages.show("The friends list couldn't be read!\n" + text.error());
        return false;
    }
    qt::FriendsDialog dialog(text.value(), parent);
    while (dialog.exec() == QDialog::Accepted) {
        const Status written = friends::writeFriendsFile(path, dialog.text());
        if (written) {
            return true;
        }
        messages.show("The friends list couldn't be saved!\n" + written.error());
    }
    return false;
}

}  // namespace zerlin::app
