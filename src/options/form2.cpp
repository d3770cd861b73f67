#include "options/form2.h"

#include "settings/settings.h"

namespace zerlin {

const std::string Form2::credits =
    "Designed by the Zerlin developers - write to zerlin-developers@example.org\r\n"
    "Greetings to the whole Zerlin team, who made this program too!";

Form2::Form2(const Form2Controls& controls, ToolWindow& surface, SettingsBackend& settings,
             const TextBox& form1Text4)
    : Check1(controls.Check1),
      Check3(controls.Check3),
      Check4(controls.Check4),
      Check5(controls.Check5),
      Text1(controls.Text1),
      surface_(surface),
      settings_(settings),
      form1Text4_(form1Text4) {
    unload();
}

void Form2::show() {
    if (surface_.isOpen()) {
        surface_.raise();
        return;
    }
    // Loading starts from the controls at creation, so the caption suffix is added only once.
    unload();
    load();
    surface_.show();
}

void Form2::unload() {
    Check1.setChecked(false);
    Check3.setChecked(false);
    Check4.setChecked(false);
    Check5.setChecked(false);
    Check1.setCaption(check1Caption);
    Check3.setCaption(check3Caption);
    Check4.setCaption(check4Caption);
    Check5.setCaption(check5Caption);
    Text1.setText("");
}

void Form2::load() {
    Text1.setText(credits);
    Check4.setChecked(flag(settings_, keys::close));
    Check3.setChecked(flag(settings_, keys::saveIp));
    Check1.setChecked(flag(settings_, keys::autoJoin));
    Check5.setCaption(Check5.caption() + " (" + read(settings_, keys::book) + ")");
    // "No bookmark selected" is what the main window holds before any Open: no file to open.
    const std::string book = read(settings_, keys::book);
    Check5.setChecked(book != "No bookmark selected" && !book.empty());
}

void Form2::writeFlag(SettingKey name, const CheckBox& box) {
    write(settings_, name, box.checked() ? "yes" : "no");
}

void Form2::check1Click() {
    writeFlag(keys::autoJoin, Check1);
}

void Form2::check3Click() {
    writeFlag(keys::saveIp, Check3);
}

void Form2::check4Click() {
    writeFlag(keys::close, Check4);
}

void Form2::check5Click() {
    write(settings_, keys::book, Check5.checked() ? form1Text4_.text() : "");
}

}  // namespace zerlin
