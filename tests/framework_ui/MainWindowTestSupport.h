#pragma once
// A program's main window in tests: a program file in a temporary folder, the INI file its
// start-up chooses, and what the window is handed in place of the running program's own (mount
// table, automation hub, clock, port dialog, message boxes). The program-wide state is put back
// before and after each test.

#include "Basisform.h"
#include "FixedEnvironment.h"
#include "BubbleHelp.h"
#include "Clock.h"
#include "DriveInfo.h"
#include "FaultProtocol.h"
#include "NData.h"
#include "ProgramModes.h"
#include "ScriptedMessageBoxes.h"
#include "SupportedEcuList.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

inline void resetProgramState() {
    DiagAttr = DiagAttrStruct{};
    DemoModus = 0;
    AutomatisierungsModus = 0;
    WechsellaufwerkAktiv = 0;
    Diagnoseleitung = 0;
    TesterName.clear();
    EcuName.clear();
    ECUListe.clear();
    setApplicationToolTipsEnabled(true);
}

// The program "Tarvik", version 1.32 in language GB, at <temp>/prog/Tarvik. A fixture adds the
// version texts its tests look at.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture() {
        resetProgramState();
        env.program = dir / "prog" / "Tarvik";
        env.documents = dir / "docs";
        env.data = dir / "share";
        env.texts = {{"ProductName", "Tarvik Diagnostic Software"},
                     {"ProductVersion", "1.32"},
                     {"SprachID", "GB"}};
        std::filesystem::create_directories(env.program.parent_path());
        TempDir::writeFile(env.program, "program");
        drives.mountPoints = {"/"};
    }
    ~MainWindowFixture() override { resetProgramState(); }

    // The INI file the start-up will choose, with its folder.
    std::filesystem::path iniFile() const {
        return dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (GB)" / "Tarvik.INI";
    }
    void writeIni(const std::string& content) {
        std::filesystem::create_directories(iniFile().parent_path());
        TempDir::writeFile(iniFile(), content);
    }

    BasisformEnvironment environment(std::vector<std::string> arguments = {"/opt/Tarvik"}) {
        BasisformEnvironment e;
        e.arguments = std::move(arguments);
        e.application = &env;
        e.drives = &drives;
        e.hub = &hub;
        e.clock = &clock;
        e.portDialog = &ports;
        return e;
    }

    TempDir dir;
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
    AutomationHub hub;
    FakeClock clock{1000};
    ScriptedPortDialog ports;
    ScriptedMessageBoxes messages;
};
