#include "platform/qt/form2_window.h"

#include <QCheckBox>
#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

#include "platform/qt/widgets.h"
#include "platform/qt/x11_taskbar.h"

namespace zerlin::qt {

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

struct Form2Window::Widgets {
    Widgets(Form2Surface& surface, SettingsBackend& settings, const TextBox& form1Text4)
        : window(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                              Qt::CustomizeWindowHint),
          text1(new QPlainTextEdit(&window)),
          check1(makeSwitch(&window, "Check1", 8)),
          check3(makeSwitch(&window, "Check3", 24)),
          check4(makeSwitch(&window, "Check4", 40)),
          check5(makeSwitch(&window, "Check5", 56)),
          Check1(*check1),
          Check3(*check3),
          Check4(*check4),
          Check5(*check5),
          Text1(*text1),
          form(Form2Controls{Check1, Check3, Check4, Check5, Text1}, surface, settings,
               form1Text4) {}
    Widgets(const Widgets&) = delete;
    Widgets& operator=(const Widgets&) = delete;

    QWidget window;
    QPlainTextEdit* text1;
    QCheckBox* check1;
    QCheckBox* check3;
    QCheckBox* check4;
    QCheckBox* check5;
    QtCheckBoxControl Check1, Check3, Check4, Check5;
    QtPlainTextBox Text1;
    Form2 form;
};

Form2Window::Form2Window(SettingsBackend& settings, const TextBox& form1Text4)
    : widgets_(std::make_unique<Widgets>(*this, settings, form1Text4)) {
    QWidget& window = widgets_->window;
    window.setObjectName(QStringLiteral("Form2"));
    window.setWindowTitle(toQString(Form2::caption));
    window.setFixedSize(312, 213);
    // No icon: a transparent one keeps the application's icon off the caption bar.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    window.setWindowIcon(QIcon(blank));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, background);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    QPlainTextEdit* text1 = widgets_->text1;
    text1->setObjectName(QStringLiteral("Text1"));
    // One pixel past the right edge and four past the bottom, as designed.
    text1->setGeometry(0, 136, 313, 81);
    QPalette creditsPalette = text1->palette();
    creditsPalette.setColor(QPalette::Base, background);
    creditsPalette.setColor(QPalette::Text, creditsText);
    text1->setPalette(creditsPalette);
    text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the switches instead of typing into the credits.
    text1->setTabChangesFocus(true);

    QWidget::setTabOrder(text1, widgets_->check1);
    QWidget::setTabOrder(widgets_->check1, widgets_->check3);
    QWidget::setTabOrder(widgets_->check3, widgets_->check4);
    QWidget::setTabOrder(widgets_->check4, widgets_->check5);

    // clicked, unlike toggled, fires only for the user's change (mouse or space bar), never
    // when the load sets a switch.
    Form2& form = widgets_->form;
    QObject::connect(widgets_->check1, &QCheckBox::clicked, [&form] { form.check1Click(); });
    QObject::connect(widgets_->check3, &QCheckBox::clicked, [&form] { form.check3Click(); });
    QObject::connect(widgets_->check4, &QCheckBox::clicked, [&form] { form.check4Click(); });
    QObject::connect(widgets_->check5, &QCheckBox::clicked, [&form] { form.check5Click(); });
}

Form2Window::~Form2Window() = default;

bool Form2Window::isOpen() const {
    return widgets_->window.isVisible();
}

void Form2Window::show() {
    QWidget& window = widgets_->window;
    // Told again at every show: a window manager may drop the state while the window is hidden.
    skipTaskbar(window);
    window.show();
    window.activateWindow();
    widgets_->text1->setFocus(Qt::OtherFocusReason);
}

void Form2Window::raise() {
    QWidget& window = widgets_->window;
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

QWidget& Form2Window::widget() {
    return widgets_->window;
}

Form2& Form2Window::form() {
    return widgets_->form;
}

OptionsWindowOpener::OptionsWindowOpener(SettingsBackend& settings, const TextBox& form1Text4)
    : settings_(settings), form1Text4_(form1Text4) {}

OptionsWindowOpener::~OptionsWindowOpener() = default;

void OptionsWindowOpener::open() {
    if (!window_) {
        window_ = std::make_unique<Form2Window>(settings_, form1Text4_);
    }
    window_->form().show();
}

}  // namespace zerlin::qt
