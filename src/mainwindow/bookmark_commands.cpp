#include "bookmarks/bookmark_entry.h"
#include "bookmarks/module2.h"
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

void Form1::save() {
    // The title stays as the last command left it: after an Open it reads "Open bookmark
    // file", after a Browse "BF1942.exe path".
    CommonDialog1.filter = kBookmarkFilter;
    if (!fileDialog_.show(CommonDialog1, FileDialogMode::Save)) {
        return;
    }
    const Status written = WriteBookmarkFile(CommonDialog1.fileName, List1);
    if (!written) {
        messages_.show("The bookmarks couldn't be saved!\n" + CommonDialog1.fileName + ": " +
                       written.error());
    } else if (List1.count() > kMaxBookmarkLines) {
        // Saved whole all the same, as nothing typed may be lost; but no copy loads it.
        messages_.show("The list has more than " + std::to_string(kMaxBookmarkLines) +
                       " bookmarks: the file was saved, but it can't be opened again!");
    }
}

void Form1::open() {
    CommonDialog1.filter = kBookmarkFilter;
    CommonDialog1.title = kOpenBookmarkTitle;
    if (!fileDialog_.show(CommonDialog1, FileDialogMode::Open)) {
        return;
    }
    // The chosen file becomes the current bookmark file even when it then fails to load.
    Text4.setText(CommonDialog1.fileName);
    const Status loaded = LoadBookmarkFile(CommonDialog1.fileName, List1);
    if (!loaded) {
        messages_.show("The bookmark file couldn't be opened!\n" + CommonDialog1.fileName + ": " +
                       loaded.error());
    }
}

}  // namespace zerlin
