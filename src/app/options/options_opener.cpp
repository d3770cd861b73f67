#include "app/options/options_opener.h"

#include <QCheckBox>
#include <QObject>

#include "app/options/form2_window.h"
#include "options/form2.h"
#include "platform/qt/widgets.h"

namespace zerlin::app {

// The options window's widgets, seen as the core's controls, and the behaviour they drive.
struct OptionsWindowOpener::Options {
    Options(SettingsBackend& settings, const TextBox& form1Text4)
        : window(Form2::caption),
          Check1(*window.Check1),
          Check3(*window.Check3),
          Check4(*window.Check4),
          Check5(*window.Check5),
          Text1(*window.Text1),
          form(Form2Controls{Check1, Check3, Check4, Check5, Text1}, window, settings, form1Text4) {
        // clicked, unlike toggled, fires only for the user's change (mouse or space bar),
        // never when the load sets a switch.
        QObject::connect(window.Check1, &QCheckBox::clicked, [this] { form.check1Click(); });
        QObject::connect(window.Check3, &QCheckBox::clicked, [this] { form.check3Click(); });
        QObject::connect(window.Check4, &QCheckBox::clicked, [this] { form.check4Click(); });
        QObject::connect(window.Check5, &QCheckBox::clicked, [this] { form.check5Click(); });
    }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() = default;

    Form2Window window;
    qt::QtCheckBoxControl Check1, Check3, Check4, Check5;
    qt::QtPlainTextBox Text1;
    Form2 form;
};

OptionsWindowOpener::OptionsWindowOpener(SettingsBackend& settings, const TextBox& form1Text4)
    : settings_(settings), form1Text4_(form1Text4) {}

OptionsWindowOpener::~OptionsWindowOpener() = default;

void OptionsWindowOpener::open() {
    if (!options_) {
        options_ = std::make_unique<Options>(settings_, form1Text4_);
    }
    options_->form.show();
}

Form2Window* OptionsWindowOpener::window() const {
    return options_ ? &options_->window : nullptr;
}

}  // namespace zerlin::app
