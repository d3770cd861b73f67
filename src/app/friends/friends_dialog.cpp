#include "app/friends/friends_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/qt/strings.h"

namespace zerlin::app {

FriendsDialog::FriendsDialog(const std::string& text, QWidget* parent)
    : QDialog(parent), Text1(new QPlainTextEdit(this)), Label2(new QLabel(this)) {
    setObjectName("Friends");
    setWindowTitle(QString("Friends"));
    auto* help = new QLabel(QString("One player a line. * stands for any characters and ? for one; "
                                    "letter case does not count. Lines starting with # are notes."),
                            this);
    help->setWordWrap(true);
    Text1->setObjectName("Text1");
    Text1->setAccessibleName(QString("Friends"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setTabChangesFocus(true);
    Label2->setObjectName("Label2");
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(help);
    layout->addWidget(Text1);
    layout->addWidget(Label2);
    layout->addWidget(buttons);
    resize(360, 320);
    QString lines = qt::toQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(lines);
}

std::string FriendsDialog::text() const {
    // A pasted line may bring its own line end: a line is a line, whatever ended it.
    QString text = Text1->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar(0x2028), QChar('\n'));
    text.replace(QChar(0x2029), QChar('\n'));
    return qt::toStdString(text);
}

}  // namespace zerlin::app
