// The automation object's item paths (comGetMenuItemInfo) and command numbers
// (comStartMenuItem), checked as the object checks them before it touches a window. A path is
// either refused with InvalidArgs and no item, or names an item of the tree with its state; a
// command runs only when it is known and enabled.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "AutomationRequests.h"
#include "FuzzSupport.h"

namespace {

// A menu bar like the program's: visible and hidden menus, separators, disabled items, a submenu.
MenuEntry menuTree() {
    MenuEntry root;
    MenuEntry diagnosis{"&Diagnosis", true, true, {{"&Start", true, true, {}}, {"-", true, true, {}},
                                                   {"&Interrupt", true, false, {}},
                                                   {"Hidden", false, true, {}},
                                                   {"&Print...", true, true,
                                                    {{"Print &diagnostic memory protocol ...", true, true, {}},
                                                     {"Print &parameters", true, false, {}}}}}};
    MenuEntry hidden{"LSV", false, false, {{"LSV valve...", true, true, {}}}};
    MenuEntry help{"&Help", true, true, {{"&Contents", true, true, {}}, {"&About", true, true, {}}}};
    root.entries = {diagnosis, hidden, help};
    return root;
}

bool namedInTree(const MenuEntry& menu, const std::string& text) {
    for (const MenuEntry& entry : menu.entries)
        if ((entry.visible && entry.caption == text) || namedInTree(entry, text)) return true;
    return false;
}

class Commands final : public AutomationCommands {
public:
    bool commandKnown(int32_t number) const override { return number >= 0 && number < 40; }
    bool commandEnabled(int32_t number) const override { return number % 3 != 0; }
    bool startCommandNumber(int32_t) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t menuId = in.ConsumeIntegral<int32_t>();
    const std::string path = in.ConsumeRemainingBytesAsString();

    static const MenuEntry root = menuTree();
    const MenuItemLookup found = lookUpMenuItem(root, path);
    if (!found.status.ok()) {
        FUZZ_CHECK(found.status.fault == AutomationFault::InvalidArgs);
        FUZZ_CHECK(found.info.state == 0 && found.info.text.empty());
    } else if (path.empty()) {
        FUZZ_CHECK(found.info.state == 0);
    } else {
        FUZZ_CHECK(found.info.state == 1 || found.info.state == 2);
        FUZZ_CHECK(namedInTree(root, found.info.text));
        // Only digits and "#" make a path.
        FUZZ_CHECK(path.find_first_not_of("0123456789#") == std::string::npos);
    }

    const Commands commands;
    const AutomationStatus start = checkStartMenuItem(menuId, commands);
    if (start.ok()) FUZZ_CHECK(commands.commandKnown(menuId) && commands.commandEnabled(menuId));
    else FUZZ_CHECK(!start.message.empty());
    return 0;
}
