#include "platform/qt/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QValidator>
#include <QVariant>
#include <QWidget>

namespace zerlin::qt {

namespace {
// The stored caption lives on the label itself, so that every adapter of one label agrees.
constexpr const char* captionProperty = "zerlinCaption";
}  // namespace

QString shownCaption(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        shown += caption[i];
        if (caption[i] == u'&' && i + 1 < caption.size() && caption[i + 1] == u'&') {
            ++i;
        }
    }
    return shown;
}

std::string QtLineEditBox::text() const {
    return toStdString(edit_.text());
}

void QtLineEditBox::setText(const std::string& text) {
    // A validator limits what the user types; it must not cut what the program puts there.
    const QValidator* validator = edit_.validator();
    edit_.setValidator(nullptr);
    edit_.setText(toQString(text));
    edit_.setValidator(validator);
}

std::string QtLabelBox::text() const {
    return toStdString(caption(label_));
}

void QtLabelBox::setText(const std::string& text) {
    setCaption(label_, toQString(text));
}

void QtLabelBox::setCaption(QLabel& label, const QString& caption) {
    label.setProperty(captionProperty, caption);
    label.setText(shownCaption(caption));
    label.setAccessibleName(shownCaption(caption));
}

QString QtLabelBox::caption(const QLabel& label) {
    const QVariant stored = label.property(captionProperty);
    return stored.isValid() ? stored.toString() : label.text();
}

int QtListBox::count() const {
    return list_.count();
}

std::string QtListBox::row(int index) const {
    const QListWidgetItem* item = list_.item(index);
    return item ? toStdString(item->text()) : std::string();
}

void QtListBox::append(const std::string& text) {
    list_.addItem(toQString(text));
}

void QtListBox::removeAt(int index) {
    if (index >= 0 && index < list_.count()) {
        delete list_.takeItem(index);
    }
}

void QtListBox::clear() {
    list_.clear();
}

std::optional<int> QtListBox::selected() const {
    const QList<QListWidgetItem*> items = list_.selectedItems();
    if (items.isEmpty()) {
        return std::nullopt;
    }
    return list_.row(items.first());
}

void QtListBox::clearSelection() {
    list_.clearSelection();
}

bool QtCheckBoxControl::checked() const {
    return box_.isChecked();
}

// QAbstractButton::setChecked emits toggled, never clicked, so no switch action runs.
void QtCheckBoxControl::setChecked(bool checked) {
    box_.setChecked(checked);
}

// A button's text already shows "&&" as "&".
std::string QtCheckBoxControl::caption() const {
    return toStdString(box_.text());
}

void QtCheckBoxControl::setCaption(const std::string& caption) {
    box_.setText(toQString(caption));
}

std::string QtPlainTextBox::text() const {
    return toStdString(edit_.toPlainText());
}

void QtPlainTextBox::setText(const std::string& text) {
    edit_.setPlainText(toQString(text));
}

void QtWindowCaption::setCaption(const std::string& caption) {
    window_.setWindowTitle(toQString(caption));
}

}  // namespace zerlin::qt
