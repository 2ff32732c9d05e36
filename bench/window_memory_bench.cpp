// Memory over a long day: every function window opened and closed again and again from the
// running program (demo mode, the main window shown), as a technician does all day. Printed per
// window: the resident size after the tenth opening and after the last, and the growth per opening
// between them, of the resident size and of the heap's live bytes, and how many more widgets, and
// objects under the application and the main window, there are at the end than after the tenth
// opening (a window that leaves objects behind shows here at once). A window that keeps nothing
// grows by about nothing: within 1 MB over the run.
//
//   window_memory_bench [openings] [name filter]   (default 500 openings; offscreen unless set)
//
// The parameter editor and the parameter protocol preview run with a description of 500
// parameters written by the benchmark; the fault protocol preview with 100 entries; the other
// windows as the menu command opens them with the demo's data.
#include "WindowBench.h"

#include "AutomationHub.h"
#include "FspPrint.h"
#include "Main.h"
#include "MenuCommands.h"
#include "Parameter.h"
#include "ParameterDataFile.h"
#include "ParameterPrint.h"
#include "Preview.h"
#include "QtApplicationWindows.h"

#include <QApplication>
#include <QThread>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kParameters = 500;
constexpr int kWarmUp = 10;

struct WindowCase {
    std::string name;
    std::function<void()> open;  // opens the window and returns when it has closed
};

// A record for the editor: connected, and an ECU that answers with the block the description
// wants (one byte per parameter).
structParameter editorRecord(const fs::path& description, uint8_t& connected) {
    structParameter record;
    record.pDiagnoseAktiv = &connected;
    record.PKDDatei = description.string();
    record.Systemname = "KELT";
    record.Teilenummer = "841 302 117 0";
    record.ParameterLesen = [](uint16_t& count, std::span<uint8_t> buffer) {
        for (int i = 0; i < kParameters; ++i) buffer[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7);
        count = kParameters;
        return 0;
    };
    record.ParameterSchreiben = [](uint16_t, std::span<const uint8_t>) { return 0; };
    return record;
}

// Widgets alive, and objects under the application and the main window: what a window left
// behind with a long-lived parent.
long liveObjects(const QWidget& mainWindow) {
    return static_cast<long>(QApplication::allWidgets().size() + qApp->findChildren<QObject*>().size() +
                             mainWindow.findChildren<QObject*>().size());
}

FehlerspeicherProtokoll faultProtocol() {
    FehlerspeicherProtokoll record;
    record.Datum = "11.12.2026";
    record.Uhrzeit = "08:00:00";
    record.System = "KELT";
    record.Teilenummer = "841 302 117 0";
    record.Anzahl = static_cast<uint8_t>(kProtokollEintraege);
    for (std::size_t i = 0; i < kProtokollEintraege; ++i) {
        fehl_strct& entry = record.Eintraege[i];
        entry.Aktuell = i % 3 == 0;
        entry.Zaehler = static_cast<uint8_t>(i);
        entry.Timer = static_cast<uint8_t>(2 * i);
        entry.KomponenteMitCode = "Level sensor rear left (" + std::to_string(50 + i) + ")";
        entry.FehlerartMitCode = "Signal implausible (41)";
    }
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    const int openings = argc > 1 ? std::max(kWarmUp + 1, std::atoi(argv[1])) : 500;
    const std::string filter = argc > 2 ? argv[2] : "";
    BenchHome home("window_memory_bench");
    const fs::path program = home.path() / "program";
    fs::create_directories(program / "demo");
    // The demo ECU's block is 56 bytes: its description has 56 parameters.
    writeDescription(program / "demo" / "10780100.PKD", 56);
    const fs::path large = home.path() / "large.PKD";
    writeDescription(large, kParameters);

    quietPlatformNotes();
    QApplication application(argc, argv);
    NoWaitClock clock;
    DemoMainWindow demo((program / "Tarvik").string(), program, &clock);
    TfrmMain& window = demo.window();
    if (!demo.showConnected()) {
        std::fprintf(stderr, "window_memory_bench: the demo did not connect\n");
        return 1;
    }
    window.ecu().CfgPressureSensor = 1;
    window.ecu().CfgPressureData = 1;
    window.session().UpdateMenus(true);
    idleMoment();

    std::vector<WindowCase> cases;
    uint8_t connected = 1;
    cases.push_back({"parameter editor (500 parameters)", [&] {
                         connected = 1;
                         TfrmParameter editor(&window);
                         editor.Execute(editorRecord(large, connected));
                     }});
    const std::optional<ParameterDescription> description = readParameterDescription(large);
    if (!description) return 1;
    std::vector<uint8_t> block(kParameters);
    for (int i = 0; i < kParameters; ++i) block[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7);
    cases.push_back({"parameter protocol preview (500 parameters)", [&] {
                         ParameterPrintLayout print;
                         print.System = "KELT";
                         print.Teilenummer = "841 302 117 0";
                         print.Datum = "11.12.2026";
                         fillParameterPrint(print, description->ParaKonf,
                                            BlockInDatensatz(description->ParaKonf, block));
                         Tfrm_Preview preview(&window);
                         preview.ReportAnzeigen(print);
                     }});
    const FehlerspeicherProtokoll protocol = faultProtocol();
    cases.push_back({"fault protocol preview (100 entries)", [&] {
                         TFspPrint report(&window);
                         report.Print(protocol);
                     }});
    // Every other function window through its menu command.
    const std::set<MenuCommand> noWindow = {MenuCommand::DiagnoseStarten, MenuCommand::DiagnoseUnterbrechen,
                                            MenuCommand::ECUNeustart, MenuCommand::Beenden,
                                            MenuCommand::Fehlerspeicherprotokolldrucken};
    for (const MenuCommandSpec& command : menuCommands()) {
        const auto number = static_cast<int32_t>(command.command);
        if (noWindow.count(command.command) || !window.commandEnabled(number)) continue;
        cases.push_back({std::string("command ") + std::to_string(number) + " " + command.name,
                         [&window, number] { window.startCommandNumber(number); }});
    }

    CloseEveryModal closer;
    std::printf("platform %s, %d openings of each window; resident size in MB\n",
                std::getenv("QT_QPA_PLATFORM"), openings);
    std::printf("%-46s %9s %9s %9s %9s %8s\n", "", "resident", "", "KB per opening", "", "objects");
    std::printf("%-46s %9s %9s %9s %9s %8s\n", "window", "after 10", "at end", "resident", "heap", "kept");
    for (const WindowCase& c : cases) {
        if (!filter.empty() && c.name.find(filter) == std::string::npos) continue;
        long afterWarmUp = 0, heapAfterWarmUp = 0, objectsAfterWarmUp = 0;
        for (int i = 1; i <= openings; ++i) {
            c.open();
            idleMoment();
            if (i == kWarmUp) {
                afterWarmUp = residentBytes();
                heapAfterWarmUp = heapInUseBytes();
                objectsAfterWarmUp = liveObjects(window);
            }
        }
        if (window.ecu().DiagnoseAktiv != 1) {
            std::fprintf(stderr, "window_memory_bench: %s ended the demo connection\n", c.name.c_str());
            return 1;
        }
        const long atEnd = residentBytes();
        const double perOpening = 1024.0 * (openings - kWarmUp);
        std::printf("%-46s %9.1f %9.1f %9.2f %9.2f %8ld\n", c.name.c_str(), afterWarmUp / 1048576.0,
                    atEnd / 1048576.0, static_cast<double>(atEnd - afterWarmUp) / perOpening,
                    static_cast<double>(heapInUseBytes() - heapAfterWarmUp) / perOpening,
                    liveObjects(window) - objectsAfterWarmUp);
        std::fflush(stdout);
    }
    return 0;
}
