#include "AutomationRequests.h"

#include "Numbers.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {

AutomationStatus refused(AutomationFault fault, std::string message) { return {fault, std::move(message)}; }

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A path part as a position: digits only (no sign, no blanks); a number too large for any menu
// counts as one beyond the entries.
std::optional<std::size_t> position(std::string_view part) {
    if (part.empty() || !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::string_view digits = part.substr(std::min(part.find_first_not_of('0'), part.size() - 1));
    if (digits.size() > 9) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(*numbers::parseInt(digits));
}

// The n-th visible entry; invisible entries are not counted.
const MenuEntry* visibleEntry(const MenuEntry& menu, std::size_t n) {
    for (const MenuEntry& entry : menu.entries) {
        if (!entry.visible) continue;
        if (n == 0) return &entry;
        --n;
    }
    return nullptr;
}

std::size_t visibleCount(const MenuEntry& menu) {
    return static_cast<std::size_t>(
        std::count_if(menu.entries.begin(), menu.entries.end(), [](const MenuEntry& e) { return e.visible; }));
}

}  // namespace

const char* automationErrorName(AutomationFault fault) {
    switch (fault) {
    case AutomationFault::None: return "";
    case AutomationFault::InvalidArgs: return "org.freedesktop.DBus.Error.InvalidArgs";
    case AutomationFault::NotSupported: return "org.freedesktop.DBus.Error.NotSupported";
    case AutomationFault::Failed: return "org.freedesktop.DBus.Error.Failed";
    case AutomationFault::NoClientWindow: return "Tarvik.Error.NoClientWindow";
    case AutomationFault::CommandDisabled: return "Tarvik.Error.CommandDisabled";
    }
    return "org.freedesktop.DBus.Error.Failed";
}

std::optional<int32_t> toWireHandle(WindowHandle window) {
    if (window > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(window));
}

WindowHandle fromWireHandle(int32_t wire) { return static_cast<WindowHandle>(static_cast<uint32_t>(wire)); }

MenuItemLookup lookUpMenuItem(const MenuEntry& root, std::string_view path) {
    if (path.empty()) return {};
    const MenuEntry* current = &root;
    std::string walked;  // the path so far, for the message
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(path.find('#', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        const std::optional<std::size_t> n = position(part);
        if (!n)
            return {{}, refused(AutomationFault::InvalidArgs,
                                "Item " + quoted(path) + ": " + quoted(part) + " is no decimal position")};
        const MenuEntry* entry = visibleEntry(*current, *n);
        if (!entry) {
            const std::string where = walked.empty() ? "the menu bar" : "the item at " + quoted(walked);
            return {{}, refused(AutomationFault::InvalidArgs,
                                "Item " + quoted(path) + ": " + where + " has " +
                                    numbers::formatInt(static_cast<int64_t>(visibleCount(*current))) +
                                    " visible entries, position " + std::string(part) + " is beyond them")};
        }
        current = entry;
        walked.append(walked.empty() ? "" : "#").append(part);
        if (end == path.size()) break;
        start = end + 1;
    }
    return {{current->caption, current->enabled ? 2 : 1}, {}};
}

AutomationStatus checkStartMenuItem(int32_t menuId, const AutomationCommands& commands) {
    const std::string id = numbers::formatInt(menuId);
    if (menuId < 0 || menuId > 0xFFFF)
        return refused(AutomationFault::InvalidArgs, "MenuID " + id + " is outside 0..65535");
    if (!commands.commandKnown(menuId))
        return refused(AutomationFault::InvalidArgs, "MenuID " + id + " names no command");
    if (!commands.commandEnabled(menuId))
        return refused(AutomationFault::CommandDisabled, "the command " + id + " is disabled at the moment");
    return {};
}

AutomationStatus checkWindowSize(int32_t width, int32_t height, const WindowSizeLimits& limits) {
    const std::string asked =
        "Width " + numbers::formatInt(width) + " and Height " + numbers::formatInt(height);
    if (width < 1 || height < 1) return refused(AutomationFault::InvalidArgs, asked + ": both must be at least 1");
    if (width < limits.minWidth || height < limits.minHeight)
        return refused(AutomationFault::InvalidArgs, asked + ": the main window needs at least " +
                                                         numbers::formatInt(limits.minWidth) + " x " +
                                                         numbers::formatInt(limits.minHeight));
    if (width > limits.maxWidth || height > limits.maxHeight)
        return refused(AutomationFault::InvalidArgs, asked + ": larger than the screens, which give at most " +
                                                         numbers::formatInt(limits.maxWidth) + " x " +
                                                         numbers::formatInt(limits.maxHeight));
    return {};
}

AutomationStatus checkClientWindow(const AutomationHub& hub) {
    if (!hub.hasClient())
        return refused(AutomationFault::NoClientWindow, "no client is connected: call comInit first");
    if (hub.clientWindow() == 0)
        return refused(AutomationFault::NoClientWindow,
                       "comInit gave no client window (0): there is nothing to embed the program into");
    return {};
}
