#include "app/app.h"

#include "app/main/form1_wiring.h"
#include "app/settings_store.h"
#include "platform/qt/strings.h"
#include "settings/settings.h"
#ifndef _WIN32
#include "settings/ini_file_settings.h"
#include "wine/wine_choice.h"
#endif

namespace zerlin::app {

App::App()
    : settings_(openSettings(applicationName())),
      controls_(window_),
      messages_(&window_),
      reportedSettings_(*settings_, messages_),
      input_(&window_),
      fileDialog_(&window_),
      options_(reportedSettings_, controls_.Text4),
      form_(controls_.controls(), Form1Services{reportedSettings_, fileDialog_, messages_, input_,
                                                launcher_, program_, options_}),
      statusNetwork_(qEnvironmentVariableIsSet("ZERLIN_STATUS_LOOPBACK_ONLY")),
      status_(window_, controls_.List1, statusNetwork_.service()),
      waiting_(window_, form_, notifier_, clipboard_, modal_, statusNetwork_.service()),
      servers_(window_, form_, reportedSettings_, waiting_, clipboard_, statusNetwork_.service(),
               notifier_, messages_, friendsFile(applicationName())) {
#ifndef _WIN32
    // The wine named by hand; the game runs under Wine only here.
    launcher_.setCommand(
        wine::wineCommand({[this] { return read(*settings_, keys::winePath); },
                           IniFileSettings::filePath(qt::toStdString(applicationName()))}));
#endif
    wireForm1(window_, form_);
    status_.setFriends([this] { return &servers_.friends().friends(); });
    // What a server's own answer says of its mod, for a join of it.
    statusNetwork_.service().setAnswerHandler(
        [this](const status::ServerKey& server, const status::Answer& answer) {
            form_.serverMods().heard(server.host, server.port, answer.status.mod());
        });
    status_.setMods([this] { return &form_.installedMods().forGamePath(form_.Text1.text()); });
}

void App::run(const std::vector<std::string>& arguments) {
    form_.load(arguments);
    window_.showCentred();
    // The servers are asked once the window is on screen.
    status_.startSoon();
}

}  // namespace zerlin::app
