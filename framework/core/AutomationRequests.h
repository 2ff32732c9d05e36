#pragma once
// What the automation object decides before it touches a window: its names on the bus, the
// argument checks of its methods, the item-path walk of comGetMenuItemInfo over a neutral menu
// tree, and the 32-bit form of window handles. The Qt object (NCOM_DiagnosticSoftwareImpl.h)
// turns a refused request into the D-Bus error named here; a refused request changes nothing.
//
// The interface itself is resources/Tarvik.NCOM_DiagnosticSoftware.xml.

#include "AutomationHub.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

inline constexpr const char* BusName = "Tarvik.NCOM_DiagnosticSoftware";
inline constexpr const char* ObjectPath = "/NCOM_DiagnosticSoftware";
inline constexpr const char* MethodsInterface = "Tarvik.INCOM_DiagnosticSoftware";
inline constexpr const char* EventsInterface = "Tarvik.INCOM_DiagnosticSoftwareEvents";

// comInit's pHandleMenu: the menu bar has no window of its own, so the client gets a fixed
// non-zero token for "the main menu", the root of comGetMenuItemInfo's paths.
inline constexpr int32_t MainMenuHandle = 1;

}  // namespace automation

// Why a request is refused; each has its D-Bus error name (automationErrorName).
enum class AutomationFault {
    None,
    InvalidArgs,      // an argument outside what the method accepts
    NotSupported,     // the display cannot embed foreign windows
    Failed,           // the request was sound but could not be carried out
    NoClientWindow,   // comConnectApplication without a client window
    CommandDisabled,  // comStartMenuItem for a command that is disabled now
};

const char* automationErrorName(AutomationFault fault);

struct AutomationStatus {
    AutomationFault fault = AutomationFault::None;
    std::string message;  // for the client's developer; empty when accepted
    bool ok() const { return fault == AutomationFault::None; }
};

// --- window handles ------------------------------------------------------------------------------

// Handles travel as the bit pattern of an unsigned 32-bit id in an int32. A handle that does not
// fit has no 32-bit form: never cut it, another window could carry the rest.
std::optional<int32_t> toWireHandle(WindowHandle window);
WindowHandle fromWireHandle(int32_t wire);

// --- menu items -------------------------------------------------------------------------------

// One entry of a menu as the client sees it. A separator is an entry captioned "-".
struct MenuEntry {
    std::string caption;  // with its "&" markers
    bool visible = true;
    bool enabled = true;
    std::vector<MenuEntry> entries;
};

struct MenuItemInfo {
    std::string text;
    int32_t state = 0;  // 0 no item (empty path), 1 visible and disabled, 2 visible and enabled
};

struct MenuItemLookup {
    MenuItemInfo info;
    AutomationStatus status;
};

// The item at a path of visible positions: decimal numbers joined by "#", each counted from 0
// among the visible entries of the menu reached so far (the root's entries are the menu bar's
// menus). An empty path names no item. A part that is empty, holds anything but the digits 0-9
// or lies beyond the visible entries is refused (InvalidArgs).
MenuItemLookup lookUpMenuItem(const MenuEntry& root, std::string_view path);

// --- argument checks ----------------------------------------------------------------------------

// The main window's commands as the automation object reaches them; the program's main window
// implements it over its command table.
class AutomationCommands {
public:
    virtual ~AutomationCommands() = default;
    // The number belongs to a command of the program.
    virtual bool commandKnown(int32_t number) const = 0;
    // Its menu item could be clicked now.
    virtual bool commandEnabled(int32_t number) const = 0;
    // Runs it as its menu item does; false (and nothing runs) when it is unknown or disabled.
    virtual bool startCommandNumber(int32_t number) = 0;
};

// comStartMenuItem: MenuID in 0..0xFFFF and naming a command (the low 16 bits of a larger id
// would start another command), and the command enabled.
AutomationStatus checkStartMenuItem(int32_t menuId, const AutomationCommands& commands);

// The sizes the main window can take: at least its layout's minimum (a smaller size would give
// a larger window while the client is told success), at most the screens together (a larger one
// only makes the toolkit ask for a buffer the size of the request).
struct WindowSizeLimits {
    int32_t minWidth = 1, minHeight = 1;
    int32_t maxWidth = std::numeric_limits<int32_t>::max(), maxHeight = std::numeric_limits<int32_t>::max();
};

// comSetPosition: any place, but a width and height within the limits (and at least 1).
AutomationStatus checkWindowSize(int32_t width, int32_t height, const WindowSizeLimits& limits = {});

// comConnectApplication: a client connected with a window of its own.
AutomationStatus checkClientWindow(const AutomationHub& hub);
