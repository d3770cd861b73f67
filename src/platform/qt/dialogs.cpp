#include "platform/qt/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "platform/file_filter.h"
#include "platform/qt/widgets.h"

namespace zerlin::qt {

QString applicationTitle() {
    return QStringLiteral("Zerlin");
}

void QtMessageBox::show(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), toQString(text), QMessageBox::Ok,
                    parent_);
    // A message may quote what a server sent: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::string QtTextInput::ask(const std::string& prompt) {
    return askOffering(prompt, {});
}

std::string QtTextInput::askOffering(const std::string& prompt, const std::string& offered) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(applicationTitle());
    dialog.setLabelText(toQString(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(toQString(offered));
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return toStdString(dialog.textValue());
}

QStringList nameFiltersFor(const std::string& filter) {
    // Qt's own dialog filters without regard to case, but a desktop's native dialog (GTK's)
    // matches patterns exactly: folded patterns find "BF1942.exe" in every dialog.
#ifdef Q_OS_WIN
    constexpr bool foldCase = false;
#else
    constexpr bool foldCase = true;
#endif
    QStringList filters;
    for (const FilterEntry& entry : parseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.patterns) {
            patterns << toQString(foldCase ? caseInsensitivePattern(pattern) : pattern);
        }
        // The patterns in parentheses are what the dialog filters by; they are hidden from
        // the user, who sees the description as the filter text gives it.
        filters << toQString(entry.description) + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

bool QtFileDialog::show(FileDialogState& state, FileDialogMode mode) {
    QFileDialog dialog(parent_);
    // An empty title leaves the dialog's usual one for opening or saving.
    if (!state.title.empty()) {
        dialog.setWindowTitle(toQString(state.title));
    }
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const bool saving = mode == FileDialogMode::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = nameFiltersFor(state.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    if (!state.fileName.empty()) {
        dialog.selectFile(QDir::fromNativeSeparators(toQString(state.fileName)));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    state.fileName = toStdString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
    return true;
}

}  // namespace zerlin::qt
