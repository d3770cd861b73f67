#include <gtest/gtest.h>

#include <string>

#include "doubles/doubles.h"
#include "servers/servers_prefs.h"

namespace zerlin::test {
namespace {

using servers::Layout;

TEST(ServersPrefs, LayoutReadFromTheSettings) {
    MemorySettings empty;
    const Layout defaults = servers::readLayout(empty);
    EXPECT_EQ(defaults.width, 900);
    EXPECT_EQ(defaults.height, 560);
    EXPECT_EQ(defaults.columnWidths[0], 260);
    EXPECT_EQ(defaults.columnWidths[7], 90);
    EXPECT_EQ(defaults.sortColumn, -1);

    struct Case {
        const char* size;
        const char* columns;
        int width, height;
        int firstColumn, lastColumn;  // widths of the Server and Last played columns
        int sortColumn;
        bool descending;
    };
    const Case cases[] = {
        {"1000,700", "200,70,100,90,70,80,150,120,6,d", 1000, 700, 200, 120, 6, true},
        {"199,700", "200,70,100,90,70,80,150,120,1,a", 900, 560, 200, 120, 1, false},
        {"1000,149", "", 900, 560, 260, 90, -1, false},
        {"99999,99999", "", 10000, 10000, 260, 90, -1, false},
        {"1000", "x", 900, 560, 260, 90, -1, false},
        {"a,b", "200,70", 900, 560, 260, 90, -1, false},
        // Written before the Last played column came: one width less, the last is the default.
        {"", "200,70,100,90,70,80,150,5,a", 900, 560, 200, 90, 5, false},
        // A width out of bounds keeps its default; a sort column out of range sorts nothing.
        {"", "19,70,100,90,70,80,150,2001,8,d", 900, 560, 260, 90, -1, false},
        {"", "200,70,100,90,70,80,150,120,-1,d", 900, 560, 200, 120, -1, false},
        {"", "200,70,100,90,70,80,150,120,,a", 900, 560, 200, 120, -1, false},
        {"", "200,70,100,90,70,80,150,120,1,e,", 900, 560, 260, 90, -1, false},
    };
    for (const Case& c : cases) {
        MemorySettings settings;
        settings.preset("Servers", "Size", c.size);
        settings.preset("Servers", "Columns", c.columns);
        const Layout layout = servers::readLayout(settings);
        const std::string name = std::string(c.size) + " / " + c.columns;
        EXPECT_EQ(layout.width, c.width) << name;
        EXPECT_EQ(layout.height, c.height) << name;
        EXPECT_EQ(layout.columnWidths[0], c.firstColumn) << name;
        EXPECT_EQ(layout.columnWidths[7], c.lastColumn) << name;
        EXPECT_EQ(layout.sortColumn, c.sortColumn) << name;
        EXPECT_EQ(layout.descending, c.descending) << name;
    }
}

TEST(ServersPrefs, LayoutAndFilterWrittenReadBack) {
    MemorySettings settings;
    Layout layout{1200, 800, {300, 60, 100, 90, 70, 80, 150, 100}, 2, true};
    servers::writeLayout(settings, layout);
    EXPECT_EQ(settings.read("Servers", "Size"), "1200,800");
    EXPECT_EQ(settings.read("Servers", "Columns"), "300,60,100,90,70,80,150,100,2,d");
    const Layout back = servers::readLayout(settings);
    EXPECT_EQ(back.columnWidths, layout.columnWidths);
    EXPECT_EQ(back.sortColumn, 2);
    EXPECT_TRUE(back.descending);

    servers::Filter filter;
    filter.text = "wake, 1.6";
    filter.hideFull = true;
    filter.maxPing = 150;
    filter.friendsOnly = true;
    servers::writeFilter(settings, filter);
    EXPECT_EQ(settings.read("Servers", "HideFull"), "yes");
    EXPECT_EQ(settings.read("Servers", "HideEmpty"), "no");
    const servers::Filter read = servers::readFilter(settings);
    EXPECT_EQ(read.text, "wake, 1.6");
    EXPECT_FALSE(read.hideEmpty);
    EXPECT_TRUE(read.hideFull);
    EXPECT_FALSE(read.hidePassword);
    EXPECT_EQ(read.maxPing, 150);
    EXPECT_TRUE(read.friendsOnly);
    EXPECT_FALSE(read.installedModsOnly);
    // All the filters in one write: the file is written once.
    EXPECT_EQ(settings.writes.back().call, settings.writes.front().call + 1);
}

TEST(ServersPrefs, MaxPingOutOfRangeOrJunkIsBounded) {
    const std::pair<const char*, int> cases[] = {{"", 0},      {"abc", 0},   {"-5", 0},
                                                 {"120", 120}, {"120ms", 0}, {"99999", 9999}};
    for (const auto& [text, maxPing] : cases) {
        MemorySettings settings;
        settings.preset("Servers", "MaxPing", text);
        settings.preset("Servers", "FriendsOnly", "Yes");  // only "yes" is on
        EXPECT_EQ(servers::readFilter(settings).maxPing, maxPing) << text;
        EXPECT_FALSE(servers::readFilter(settings).friendsOnly);
    }
}

}  // namespace
}  // namespace zerlin::test
