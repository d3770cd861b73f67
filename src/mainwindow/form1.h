#pragma once

#include <string>
#include <vector>

#include "mods/installed_mods.h"
#include "mods/server_mods.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/settings_backend.h"
#include "platform/system.h"

namespace zerlin {

// Shows the options window: created once, shown not modal, loaded afresh after it was closed.
class OptionsOpener {
  public:
    virtual ~OptionsOpener() = default;
    virtual void open() = 0;
};

// Told of each join that started the game: the IP and port as the boxes held them.
class JoinRecorder {
  public:
    virtual ~JoinRecorder() = default;
    virtual void joined(const std::string& ip, const std::string& port) = 0;
};

struct Form1Controls {
    Window& window;
    TextBox& Label1;  // the title
    TextBox& Text1;   // game path
    TextBox& Text2;   // server IP
    TextBox& Text3;   // server port
    TextBox& Text4;   // current bookmark file, never shown
    ListBox& List1;   // bookmarks
    Timer& Timer1;    // clean-up of the launch script
};

struct Form1Services {
    SettingsBackend& settings;
    FileDialog& fileDialog;
    MessageBox& messages;
    TextInput& input;
    Launcher& launcher;
    Program& program;
    OptionsOpener& options;
};

// The main window: it owns the shared state, and each user command is one of its handlers.
class Form1 {
  public:
    Form1(const Form1Controls& controls, const Form1Services& services);

    // The window's load: the title, then start-up with the command-line arguments (without
    // the program name). Start-up may end the program.
    void load(const std::vector<std::string>& arguments);

    void browse();
    void join();
    void tick();

    void add();
    void remove();
    void pick();
    // Puts a row's IP and port into the boxes, as picking the row does.
    void pickRow(const std::string& row);
    // Asks for a name as ADD does, offering one, and adds the server as a bookmark.
    void addServer(const std::string& ip, const std::string& port, const std::string& offeredName);

    void save();
    void open();

    void options();
    [[noreturn]] void quit();

    // Who is told of the joins that started the game; none by default.
    void setJoinRecorder(JoinRecorder* recorder) { joinRecorder_ = recorder; }
    // Which mod each server runs, as the list and the status answers last said: a join passes
    // the boxes' server's mod to the game.
    mods::ServerMods& serverMods() { return serverMods_; }
    // The mods installed beside the game path's BF1942.exe.
    mods::InstalledMods& installedMods() { return installedMods_; }

    Window& window;
    TextBox& Label1;
    TextBox& Text1;
    TextBox& Text2;
    TextBox& Text3;
    TextBox& Text4;
    ListBox& List1;
    Timer& Timer1;
    FileDialogState CommonDialog1;

  private:
    void startUp(const std::vector<std::string>& arguments);

    SettingsBackend& settings_;
    FileDialog& fileDialog_;
    MessageBox& messages_;
    TextInput& input_;
    Launcher& launcher_;
    Program& program_;
    OptionsOpener& options_;
    JoinRecorder* joinRecorder_ = nullptr;
    mods::ServerMods serverMods_;
    mods::InstalledMods installedMods_;
};

}  // namespace zerlin
