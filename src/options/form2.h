#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/settings_backend.h"
#include "settings/settings.h"

namespace zerlin {

struct Form2Controls {
    CheckBox& Check1;  // "AutoJoin"
    CheckBox& Check3;  // "SaveIP"
    CheckBox& Check4;  // "Close"
    CheckBox& Check5;  // "Book"
    TextBox& Text1;    // the credits
};

// The options window: four switches that write their flags the moment the user changes
// them, and the credits text.
class Form2 {
  public:
    static constexpr const char* caption = "Options";
    static constexpr const char* check1Caption = "Lauch BF1942 directly after a click on a IE link";
    static constexpr const char* check3Caption = "Save IP && port from server last visited";
    static constexpr const char* check4Caption = "Close Zerlin after a join click";
    static constexpr const char* check5Caption = "Auto open bookmarks";
    static const std::string credits;

    // Puts every control in its state at creation. form1Text4 is the main window's current
    // bookmark file.
    Form2(const Form2Controls& controls, ToolWindow& surface, SettingsBackend& settings,
          const TextBox& form1Text4);

    // The options button's action: a closed window is loaded afresh and shown; an open one is
    // only brought to the front.
    void show();

    // Returns every control to its state at creation, as closing the window does.
    void unload();

    void load();

    void check1Click();
    void check3Click();
    void check4Click();
    void check5Click();

    CheckBox& Check1;
    CheckBox& Check3;
    CheckBox& Check4;
    CheckBox& Check5;
    TextBox& Text1;

  private:
    void writeFlag(SettingKey name, const CheckBox& box);

    ToolWindow& surface_;
    SettingsBackend& settings_;
    const TextBox& form1Text4_;
};

}  // namespace zerlin
