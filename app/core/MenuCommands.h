#pragma once
// The main window's commands: one row each in the command table (menuCommands(), defined in
// MenuCommands.cpp). A row holds everything the program knows about a command: its fixed
// number, its menu item (menu, object name, caption, hint), its tool button, when it is enabled
// and how the main window runs its handler.
//
// Numbers. The automation client starts a command by its number (findMenuCommand, then
// TfrmMain::startCommand), so a number keeps its meaning in every release. Never renumber; a new
// command takes a new number.
//
// A function window joins the program in two steps; nothing else changes:
//   1. Its command's row is already in the table below (every command of the program has one).
//      A command that is not there gets a row with a new number.
//   2. In app/ui/Main.cpp write the handler, which only creates and runs the window
//      (`void TfrmMain::mnuHebenSenkenClick()`, declared among the handlers in Main.h), and put
//      it into the command's row of TfrmMain's binding table (`kBindings`). From then on the
//      command is available: menuStateFor enables it by the row's rule, the menu item, the tool
//      button and startCommand(number) run it, and the window runs inside the row's frame:
//      withPollPaused for a function window (the poll stops while it is open and starts again
//      after it, also after a give-up), the after-editor rule for the parameter editor (the poll
//      stays off; DiagnosisSession::AfterParameterEditor restarts the ECU and reads the
//      configuration again when parameters were written). A handler never stops or starts the poll itself.
// A command without a handler stays disabled in the menu, on the tool bar and for automation.

#include <cstdint>
#include <map>
#include <set>
#include <span>

class KELTInterface;

enum class MenuCommand : int32_t {
    DiagnoseStarten = 1,
    DiagnoseUnterbrechen = 2,
    ECUNeustart = 3,
    Fehlerspeicherprotokolldrucken = 4,
    Beenden = 5,
    Fehlersuche = 10,
    HebenSenken = 20,
    Lampentest = 21,
    Drosseln = 22,
    ALBVentil = 23,
    AusgaengeAnsteuern = 24,
    Schalterstellungen = 30,
    MesswerteAnzeigen = 31,
    Parameter = 40,
    KalibrierenWegsensoren = 41,
    KalibrierenDrucksensoren = 42,
    KalibrierenTiltsensoren = 43,
    KalibrierdatenWegsensor = 44,
    KalibrierdatenDrucksensoren = 45,
    KalibrierdatenTiltsensoren = 46,
    SystemdatenSpeichern = 47,
    BaudrateUndAdresse = 48,
    Einstellungen = 50,
    UnterstuetzteEcus = 60,
};

// Where a command's menu item stands. Help: the framework's Help menu already holds the item
// (same object name); Print: the "&Print..." submenu of the diagnosis menu; None: no menu item.
enum class CommandMenu { Diagnose, Print, Information, Control, MeasuredValues, System, Options, Help, None };

// When a command is enabled (see menuStateFor).
enum class CommandEnabled {
    Always,            // whatever the connection
    WhileNotConnected, // only the start of the diagnosis
    WhileConnected,    // and, when the row names one, while the ECU has the capability
};

// How the main window runs a command's handler.
enum class CommandFrame {
    Direct,           // the handler alone: it needs no stopped poll
    PollPaused,       // a function window: the poll stops while it runs and starts again after
    ParameterEditor,  // the poll stops; after a write the session restarts the ECU (AfterParameterEditor)
};

struct MenuCommandSpec {
    MenuCommand command;
    CommandMenu menu;
    const char* name;     // the menu item's object name
    const char* caption;
    const char* hint;     // status line and tool tip
    bool separatorBefore = false;  // a separator above the item (above the submenu for Print)
    bool hidden = false;
    // The tool button's twin: its object name (none: null), its hint and its place on the tool
    // bar (buttons stand in ascending order).
    const char* toolName = nullptr;
    const char* toolHint = nullptr;
    int toolPosition = 0;
    CommandEnabled enabled = CommandEnabled::WhileConnected;
    // With WhileConnected: the ECU's capability the command also needs (none: null).
    bool (*capability)(const KELTInterface&) = nullptr;
    CommandFrame frame = CommandFrame::PollPaused;
};

// A menu's object name and title.
struct CommandMenuSpec {
    const char* name;
    const char* title;
};
const CommandMenuSpec& commandMenuSpec(CommandMenu menu);

// Every command, in menu order.
std::span<const MenuCommandSpec> menuCommands();
// The row of a command (every MenuCommand has one).
const MenuCommandSpec& menuCommandSpec(MenuCommand command);
// The row of a command number, or null for a number no command has.
const MenuCommandSpec* findMenuCommand(int32_t number);
std::set<MenuCommand> allMenuCommands();

// Which commands are enabled; a command not in the map keeps its state.
using MenuState = std::map<MenuCommand, bool>;

// The state of every command for a connection state and the ECU's capability flags, by the
// rows' rules. A command not in `available` (its window is not built) is always disabled.
MenuState menuStateFor(bool connected, const KELTInterface& kelt,
                       const std::set<MenuCommand>& available);
