// The program's main window as the technician meets it: started in demo mode, and once end to
// end against the simulated interface and ECU behind the test build of the USB library.
#include "Main.h"

#include "KeltFsp.h"

#include "DiagDriver.h"
#include "ErrorHandler.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "PortSelection.h"
#include "ProgramModes.h"
#include "SimKeltEcu.h"
#include "SimUsbBus.h"
#include "StringTable.h"
#include "SupportedEcuList.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QMenuBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsbPort = "Diagnostic Interface #1";

// Answers the safety question with Yes and every other box with OK; remembers them.
class ScriptedMessages : public MessageBoxService {
public:
    int MsgBox(const std::string& text, const std::string& caption, unsigned flags) override {
        shown.push_back(text);
        (void)caption;
        return (flags & 0x0F) == 0x04 ? IDYES : IDOK;
    }
    std::vector<std::string> shown;
};

class NoPortDialog : public PortSelectionDialog {
public:
    int ShowPortDialog(std::string&) override { return 2; }
};

void resetProgramState() {
    DiagAttr = DiagAttrStruct{};
    DemoModus = 0;
    AutomatisierungsModus = 0;
    WechsellaufwerkAktiv = 0;
    Diagnoseleitung = 0;
    TesterName.clear();
    ECUListe.clear();
}

bool processEventsUntil(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Lets every queued event run (the idle moments among them).
void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString text(const QLabel* label) { return label->text(); }

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        resetProgramState();
        env.program = dir / "prog" / "Tarvik";
        env.documents = dir / "docs";
        env.data = dir / "share";
        env.texts = {{"ProductName", "Tarvik Diagnostic Software"},
                     {"ProductVersion", "1.32"},
                     {"SprachID", "GB"},
                     {"NORVA_No", "411107001"}};
        fs::create_directories(env.program.parent_path());
        TempDir::writeFile(env.program, "program");
        // Our own fault texts for the poll's current fault.
        TempDir::writeFile(env.program.parent_path() / "TARVIK.FKD",
                           "[Komponente]\r\n50=Level sensor rear left\r\n7=Solenoid valve front\r\n"
                           "[Fehlerart]\r\n41=Signal implausible\r\n3=Short circuit to ground\r\n");
        drives.mountPoints = {"/"};
        previous = installMessageBoxService(&messages);
    }
    ~MainWindowTest() override {
        installMessageBoxService(previous);
        resetProgramState();
    }

    fs::path iniFile() const {
        return dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (GB)" / "Tarvik.INI";
    }
    void writeIni(const std::string& content) {
        fs::create_directories(iniFile().parent_path());
        TempDir::writeFile(iniFile(), content);
    }

    MainWindowEnvironment environment(std::vector<std::string> arguments) {
        MainWindowEnvironment e;
        e.basis.arguments = std::move(arguments);
        e.basis.application = &env;
        e.basis.drives = &drives;
        e.basis.hub = &hub;
        e.basis.clock = &clock;
        e.basis.portDialog = &ports;
        e.sessionClock = &clock;
        return e;
    }

    TempDir dir;
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
    AutomationHub hub;
    FakeClock clock{1000};
    NoPortDialog ports;
    ScriptedMessages messages;
    MessageBoxService* previous = nullptr;
};

// The menu items and tool buttons the connection switches.
const MenuCommand kConnectedOnly[] = {MenuCommand::DiagnoseUnterbrechen, MenuCommand::ECUNeustart,
                                      MenuCommand::Fehlersuche};

void expectConnectedMenus(const TfrmMain& w, bool connected) {
    EXPECT_EQ(w.mnuDiagnoseStarten->isEnabled(), !connected);
    EXPECT_EQ(w.cmd_ECUStart->isEnabled(), !connected);
    for (MenuCommand command : kConnectedOnly) {
        EXPECT_EQ(w.commandAction(command)->isEnabled(), connected) << static_cast<int>(command);
        if (QAction* tool = w.toolAction(command)) {
            EXPECT_EQ(tool->isEnabled(), connected) << static_cast<int>(command);
        }
    }
    // Always there, whatever the connection.
    EXPECT_TRUE(w.mnuEinstellungen->isEnabled());
    EXPECT_TRUE(w.mnuBeenden->isEnabled());
    EXPECT_TRUE(w.mnuUnterstuetzteEcus->isEnabled());
}

TEST_F(MainWindowTest, DemoStartsTheDiagnosisByItselfAndPolls) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    EXPECT_EQ(Diagnoseleitung, 1);
    EXPECT_EQ(ECUListe.size(), 17u);
    EXPECT_EQ(ECUListe.back().Diagnosekennung, "10780100");
    EXPECT_EQ(DiagAttr.SystemKennung, 16);
    EXPECT_EQ(DiagAttr.SystemUnterKennung, 200);
    EXPECT_EQ(text(w.txtDiagnosekennung), QStringLiteral("---"));
    expectConnectedMenus(w, false);

    w.show();
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    settle();
    EXPECT_EQ(text(w.txtDiagnosekennung), QStringLiteral("10780100"));
    EXPECT_EQ(text(w.txtGeraetenummer), QStringLiteral("841 302 117 0"));
    EXPECT_NE(text(w.txtKonfiguration), QStringLiteral("---"));
    EXPECT_TRUE(w.MainTimer->isActive());
    expectConnectedMenus(w, true);
    EXPECT_EQ(w.statusPanel(0)->text(), QString());
    // Started before the splash closed; it closes soon after.
    EXPECT_EQ(w.tim_MaxSplash->interval(), 500);

    // One tick of the poll: the demo's current fault and values.
    w.MainTimerTimer();
    EXPECT_EQ(text(w.txtAktuellerFehler), QStringLiteral("Level sensor rear left\nSignal implausible"));
    EXPECT_TRUE(w.txtAktuellerFehler->font().bold());
    EXPECT_EQ(text(w.txtGeschwindigkeit), QStringLiteral("17 km/h"));
    EXPECT_EQ(text(w.txtSpgBetrieb), QStringLiteral("24.3 V"));
    EXPECT_EQ(text(w.txtSpgRelaisventil), QStringLiteral("0.0 V"));
    EXPECT_TRUE(w.MainTimer->isActive());

    // Interrupt: the menus and texts follow at the next idle moment.
    w.cmd_ECUStop->trigger();
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
    expectConnectedMenus(w, false);
    EXPECT_EQ(text(w.txtDiagnosekennung), QStringLiteral("---"));
    EXPECT_EQ(text(w.txtAktuellerFehler), QStringLiteral("---"));
    EXPECT_FALSE(w.txtAktuellerFehler->font().bold());

    // Starting again from the tool bar.
    w.cmd_ECUStart->trigger();
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    expectConnectedMenus(w, true);
}

TEST_F(MainWindowTest, WithoutAutoStartTheWindowWaitsForTheTechnician) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
    EXPECT_EQ(w.tim_MaxSplash->interval(), 2000);
    expectConnectedMenus(w, false);
    EXPECT_TRUE(w.startCommand(MenuCommand::DiagnoseStarten));
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    // A disabled command cannot be started from outside either.
    EXPECT_FALSE(w.startCommand(MenuCommand::DiagnoseStarten));
}

TEST_F(MainWindowTest, CommandsWithoutTheirWindowStayDisabled) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    settle();
    for (MenuCommand command : kAllMenuCommands) {
        QAction* action = w.commandAction(command);
        if (!action) continue;
        if (!TfrmMain::availableCommands().count(command)) {
            EXPECT_FALSE(action->isEnabled()) << static_cast<int>(command);
        }
    }
    EXPECT_FALSE(w.startCommand(MenuCommand::Parameter));
    EXPECT_FALSE(w.mnuALBVentil->isVisible());
}

TEST_F(MainWindowTest, DiagnosticMemoryOpensOverThePausedPoll) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    settle();

    bool timerWhileOpen = true;
    QStringList rows;
    ModalScript script([&](QWidget* modal) {
        auto* fsp = qobject_cast<TKeltFsp*>(modal);
        ASSERT_NE(fsp, nullptr);
        timerWhileOpen = w.MainTimer->isActive();
        for (int i = 0; i < fsp->lbFehlerpfad->count(); ++i) rows << fsp->lbFehlerpfad->item(i)->text();
        fsp->btnAbbruch->click();
    });
    w.cmd_FSP->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_FALSE(timerWhileOpen);
    // The demo's two entries, with the texts of the program's fault-text file.
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows.contains(QStringLiteral("Level sensor rear left")));
    EXPECT_TRUE(w.MainTimer->isActive());
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

TEST_F(MainWindowTest, ExitAsksTheApplicationToClose) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    EXPECT_FALSE(hub.closeRequested());
    w.mnuBeenden->trigger();
    EXPECT_TRUE(hub.closeRequested());
}

// The whole program against the simulated interface and ECU, through the real driver and the
// test build of the USB library: from the automatic start to the interrupt.
class MainWindowOnSimulator : public MainWindowTest {
protected:
    void SetUp() override {
        bus.reset();
        DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
        SimConfig config;
        config.generation = 1;
        config.appVersion = "JED-677 V2.04";
        sim = &bus.addDevice(kUsbPort, config);
        ecu->setIdentifier({0x10, 0x78, 0x01, 0x00});
        ecu->setConfiguration(0xFF, 0xFF, 0xFF, 0xFF);
        ecu->setStatusValue(0x48, 200, 0);  // 200 x 0.135 = 27.0 V
        ecu->setStatusValue(0x42, 42, 0);
        ecu->setStatusValue(0x47, 0, 100);  // 100 x 0.135 = 13.5 V
        sim->attachEcu(ecu);
    }
    void TearDown() override {
        bus.reset();
    }

    SimUsbBus& bus = SimUsbBus::instance();
    SimInterface* sim = nullptr;
    std::shared_ptr<SimKeltEcu> ecu = std::make_shared<SimKeltEcu>();
};

TEST_F(MainWindowOnSimulator, StartPollAndInterrupt) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kUsbPort + "\r\n");
    {
        TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
        ASSERT_TRUE(w.initialize());
        w.show();
        ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
        settle();
        EXPECT_TRUE(sim->applicationRunning());
        EXPECT_EQ(text(w.txtDiagnosekennung), QStringLiteral("10780100"));
        EXPECT_NE(text(w.txtGeraetenummer), QStringLiteral("---"));
        expectConnectedMenus(w, true);
        // The status line's connection picture follows (panel 2 is painted from DiagnoseAktiv).
        EXPECT_EQ(w.session().ShownDiagnoseAktiv, 1);

        w.MainTimerTimer();
        EXPECT_EQ(text(w.txtSpgBetrieb), QStringLiteral("27.0 V"));
        EXPECT_EQ(text(w.txtGeschwindigkeit), QStringLiteral(" 42 km/h"));
        EXPECT_EQ(text(w.txtSpgRelaisventil), QStringLiteral("13.5 V"));
        EXPECT_EQ(text(w.txtAktuellerFehler), QString::fromLatin1(LoadStr(11113).c_str()));

        w.mnuDiagnoseUnterbrechen->trigger();
        settle();
        EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
        expectConnectedMenus(w, false);
    }
}

}  // namespace
