#include "bookmarks/bookmark_entry.h"
#include "mainwindow/form1.h"

namespace zerlin {

void Form1::add() {
    // The same checks, in the same order, as the join: a box of spaces is not empty.
    if (Text2.text().empty()) {
        messages_.show("You have to write an IP!");
        return;
    }
    if (Text3.text().empty()) {
        messages_.show("No valid port entered");
        return;
    }
    const std::string name = input_.ask("The name of the server?");
    // Cancel and an empty OK look the same: both add nothing, silently.
    if (name.empty()) {
        return;
    }
    List1.append(makeBookmarkEntry(name, Text2.text(), Text3.text()));
}

void Form1::addServer(const std::string& ip, const std::string& port,
                      const std::string& offeredName) {
    const std::string name = input_.askOffering("The name of the server?", offeredName);
    if (name.empty()) {
        return;
    }
    List1.append(makeBookmarkEntry(name, ip, port));
}

void Form1::remove() {
    const std::optional<int> row = List1.selected();
    if (!row) {
        return;
    }
    List1.removeAt(*row);
    // A list that moves the selection on to the next row would let a second DELETE remove
    // that row too, unseen.
    List1.clearSelection();
}

void Form1::pick() {
    const std::optional<int> selected = List1.selected();
    pickRow(selected ? List1.row(*selected) : "");
}

void Form1::pickRow(const std::string& row) {
    const BookmarkAddress address = readBookmarkEntry(row);
    Text3.setText(address.port);
    if (address.ip) {
        Text2.setText(*address.ip);
    }
}

}  // namespace zerlin
