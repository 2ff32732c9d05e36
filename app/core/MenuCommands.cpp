#include "MenuCommands.h"

#include "KELTInterface.h"

#include <algorithm>
#include <iterator>

namespace {

using C = MenuCommand;
using M = CommandMenu;
using E = CommandEnabled;
using F = CommandFrame;

// The command table, in menu order.
constexpr MenuCommandSpec kMenuCommands[] = {
    {.command = C::DiagnoseStarten, .menu = M::Diagnose, .name = "mnuDiagnoseStarten",
     .caption = "&Start", .hint = "Start the diagnosis of the ECU",
     .toolName = "cmd_ECUStart", .toolHint = "Start diagnostics", .toolPosition = 1,
     .enabled = E::WhileNotConnected, .frame = F::Direct},
    {.command = C::DiagnoseUnterbrechen, .menu = M::Diagnose, .name = "mnuDiagnoseUnterbrechen",
     .caption = "&Interrupt", .hint = "Interrupt the diagnosis",
     .toolName = "cmd_ECUStop", .toolHint = "Interrupt diagnostics", .toolPosition = 2,
     .frame = F::Direct},
    {.command = C::ECUNeustart, .menu = M::Diagnose, .name = "mnuECUNeustart",
     .caption = "&Reset ECU", .hint = "Restart the ECU and the diagnosis",
     .toolName = "cmd_ECUReset", .toolHint = "Restart ECU", .toolPosition = 3,
     .frame = F::Direct},
    // Prints a saved protocol: no ECU, so the poll goes on.
    {.command = C::Fehlerspeicherprotokolldrucken, .menu = M::Print,
     .name = "Fehlerspeicherprotokolldrucken", .caption = "&Print diagnostic memory protocol ...",
     .hint = "Print a saved diagnostic memory protocol", .separatorBefore = true,
     .enabled = E::Always, .frame = F::Direct},
    {.command = C::Beenden, .menu = M::Diagnose, .name = "mnuBeenden", .caption = "&Exit",
     .hint = "Exit program", .separatorBefore = true, .enabled = E::Always, .frame = F::Direct},

    {.command = C::Fehlersuche, .menu = M::Information, .name = "mnuFehlersuche",
     .caption = "&Diagnostic memory ...", .hint = "Display diagnostics memory content",
     .toolName = "cmd_FSP", .toolHint = "Display diagnostics memory content", .toolPosition = 4},

    {.command = C::HebenSenken, .menu = M::Control, .name = "mnuHebenSenken",
     .caption = "&Lifting/lowering ...", .hint = "Lifting and lowering vehicle",
     .toolName = "cmd_HebenSenken", .toolHint = "Lifting and lowering vehicle", .toolPosition = 5},
    {.command = C::Lampentest, .menu = M::Control, .name = "mnuLampentest",
     .caption = "L&amp test...", .hint = "Test the warning lamp",
     .capability = [](const KELTInterface& k) { return k.CfgLampTest != 0; }},
    {.command = C::Drosseln, .menu = M::Control, .name = "mnuDrosseln", .caption = "&Throttle...",
     .hint = "Drive the throttles"},
    {.command = C::ALBVentil, .menu = M::Control, .name = "mnuALBVentil",
     .caption = "L&SV valve...", .hint = "Drive the load-sensing valve", .hidden = true,
     .capability = [](const KELTInterface& k) { return k.CfgAlbValve != 0; }},
    {.command = C::AusgaengeAnsteuern, .menu = M::Control, .name = "mnuAusgaengeAnsteuern",
     .caption = "&Outputs...", .hint = "Switch the ECU's outputs",
     .capability = [](const KELTInterface& k) { return k.CfgOutputs != 0; }},

    {.command = C::Schalterstellungen, .menu = M::MeasuredValues, .name = "mnuSchalterstellungen",
     .caption = "&Switch settings...", .hint = "Display switch settings",
     .toolName = "cmd_Schalter", .toolHint = "Display switch settings", .toolPosition = 7,
     .capability = [](const KELTInterface& k) { return k.CfgSwitches != 0; }},
    {.command = C::MesswerteAnzeigen, .menu = M::MeasuredValues, .name = "mnuMesswerteAnzeigen",
     .caption = "&Measured values ...", .hint = "Display current measured values of the ECU",
     .toolName = "cmd_Messwerte", .toolHint = "Display current measured values of the ECU",
     .toolPosition = 6,
     .capability = [](const KELTInterface& k) { return k.CfgMeasuredValues != 0; }},

    // Also without a connection: the editor works on files too.
    {.command = C::Parameter, .menu = M::System, .name = "mnuParameter",
     .caption = "&Parameter...", .hint = "ECU parameter setting",
     .toolName = "cmd_Parametrieren", .toolHint = "ECU parameter setting", .toolPosition = 8,
     .enabled = E::Always, .frame = F::ParameterEditor},
    {.command = C::KalibrierenWegsensoren, .menu = M::System, .name = "mnuKalibrierenWegsensoren",
     .caption = "&Calibrate the distance sensors...", .hint = "Calibrate distance sensors",
     .separatorBefore = true, .toolName = "cmd_WSKalibrieren",
     .toolHint = "Calibrate distance sensors", .toolPosition = 9},
    {.command = C::KalibrierenDrucksensoren, .menu = M::System,
     .name = "mnuKalibrierenDrucksensoren", .caption = "C&alibration of the pressure sensor...",
     .hint = "Calibrate pressure sensor", .toolName = "cmd_DSKalibrieren",
     .toolHint = "Calibrate pressure sensor", .toolPosition = 10,
     .capability = [](const KELTInterface& k) { return k.CfgPressureSensor != 0; }},
    {.command = C::KalibrierenTiltsensoren, .menu = M::System, .name = "mnuKalibrierenTiltsensoren",
     .caption = "Ca&libration of the tilt sensors...", .hint = "Calibrate tilt sensors",
     .capability = [](const KELTInterface& k) { return k.CfgTiltSensor != 0; }},
    {.command = C::KalibrierdatenWegsensor, .menu = M::System, .name = "mnuKalibrierdatenWegsensor",
     .caption = "Cal&ibration data of the distance sensors ...",
     .hint = "Display the calibration data of the distance sensors", .separatorBefore = true},
    {.command = C::KalibrierdatenDrucksensoren, .menu = M::System,
     .name = "mnuKalibrierdatenDrucksensoren",
     .caption = "Cali&bration data of the pressure sensor...",
     .hint = "Display the calibration data of the pressure sensor",
     .capability = [](const KELTInterface& k) {
         return k.CfgPressureSensor != 0 && k.CfgPressureData != 0;
     }},
    // No menu item; its state follows the tilt sensor.
    {.command = C::KalibrierdatenTiltsensoren, .menu = M::None,
     .name = "mnuKalibrierdatenTiltsensoren", .caption = "", .hint = "",
     .capability = [](const KELTInterface& k) { return k.CfgTiltSensor != 0; }},
    {.command = C::SystemdatenSpeichern, .menu = M::System, .name = "mnuSystemdatenSpeichern",
     .caption = "&Save system data", .hint = "Save the system data of the ECU",
     .separatorBefore = true},
    {.command = C::BaudrateUndAdresse, .menu = M::System, .name = "mnuBaudrateUndAdresse",
     .caption = "C&hange ECU baud rate and address...",
     .hint = "Change the ECU's baud rate and address"},

    {.command = C::Einstellungen, .menu = M::Options, .name = "mnuEinstellungen",
     .caption = "&Settings...", .hint = "Settings of the program", .enabled = E::Always},

    // The framework's Help item, run by this program's list; no ECU, so the poll goes on.
    {.command = C::UnterstuetzteEcus, .menu = M::Help, .name = "mnuUnterstuetzteEcus",
     .caption = "&Supported ECUs...", .hint = "Display of all ECUs supported by this software",
     .enabled = E::Always, .frame = F::Direct},
};

constexpr CommandMenuSpec kMenus[] = {
    {"mnuDiagnose", "&Diagnosis"},         {"Drucken1", "&Print..."},
    {"mnuInformation", "&Information"},    {"mnuAnsteuern", "&Control"},
    {"mnuMesswerte", "&Measured values"},  {"mnuSystem", "&System"},
    {"mnuOptionen", "&Options"},           {"Hilfe", "&Help"},
    {"", ""},
};
static_assert(std::size(kMenus) == static_cast<std::size_t>(CommandMenu::None) + 1);

bool enabledBy(const MenuCommandSpec& spec, bool connected, const KELTInterface& kelt) {
    switch (spec.enabled) {
    case CommandEnabled::Always: return true;
    case CommandEnabled::WhileNotConnected: return !connected;
    case CommandEnabled::WhileConnected: return connected && (!spec.capability || spec.capability(kelt));
    }
    return false;
}

}  // namespace

std::span<const MenuCommandSpec> menuCommands() { return kMenuCommands; }

const MenuCommandSpec* findMenuCommand(int32_t number) {
    const auto it = std::find_if(std::begin(kMenuCommands), std::end(kMenuCommands),
                                 [number](const MenuCommandSpec& spec) {
                                     return static_cast<int32_t>(spec.command) == number;
                                 });
    return it == std::end(kMenuCommands) ? nullptr : &*it;
}

const MenuCommandSpec& menuCommandSpec(MenuCommand command) {
    return *findMenuCommand(static_cast<int32_t>(command));
}

const CommandMenuSpec& commandMenuSpec(CommandMenu menu) { return kMenus[static_cast<std::size_t>(menu)]; }

std::set<MenuCommand> allMenuCommands() {
    std::set<MenuCommand> all;
    for (const MenuCommandSpec& spec : kMenuCommands) all.insert(spec.command);
    return all;
}

MenuState menuStateFor(bool connected, const KELTInterface& kelt,
                       const std::set<MenuCommand>& available) {
    MenuState state;
    for (const MenuCommandSpec& spec : kMenuCommands)
        state[spec.command] = available.contains(spec.command) && enabledBy(spec, connected, kelt);
    return state;
}
