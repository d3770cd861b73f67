#include "app/friends/friends_editor.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "app/friends/friends_dialog.h"
#include "friends/friend_patterns.h"
#include "friends/friends_file.h"
#include "platform/dialogs.h"

namespace zerlin::app {

bool editFriendsFile(QWidget* parent, const std::string& path, MessageBox& messages) {
    const Result<std::string> text = friends::readFriendsFile(path);
    if (!text) {
        messages.show("The friends list couldn't be read!\n" + text.error());
        return false;
    }
    FriendsDialog dialog(text.value(), parent);
    // The whole text is kept and written; only the first names are matched.
    const auto tellUnused = [&dialog] {
        const bool unused = friends::FriendPatterns::countPatterns(dialog.text()) >
                            friends::FriendPatterns::kMaxPatterns;
        dialog.Label2->setText(unused ? QString("Only the first 1,000 names are used.")
                                      : QString());
        dialog.Label2->setVisible(unused);
    };
    tellUnused();
    QObject::connect(dialog.Text1, &QPlainTextEdit::textChanged, &dialog, tellUnused);
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
