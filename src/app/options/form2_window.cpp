#include "app/options/form2_window.h"

#include <QCheckBox>
#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

#include "platform/qt/strings.h"
#include "platform/qt/x11_taskbar.h"

namespace zerlin::app {

namespace {

const QColor background(42, 43, 37);
const QColor switchText(255, 255, 255);
const QColor creditsText(192, 192, 192);

QCheckBox* makeSwitch(QWidget* parent, const char* name, int y) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(8, y, 297, 17);
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, switchText);
    palette.setColor(QPalette::ButtonText, switchText);
    box->setPalette(palette);
    return box;
}

}  // namespace

Form2Window::Form2Window(const std::string& caption)
    : window_(std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint |
                                                     Qt::CustomizeWindowHint)) {
    QWidget& window = *window_;
    window.setObjectName(QStringLiteral("Form2"));
    window.setWindowTitle(qt::toQString(caption));
    window.setFixedSize(312, 213);
    // No icon: a transparent one keeps the application's icon off the caption bar.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    window.setWindowIcon(QIcon(blank));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, background);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    Text1 = new QPlainTextEdit(&window);
    Check1 = makeSwitch(&window, "Check1", 8);
    Check3 = makeSwitch(&window, "Check3", 24);
    Check4 = makeSwitch(&window, "Check4", 40);
    Check5 = makeSwitch(&window, "Check5", 56);

    Text1->setObjectName(QStringLiteral("Text1"));
    // One pixel past the right edge and four past the bottom, as designed.
    Text1->setGeometry(0, 136, 313, 81);
    QPalette creditsPalette = Text1->palette();
    creditsPalette.setColor(QPalette::Base, background);
    creditsPalette.setColor(QPalette::Text, creditsText);
    Text1->setPalette(creditsPalette);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the switches instead of typing into the credits.
    Text1->setTabChangesFocus(true);

    QWidget::setTabOrder(Text1, Check1);
    QWidget::setTabOrder(Check1, Check3);
    QWidget::setTabOrder(Check3, Check4);
    QWidget::setTabOrder(Check4, Check5);
}

Form2Window::~Form2Window() = default;

bool Form2Window::isOpen() const {
    return window_->isVisible();
}

void Form2Window::show() {
    QWidget& window = *window_;
    // Told again at every show: a window manager may drop the state while the window is hidden.
    qt::skipTaskbar(window);
    window.show();
    window.activateWindow();
    Text1->setFocus(Qt::OtherFocusReason);
}

void Form2Window::raise() {
    QWidget& window = *window_;
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

QWidget& Form2Window::widget() {
    return *window_;
}

}  // namespace zerlin::app
