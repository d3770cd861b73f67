#include "bookmarks/module2.h"
#include "mainwindow/command_line.h"
#include "mainwindow/form1.h"
#include "settings/settings.h"
#include "text/utf8.h"

namespace zerlin {

// Restores the game path and the last server, reacts to the command-line argument (a bookmark
// file or a "zerlin:" link), then opens the bookmark file chosen to open at every start. The
// settings are read here and nowhere kept: later commands read them afresh.
void Form1::startUp(const std::vector<std::string>& arguments) {
    if (const std::string gamePath = read(settings_, keys::gamePathRead); !gamePath.empty()) {
        Text1.setText(gamePath);
    }
    Text3.setText("14567");
    if (flag(settings_, keys::saveIp)) {
        if (const std::string ip = read(settings_, keys::ip); !ip.empty()) {
            Text2.setText(ip);
        }
        if (const std::string port = read(settings_, keys::portRead); !port.empty()) {
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
                Text2.setText(utf8::replaceIllFormed(*fields.ip));
                if (fields.port) {
                    Text3.setText(utf8::replaceIllFormed(*fields.port));
                }
                if (flag(settings_, keys::autoJoin)) {
                    join();  // as a click would; with "Close" on the program ends here
                }
            }
        }
    }

    // When it loads, its rows replace those of a file named on the command line.
    if (const std::string book = read(settings_, keys::book); !book.empty()) {
        LoadBookmarkFile(book, List1);
    }
}

}  // namespace zerlin
