// The automation object's decisions without a bus or a window: the item-path walk over a menu
// tree, the argument checks and the 32-bit form of window handles.
#include "AutomationRequests.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

MenuEntry item(std::string caption, bool enabled = true, std::vector<MenuEntry> entries = {}) {
    return {std::move(caption), true, enabled, std::move(entries)};
}
MenuEntry hidden(std::string caption, std::vector<MenuEntry> entries = {}) {
    return {std::move(caption), false, true, std::move(entries)};
}

// Two visible menus with a hidden one between them; hidden items, a separator, a submenu and
// disabled items in the first.
const MenuEntry kMenuBar{
    "",
    true,
    true,
    {
        item("&File", true,
             {item("&Open"), hidden("&Hidden"), item("-"),
              item("&Recent", true, {item("first"), item("second", false)}), item("E&xit", false)}),
        hidden("&Secret", {item("inside")}),
        item("&Edit", false, {item("&Undo")}),
    },
};

struct PathCase {
    const char* path;
    const char* text;
    int32_t state;
};

TEST(AutomationMenuItems, PathsCountVisibleEntriesOnly) {
    const PathCase cases[] = {
        {"", "", 0},                // no item
        {"0", "&File", 2},
        {"1", "&Edit", 1},          // the hidden menu between is not counted
        {"0#0", "&Open", 2},
        {"0#1", "-", 2},            // a separator, the hidden item before it skipped
        {"0#2", "&Recent", 2},
        {"0#2#1", "second", 1},
        {"0#3", "E&xit", 1},
        {"1#0", "&Undo", 2},        // an item keeps its own state in a disabled menu
        {"000#02", "&Recent", 2},   // decimal numbers with leading zeros
    };
    for (const PathCase& c : cases) {
        const MenuItemLookup found = lookUpMenuItem(kMenuBar, c.path);
        EXPECT_TRUE(found.status.ok()) << c.path << ": " << found.status.message;
        EXPECT_EQ(found.info.text, c.text) << c.path;
        EXPECT_EQ(found.info.state, c.state) << c.path;
    }
}

TEST(AutomationMenuItems, PathsThatNameNoItemAreRefused) {
    const char* const cases[] = {
        "x", "-1", "+1", " 0", "0 ", "0x1", "1.0",         // no decimal position
        "0#", "#0", "0##1", "#",                           // an empty part
        "2", "7", "0#4", "0#99", "0#2#2", "1#1",           // beyond the visible entries
        "0#1#0", "0#0#0",                                  // below an item without entries
        "99999999999999999999", "0#4294967296",            // beyond any menu
    };
    for (const char* path : cases) {
        const MenuItemLookup found = lookUpMenuItem(kMenuBar, path);
        EXPECT_EQ(found.status.fault, AutomationFault::InvalidArgs) << path;
        EXPECT_NE(found.status.message.find(std::string("\"") + path + "\""), std::string::npos)
            << path << ": " << found.status.message;
        EXPECT_EQ(found.info.text, "") << path;
        EXPECT_EQ(found.info.state, 0) << path;
    }
    // The message says where the walk stopped.
    EXPECT_EQ(lookUpMenuItem(kMenuBar, "0#99").status.message,
              "Item \"0#99\": the item at \"0\" has 4 visible entries, position 99 is beyond them");
}

// Commands 1, 5 and 60 exist; 5 is disabled.
class FakeCommands : public AutomationCommands {
public:
    bool commandKnown(int32_t number) const override { return known.contains(number); }
    bool commandEnabled(int32_t number) const override { return number != 5 && known.contains(number); }
    bool startCommandNumber(int32_t number) override {
        started.push_back(number);
        return true;
    }
    std::set<int32_t> known{1, 5, 60};
    std::vector<int32_t> started;
};

TEST(AutomationArguments, MenuIdsMustNameAnEnabledCommandWithin16Bits) {
    const struct {
        int32_t id;
        AutomationFault fault;
    } cases[] = {
        {1, AutomationFault::None},
        {60, AutomationFault::None},
        {5, AutomationFault::CommandDisabled},
        {0, AutomationFault::InvalidArgs},
        {7, AutomationFault::InvalidArgs},
        {0xFFFF, AutomationFault::InvalidArgs},
        // Its low 16 bits name command 1; it must not start it.
        {0x10001, AutomationFault::InvalidArgs},
        {0x10000 + 60, AutomationFault::InvalidArgs},
        {-1, AutomationFault::InvalidArgs},
        {std::numeric_limits<int32_t>::min(), AutomationFault::InvalidArgs},
        {std::numeric_limits<int32_t>::max(), AutomationFault::InvalidArgs},
    };
    FakeCommands commands;
    commands.known.insert(0x10001);  // even a table that knew the number would not reach it
    for (const auto& c : cases) {
        const AutomationStatus status = checkStartMenuItem(c.id, commands);
        EXPECT_EQ(status.fault, c.fault) << c.id;
        EXPECT_EQ(status.message.empty(), c.fault == AutomationFault::None) << c.id;
    }
    EXPECT_TRUE(commands.started.empty());
}

TEST(AutomationArguments, WindowSizesOfAtLeastOnePixel) {
    const struct {
        int32_t width, height;
        bool ok;
    } cases[] = {
        {1, 1, true}, {800, 600, true}, {std::numeric_limits<int32_t>::max(), 1, true},
        {0, 600, false}, {800, 0, false}, {-5, 600, false}, {800, -1, false},
        {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(), false},
    };
    for (const auto& c : cases) {
        const AutomationStatus status = checkWindowSize(c.width, c.height);
        EXPECT_EQ(status.fault, c.ok ? AutomationFault::None : AutomationFault::InvalidArgs)
            << c.width << "x" << c.height;
    }
}

// Below the window's minimum or beyond the screens: refused, and the message names the limit.
TEST(AutomationArguments, WindowSizesWithinTheWindowsMinimumAndTheScreens) {
    const WindowSizeLimits limits{514, 488, 1920, 1080};
    const int32_t most = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t width, height;
        const char* says;  // part of the refusal; nullptr when accepted
    } cases[] = {
        {514, 488, nullptr},
        {1920, 1080, nullptr},
        {640, 480, "needs at least 514 x 488"},
        {500, 600, "needs at least 514 x 488"},
        {0, 600, "at least 1"},
        {1921, 600, "at most 1920 x 1080"},
        {800, 1081, "at most 1920 x 1080"},
        {most, most, "at most 1920 x 1080"},
    };
    for (const auto& c : cases) {
        const AutomationStatus status = checkWindowSize(c.width, c.height, limits);
        EXPECT_EQ(status.fault, c.says ? AutomationFault::InvalidArgs : AutomationFault::None)
            << c.width << "x" << c.height;
        if (c.says) {
            EXPECT_NE(status.message.find(c.says), std::string::npos) << status.message;
        }
    }
}

TEST(AutomationArguments, EmbeddingNeedsAClientWindow) {
    AutomationHub hub;
    EXPECT_EQ(checkClientWindow(hub).fault, AutomationFault::NoClientWindow);
    hub.connectClient(0);  // a client that only drives and listens
    EXPECT_EQ(checkClientWindow(hub).fault, AutomationFault::NoClientWindow);
    hub.connectClient(0x2a00007);
    EXPECT_TRUE(checkClientWindow(hub).ok());
}

TEST(AutomationHandles, TravelAsTheirThirtyTwoBitPatternAndAreNeverCut) {
    const struct {
        WindowHandle window;
        int32_t wire;
    } cases[] = {
        {0, 0}, {1, 1}, {0x2a00007, 0x2a00007}, {0x7fffffff, 0x7fffffff},
        {0x80000000u, std::numeric_limits<int32_t>::min()}, {0xffffffffu, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toWireHandle(c.window), c.wire) << c.window;
        EXPECT_EQ(fromWireHandle(c.wire), c.window) << c.window;
    }
    if constexpr (sizeof(WindowHandle) > 4) {
        // Cut to 32 bits this would be window 7.
        EXPECT_EQ(toWireHandle(static_cast<WindowHandle>(0x100000007ull)), std::nullopt);
        EXPECT_EQ(toWireHandle(std::numeric_limits<WindowHandle>::max()), std::nullopt);
    }
}

}  // namespace
