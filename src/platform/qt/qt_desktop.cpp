#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QClipboard>

#include "platform/qt/strings.h"

namespace zerlin::qt {

void QtClipboard::setText(const std::string& text) {
    QGuiApplication::clipboard()->setText(toQString(text));
}

bool QtModalState::modalDialogOpen() const {
    return QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

}  // namespace zerlin::qt
