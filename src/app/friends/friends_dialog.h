#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace zerlin::app {

// The friends editor: the friends file's text, one name or pattern a line, edited as plain
// text so that notes and blank lines stay where the user put them.
class FriendsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit FriendsDialog(const std::string& text, QWidget* parent = nullptr);

    // The text with its lines ended by "\n" alone.
    std::string text() const;

    QPlainTextEdit* Text1;
    QLabel* Label2;  // a note below the text, hidden until one is set
};

}  // namespace zerlin::app
