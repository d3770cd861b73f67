#include "bookmarks/module2.h"
#include "mainwindow/command_line.h"
#include "mainwindow/form1.h"
#include "settings/settings.h"

namespace zerlin {

// Restores the game path and the last server, reacts to the command-line argument (a bookmark
// file or a "zerlin:" link), then opens the bookmark file chosen to open at every start. The
// settings are read here and nowhere kept: later commands read them afresh.
void Form1::startUp(const std::vector<std::string>& arguments) {
    if (const std::string gamePath = settings_.read("sti", "sti"); !gamePath.empty()) {
        Text1.setText(gamePath);
    }
    Text3.setText("14567");
    if (flag(settings_, "Options", "SaveIP")) {
        if (const std::string ip = settings_.read("Options", "IP"); !ip.empty()) {
            Text2.setText(ip);
        }
        if (const std::string port = settings_.read("Options", "Port"); !port.empty()) {
            Text3.setText(port);
        }
    }

    if (!arguments.empty()) {
        const std::string argument = command_line::argumentText(arguments);
        if (command_line::isBookmarkFile(argument)) {
            // A file that does not load leaves the list as it was; start-up shows nothing.
            LoadBookmarkFile(argument, List1);
        } else if (command_line::isLink(argument)) {
            // A bare "zerlin" names no server: nothing to show and nothing to join.
            const command_line::LinkFields fields = command_line::linkFields(argument);
            if (fields.ip) {
                Text2.setText(command_line::validUtf8(*fields.ip));
                if (fields.port) {
                    Text3.setText(command_line::validUtf8(*fields.port));
                }
                if (flag(settings_, "Options", "AutoJoin")) {
                    join();  // as a click would; with "Close" on the program ends here
                }
            }
        }
    }

    // When it loads, its rows replace those of a file named on the command line.
    if (const std::string book = settings_.read("Options", "Book"); !book.empty()) {
        LoadBookmarkFile(book, List1);
    }
}

}  // namespace zerlin
