// The program's main window as the technician meets it: started in demo mode, and once end to
// end against the simulated interface and ECU behind the test build of the USB library.
#include "Main.h"

#include "AusgaengeAnsteuern.h"
#include "BaudrateUndAdresse.h"
#include "Fahrzeugdaten.h"
#include "Hebensenken.h"
#include "HoldButton.h"
#include "KeltFsp.h"
#include "Messwerte.h"
#include "Parameter.h"
#include "ParameterPKDAuswahl.h"
#include "Schalterstellungen.h"
#include "Wskalibrierdaten.h"

#include "DiagDriver.h"
#include "DriverTestSupport.h"
#include "ErrorHandler.h"
#include "KELTInterface.h"
#include "LayoutCheck.h"
#include "MainWindowTestSupport.h"
#include "MessageBox.h"
#include "PdfText.h"
#include "PortSelection.h"
#include "ReportTestSupport.h"
#include "ScriptedFileChooser.h"
#include "ScriptedTextQuestion.h"
#include "ProgramModes.h"
#include "SimKeltEcu.h"
#include "SimUsbBus.h"
#include "StringTable.h"
#include "SupportedEcuList.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QScreen>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTimer>
#include <QElapsedTimer>
#include <QCursor>
#include <QPointer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Lets every queued event run (the idle moments among them).
void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString text(const QLabel* label) { return label->text(); }

// The names of the widgets that were painted, in order.
class PaintCounter : public QObject {
public:
    std::string painted() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName();
            painted_ += (name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className()) : name)
                            .toStdString() +
                        " ";
        }
        return false;
    }

private:
    std::string painted_;
};

// Answers every Yes/No question (the safety question) with Yes and every other box with OK.
class MainWindowTest : public MainWindowFixture {
protected:
    MainWindowTest() {
        env.texts["NORVA_No"] = "411107001";
        // Our own fault texts for the poll's current fault.
        TempDir::writeFile(env.program.parent_path() / "TARVIK.FKD",
                           "[Komponente]\r\n50=Level sensor rear left\r\n7=Solenoid valve front\r\n"
                           "[Fehlerart]\r\n41=Signal implausible\r\n3=Short circuit to ground\r\n");
        messages.answer = [](const ShownBox& box) {
            return (box.flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        };
    }

    MainWindowEnvironment environment(std::vector<std::string> arguments) {
        MainWindowEnvironment e;
        e.basis = MainWindowFixture::environment(std::move(arguments));
        e.sessionClock = &clock;
        return e;
    }

    // The example parameter description the program ships for the demo ECU, where it looks.
    void installDemoDescription() {
        fs::create_directories(env.program.parent_path() / "demo");
        fs::copy_file(KELT_DEMO_DESCRIPTION, env.program.parent_path() / "demo" / "10780100.PKD");
    }

    // Shown, and the diagnosis started by itself has connected.
    void showConnected(TfrmMain& w) {
        ASSERT_TRUE(w.initialize());
        w.show();
        ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
        settle();
    }

    // Shown without the automatic start: `command` stays disabled, also by its number, until the
    // start command has connected.
    void connectByTheStartCommand(TfrmMain& w, const QAction* command, int number) {
        ASSERT_TRUE(w.initialize());
        w.show();
        settle();
        EXPECT_FALSE(command->isEnabled());
        EXPECT_FALSE(w.startCommandNumber(number));
        ASSERT_TRUE(w.startCommand(MenuCommand::DiagnoseStarten));
        settle();
        ASSERT_EQ(w.ecu().DiagnoseAktiv, 1);
        EXPECT_TRUE(command->isEnabled());
    }

    // Starts command `number` and runs `inWindow` on the window it opens: the poll is paused
    // while the window shows and runs again after it, with the connection kept.
    void openPausingThePoll(TfrmMain& w, int number, const std::function<void(QWidget*)>& inWindow) {
        bool timerWhileOpen = true;
        ModalScript script([&](QWidget* modal) {
            timerWhileOpen = w.MainTimer->isActive();
            inWindow(modal);
        });
        EXPECT_TRUE(w.startCommandNumber(number));
        EXPECT_TRUE(script.ran());
        EXPECT_FALSE(timerWhileOpen);
        EXPECT_TRUE(w.MainTimer->isActive());
        settle();
        EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    }
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
    EXPECT_TRUE(w.Fehlerspeicherprotokolldrucken->isEnabled());
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

// The demo needs no interface: with no port stored its first start asks for none and connects;
// the settings still offer the port dialog.
TEST_F(MainWindowTest, DemoWithoutAStoredPortConnectsWithoutAskingForOne) {
    std::vector<std::string> modals;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modals.push_back(modal->metaObject()->className());
            modal->close();
        }
    });
    closer.start(5);
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    closer.stop();
    EXPECT_TRUE(ports.given.empty());
    EXPECT_EQ(modals, std::vector<std::string>{});
    // Neither "no port selected" nor the missing USB library.
    const std::vector<std::string> texts = messages.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), LoadStr(11029)), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), LoadStr(11071)), 0);
    EXPECT_TRUE(w.mnuEinstellungen->isEnabled());
}

// The window keeps its client size while the connection fills it: two lines of current fault,
// a long configuration, values in every row.
TEST_F(MainWindowTest, ConnectingKeepsTheWindowSize) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    // Centred on the screen before it is shown: the start-up's dialogs centre on it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((w.geometry().center() - screen.center()).manhattanLength(), 2);
    EXPECT_EQ(w.size(), QSize(792, 546));

    w.show();
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    w.MainTimerTimer();
    settle();
    ASSERT_EQ(text(w.txtAktuellerFehler), QStringLiteral("Level sensor rear left\nSignal implausible"));
    EXPECT_EQ(w.size(), QSize(792, 546));
    w.cmd_ECUStop->trigger();
    settle();
    EXPECT_EQ(w.size(), QSize(792, 546));
}

// The safety warning below the vehicle scheme: its six lines in red on the text background,
// inside a sunken frame, every line whole.
TEST_F(MainWindowTest, SafetyWarningStandsInRedOnTheTextBackground) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    settle();
    const QStringList lines = w.txtWarnung->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines.front(), QStringLiteral("ATTENTION !"));
    EXPECT_EQ(lines.back(), QStringLiteral("VEHICLE MOVEMENTS."));
    const QFontMetrics metrics(w.txtWarnung->font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), w.txtWarnung->contentsRect().width()) << line.toStdString();
    EXPECT_LE(6 * metrics.lineSpacing(), w.txtWarnung->contentsRect().height());

    const QImage picture = w.txtWarnung->grab().toImage();
    const QColor base = w.txtWarnung->palette().color(QPalette::Base);
    EXPECT_EQ(picture.pixelColor(picture.width() - 4, picture.height() - 4), base) << "the text background";
    EXPECT_NE(picture.pixelColor(0, 0), base) << "the frame";
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
        }
    EXPECT_GT(red, 100) << "the text is red";
}

// Coming back to the main window from another window repaints none of its displays: no text
// area takes the focus (and with it a repaint) as the window becomes active.
TEST_F(MainWindowTest, ComingBackToTheWindowRepaintsNothing) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    w.activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == &w; }));
    settle();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == &other; }));
    settle();

    PaintCounter paints;
    for (QWidget* child : w.findChildren<QWidget*>()) child->installEventFilter(&paints);
    w.activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return QApplication::activeWindow() == &w; }));
    settle();
    EXPECT_EQ(paints.painted(), "");
}

// Connected, every text of the window is shown whole in its fixed size: the identification rows
// keep their height beside the demo's five configuration lines, and the longest configuration
// (eight lines) scrolls in its own box instead of squeezing the others.
TEST_F(MainWindowTest, ConnectedTextsAreShownWhole) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    w.MainTimerTimer();
    settle();
    ASSERT_EQ(text(w.txtKonfiguration).count('\n'), 4);
    EXPECT_EQ(layoutFaults(&w), "");
    auto* configArea = w.findChild<QScrollArea*>(QStringLiteral("configArea"));
    ASSERT_NE(configArea, nullptr);
    EXPECT_LE(w.txtKonfiguration->heightForWidth(configArea->viewport()->width()),
              configArea->viewport()->height())
        << "the demo's configuration is seen without scrolling";

    KELTInterface& kelt = w.ecu();
    kelt.EcuTyp = 0x107420;
    kelt.CfgPeripheryDetection = kelt.CfgFrontAxle = kelt.CfgRearSensorLeft = kelt.CfgRearSensorRight = 1;
    kelt.CfgAlbValve = kelt.CfgPressureSensor = kelt.CfgTiltSensor = 1;
    w.session().ShowConfiguration();
    w.ShowValues();
    settle();
    ASSERT_EQ(text(w.txtKonfiguration).count('\n'), 7);
    EXPECT_EQ(w.size(), QSize(792, 546));
    EXPECT_EQ(layoutFaults(&w), "");
    // The whole text is within the scroll range.
    const int needed = w.txtKonfiguration->heightForWidth(configArea->viewport()->width());
    EXPECT_GE(configArea->verticalScrollBar()->maximum() + configArea->viewport()->height(), needed);
}

// Every function window, as demo mode fills it, shows its texts whole and its controls inside it
// (the settings dialog on each of its pages), also when made as small as it lets itself be.
TEST_F(MainWindowTest, FunctionWindowsShowTheirTextsWhole) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    installDemoDescription();
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    w.ecu().CfgPressureSensor = 1;
    w.ecu().CfgPressureData = 1;
    w.session().UpdateMenus(true);
    // Not windows of their own: the diagnosis commands, exit, and the protocol print (a file
    // dialog, then the preview).
    const std::set<MenuCommand> noWindow = {MenuCommand::DiagnoseStarten, MenuCommand::DiagnoseUnterbrechen,
                                            MenuCommand::ECUNeustart, MenuCommand::Beenden,
                                            MenuCommand::Fehlerspeicherprotokolldrucken};
    for (const MenuCommandSpec& command : menuCommands()) {
        const auto number = static_cast<int32_t>(command.command);
        if (noWindow.count(command.command) || !w.commandEnabled(number)) continue;
        SCOPED_TRACE(command.name);
        ModalScript script([&](QWidget* modal) {
            settle();
            EXPECT_EQ(layoutFaults(modal), "");
            modal->resize(modal->minimumSize());
            settle();
            EXPECT_EQ(layoutFaults(modal), "") << "at the minimum size";
            if (auto* pages = modal->findChild<QTabWidget*>()) {
                for (int page = 0; page < pages->count(); ++page) {
                    if (!pages->isTabVisible(page)) continue;
                    pages->setCurrentIndex(page);
                    settle();
                    EXPECT_EQ(layoutFaults(modal), "") << pages->tabText(page).toStdString();
                }
            }
            pressEscape(modal);
        });
        EXPECT_TRUE(w.startCommandNumber(number));
        EXPECT_TRUE(script.ran());
        settle();
    }
}

// A current fault whose texts wrap is shown whole: its box takes the height from the
// configuration's, and the window keeps its size. A long component name wraps in the window as it
// opens; a common one (in the fault-text file's code page) when the window is made as small as
// it goes.
TEST_F(MainWindowTest, AWrappedCurrentFaultIsShownWhole) {
    struct Case {
        const char* component;
        bool atMinimumSize;
    };
    for (const Case& c : {Case{"Level sensor of the rear axle on the left-hand side, mounted at the second "
                               "bellows behind the drive axle", false},
                          Case{"Wegsensor Hinterachse links (Gr\xFC\xDF" "e 3\xB0)", true}}) {
        SCOPED_TRACE(c.component);
        TempDir::writeFile(env.program.parent_path() / "TARVIK.FKD",
                           std::string("[Komponente]\r\n50=") + c.component +
                               "\r\n[Fehlerart]\r\n41=Signal implausible\r\n");
        writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
        TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
        ASSERT_NO_FATAL_FAILURE(showConnected(w));
        w.MainTimerTimer();
        if (c.atMinimumSize) w.resize(w.minimumSize());
        settle();
        ASSERT_EQ(text(w.txtAktuellerFehler), fromAnsi(c.component) + QStringLiteral("\nSignal implausible"));
        ASSERT_GE(w.txtAktuellerFehler->heightForWidth(w.txtAktuellerFehler->width()),
                  3 * w.txtAktuellerFehler->fontMetrics().lineSpacing())
            << "the fault takes three lines or more";
        EXPECT_EQ(w.size(), c.atMinimumSize ? w.minimumSize() : QSize(792, 546));
        EXPECT_EQ(layoutFaults(&w), "");
    }
}

// The automatic start blocks the event loop: it begins only once the window has been painted, so
// the technician never looks at an empty frame meanwhile.
TEST_F(MainWindowTest, TheStartBeginsAfterTheFirstPaint) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    struct PaintOrder : QObject {
        QWidget* window = nullptr;
        QLabel* progress = nullptr;
        bool windowPainted = false;
        bool progressBeforePaint = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                if (watched == window) windowPainted = true;
                if (watched == progress && !progress->text().isEmpty() && !windowPainted)
                    progressBeforePaint = true;
            }
            return false;
        }
    } order;
    order.window = &w;
    order.progress = w.statusPanel(0);
    w.installEventFilter(&order);
    w.statusPanel(0)->installEventFilter(&order);
    w.show();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0) << "nothing starts inside show()";
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    EXPECT_TRUE(order.windowPainted);
    EXPECT_FALSE(order.progressBeforePaint);
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
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    for (MenuCommand command : allMenuCommands()) {
        QAction* action = w.commandAction(command);
        if (!action) continue;
        if (!TfrmMain::availableCommands().count(command)) {
            EXPECT_FALSE(action->isEnabled()) << static_cast<int>(command);
        }
    }
    for (MenuCommand command : allMenuCommands())
        if (!TfrmMain::availableCommands().count(command)) {
            EXPECT_FALSE(w.startCommand(command)) << static_cast<int>(command);
        }
    EXPECT_FALSE(w.mnuALBVentil->isVisible());
}

TEST_F(MainWindowTest, ActuatorTestsOpenByTheirNumbersOverThePausedPoll) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    struct Opened {
        int32_t number;
        QString title;
    };
    const Opened commands[] = {{21, QStringLiteral("Lamp test")},
                               {22, QStringLiteral("Throttle")},
                               {24, QStringLiteral("Outputs")}};
    for (const Opened& command : commands) {
        SCOPED_TRACE(command.number);
        QString title;
        openPausingThePoll(w, command.number, [&](QWidget* modal) {
            title = modal->windowTitle();
            qobject_cast<TNBasisDialog*>(modal)->btn1->click();
        });
        EXPECT_EQ(title, command.title);
    }
    // No ECU of this program has the LSV valve: hidden, disabled, not started from outside.
    EXPECT_FALSE(w.mnuALBVentil->isVisible());
    EXPECT_FALSE(w.mnuALBVentil->isEnabled());
    EXPECT_FALSE(w.startCommand(MenuCommand::ALBVentil));
    // The outputs follow their flag.
    w.ecu().CfgOutputs = 0;
    w.session().UpdateMenus(true);
    EXPECT_FALSE(w.mnuAusgaengeAnsteuern->isEnabled());
    EXPECT_FALSE(w.startCommand(MenuCommand::AusgaengeAnsteuern));
    EXPECT_TRUE(w.mnuLampentest->isEnabled());
    EXPECT_TRUE(w.mnuDrosseln->isEnabled());
}

// Raise/lower and the three calibrations open by their numbers over the paused poll, each after
// the caution under the program's product name.
TEST_F(MainWindowTest, RaiseLowerAndCalibrationsOpenAfterTheCaution) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    // The demo ECU has no pressure sensor.
    w.ecu().CfgPressureSensor = 1;
    w.session().UpdateMenus(true);
    struct Opened {
        int32_t number;
        QString title;
    };
    const Opened commands[] = {{20, QStringLiteral("Lifting/lowering")},
                               {41, QStringLiteral("Calibrate the distance sensors")},
                               {42, QStringLiteral("Calibration of the pressure sensor")},
                               {43, QStringLiteral("Calibration of the tilt sensors")}};
    for (const Opened& command : commands) {
        SCOPED_TRACE(command.number);
        ASSERT_TRUE(w.commandEnabled(command.number));
        messages.shown.clear();
        bool timerWhileOpen = true;
        QString title;
        std::size_t boxesBefore = 99;
        ModalScript script([&](QWidget* modal) {
            title = modal->windowTitle();
            timerWhileOpen = w.MainTimer->isActive();
            boxesBefore = messages.shown.size();
            qobject_cast<TNBasisDialog*>(modal)->btn1->click();
        });
        EXPECT_TRUE(w.startCommandNumber(command.number));
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(title, command.title);
        EXPECT_FALSE(timerWhileOpen);
        EXPECT_TRUE(w.MainTimer->isActive());
        ASSERT_EQ(boxesBefore, 1u) << "the caution comes first";
        EXPECT_EQ(messages.shown[0].text, LoadStr(TfrmMain::kCautionText));
        EXPECT_EQ(messages.shown[0].caption, "Tarvik Diagnostic Software");
        EXPECT_EQ(messages.shown[0].flags, 0x30u);
    }
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

// The pressure-sensor commands follow the ECU's pressure sensor (and, for its data, the pressure
// data); the data window opens over the paused poll without the caution.
TEST_F(MainWindowTest, PressureSensorCommandsFollowTheirCapabilities) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    struct State {
        uint8_t sensor, data;
        bool calibration, calibrationData;
    };
    for (const State& c : {State{0, 1, false, false}, State{1, 0, true, false}, State{1, 1, true, true}}) {
        SCOPED_TRACE(testing::Message() << int(c.sensor) << int(c.data));
        w.ecu().CfgPressureSensor = c.sensor;
        w.ecu().CfgPressureData = c.data;
        w.session().UpdateMenus(true);
        EXPECT_EQ(w.mnuKalibrierenDrucksensoren->isEnabled(), c.calibration);
        EXPECT_EQ(w.cmd_DSKalibrieren->isEnabled(), c.calibration);
        EXPECT_EQ(w.commandEnabled(42), c.calibration);
        EXPECT_EQ(w.mnuKalibrierdatenDrucksensoren->isEnabled(), c.calibrationData);
        EXPECT_EQ(w.commandEnabled(45), c.calibrationData);
    }
    messages.shown.clear();
    bool timerWhileOpen = true;
    QString title;
    ModalScript script([&](QWidget* modal) {
        title = modal->windowTitle();
        timerWhileOpen = w.MainTimer->isActive();
        qobject_cast<TNBasisDialog*>(modal)->btn1->click();
    });
    EXPECT_TRUE(w.startCommandNumber(45));
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(title, QStringLiteral("Calibration data of the pressure sensor"));
    EXPECT_TRUE(messages.shown.empty()) << "no caution";
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_TRUE(w.MainTimer->isActive());
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

TEST_F(MainWindowTest, PrintsASavedProtocolWithoutAConnection) {
    const fs::path out = dir / "out";
    fs::create_directories(out);
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n[Directory]\r\nReadData=" +
             out.string() + "\r\nWriteData=" + out.string() + "\r\n");
    const fs::path protocol = out / "bus 12.FSP";
    TempDir::writeFile(protocol,
                       "[OTHER ERROR RECORD]\r\nTester=Someone else\r\n"
                       "[TARVIK ERROR RECORD]\r\n"
                       "Date of error record=2024-03-12\r\nTime of error record=09:15:00\r\nSystem=TARVIK\r\n"
                       "Part number=841 302 115 0\r\nTester Name=Alice\r\n"
                       "Error 0 Component=Valve block (50)\r\nError 0 Mode=Open circuit (41)\r\n"
                       "Error 0 Status=1\r\nError 0 Counter=300\r\nError 0 Timer=0\r\n"
                       "Error 1 Component=Supply (10)\r\nError 1 Mode=Undervoltage (14)\r\n"
                       "Error 1 Status=0\r\nError 1 Counter=2\r\nError 1 Timer=0\r\n");
    const fs::path pdf = dir / "protocol.pdf";
    PdfReportPrinter printer(pdf);
    ScriptedFileChooser chooser;
    chooser.answers = {protocol};

    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    settle();
    ASSERT_EQ(w.ecu().DiagnoseAktiv, 0);
    const std::size_t boxesBefore = messages.shown.size();
    ModalScript preview([&](QWidget*) {
        Tfrm_Preview* shown = shownPreview();
        ASSERT_TRUE(shown);
        EXPECT_FALSE(w.MainTimer->isActive());
        shown->cmd_Drucken->click();
        shown->cmd_Exit->click();
    });
    EXPECT_TRUE(w.startCommand(MenuCommand::Fehlerspeicherprotokolldrucken));
    EXPECT_TRUE(preview.ran());
    settle();

    ASSERT_EQ(chooser.shown.size(), 1u);
    EXPECT_EQ(chooser.shown[0].folder, out);
    // Only where the printed file went.
    ASSERT_EQ(messages.shown.size(), boxesBefore + 1);
    EXPECT_EQ(messages.shown.back().text, printedIntoFileText(pdf));
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
    EXPECT_FALSE(w.MainTimer->isActive());
    const std::string page = pdfPageText(pdf, 1);
    for (const char* part : {"System TARVIK", "841 302 115 0", "Tested by Alice", "Date 2024-03-12 09:15:00",
                             "X 44 Valve block (50) Open circuit (41)", "2 Supply (10) Undervoltage (14)"})
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
    EXPECT_EQ(page.find("Someone else"), std::string::npos);
}

// Saving system data: only while connected, over the stopped poll, the vehicle data asked first;
// the fault record of the saved file prints like a protocol (command 4).
TEST_F(MainWindowTest, SavesSystemDataWhoseFaultRecordPrints) {
    const fs::path out = dir / "out";
    fs::create_directories(out);
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Directory]\r\nReadData=" + out.string() +
             "\r\nWriteData=" + out.string() + "\r\n");
    installDemoDescription();
    const fs::path saved = out / "bus 12";
    ScriptedFileChooser chooser;
    chooser.answers = {saved, saved};
    // The vehicle data ask for the tester; a second question would give another name.
    ScriptedTextQuestion tester;
    tester.answer = "Mallory";

    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    EXPECT_FALSE(w.mnuSystemdatenSpeichern->isEnabled());
    EXPECT_FALSE(w.startCommandNumber(47));
    w.show();
    ASSERT_TRUE(processEventsUntil([&] { return w.ecu().DiagnoseAktiv == 1; }));
    settle();
    EXPECT_TRUE(w.commandEnabled(47));

    bool timerWhileOpen = true;
    ModalScript vehicleData([&](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmFahrzeugdaten*>(modal);
        ASSERT_NE(dialog, nullptr);
        timerWhileOpen = w.MainTimer->isActive();
        dialog->edHersteller->setText(QStringLiteral("MAN"));
        dialog->edPruefername->setText(QStringLiteral("Alice"));
        dialog->btnOk->click();
    });
    messages.shown.clear();
    EXPECT_TRUE(w.startCommandNumber(47));
    EXPECT_TRUE(vehicleData.ran());
    EXPECT_TRUE(tester.asked.empty()) << "the tester is asked once, in the vehicle data";
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_TRUE(w.MainTimer->isActive());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadStr(20059));
    EXPECT_EQ(messages.shown[0].flags, 0x40u);
    const ProfileFile file(saved);
    EXPECT_EQ(file.readString("FileInfo", "Manufacturer"), "MAN");
    EXPECT_EQ(file.readString("TARVIK Parameter", "Testername"), "Alice");
    EXPECT_EQ(file.readString("LevelSensorCalibrationData", "DrivingLevelRear"), "50");
    EXPECT_EQ(file.readString("PressureSensorCalibrationData", "PressureSensor"), "9");
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);

    const fs::path pdf = dir / "record.pdf";
    PdfReportPrinter printer(pdf);
    ModalScript preview([&](QWidget*) {
        Tfrm_Preview* shown = shownPreview();
        ASSERT_TRUE(shown);
        shown->cmd_Drucken->click();
        shown->cmd_Exit->click();
    });
    EXPECT_TRUE(w.startCommand(MenuCommand::Fehlerspeicherprotokolldrucken));
    EXPECT_TRUE(preview.ran());
    ASSERT_EQ(chooser.shown.size(), 2u);
    const std::string page = pdfPageText(pdf, 1);
    for (const char* part : {"System TARVIK", "841 302 117 0", "Tested by Alice",
                             "X 17 Level sensor rear left (50) Signal implausible (41)"})
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
}

// The menus, their items with separators and submenus, and the tool bar, as the command table
// lays them out: object names, "-" for a separator, "submenu>items" for a submenu.
std::string layoutOf(const QList<QAction*>& actions) {
    std::string names;
    for (const QAction* action : actions) {
        if (!names.empty()) names += ' ';
        if (action->isSeparator())
            names += '-';
        else if (action->menu())
            names += action->menu()->objectName().toStdString() + ">(" + layoutOf(action->menu()->actions()) + ")";
        else
            names += action->objectName().toStdString();
    }
    return names;
}

TEST_F(MainWindowTest, MenusAndToolBarFollowTheCommandTable) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    std::string menus;
    for (const QAction* action : w.menuBar()->actions())
        menus += (action->menu() ? action->menu()->objectName() : QString()).toStdString() + ":" +
                 action->text().toStdString() + " ";
    EXPECT_EQ(menus, "mnuDiagnose:&Diagnosis mnuInformation:&Information mnuAnsteuern:&Control "
                     "mnuMesswerte:&Measured values mnuSystem:&System mnuOptionen:&Options Hilfe:&Help ");
    auto items = [&](const char* menu) {
        QMenu* m = w.findChild<QMenu*>(QString::fromLatin1(menu));
        return m ? layoutOf(m->actions()) : std::string("(missing)");
    };
    EXPECT_EQ(items("mnuDiagnose"), "mnuDiagnoseStarten mnuDiagnoseUnterbrechen mnuECUNeustart - "
                                    "Drucken1>(Fehlerspeicherprotokolldrucken) - mnuBeenden");
    EXPECT_EQ(items("mnuInformation"), "mnuFehlersuche");
    EXPECT_EQ(items("mnuAnsteuern"),
              "mnuHebenSenken mnuLampentest mnuDrosseln mnuALBVentil mnuAusgaengeAnsteuern");
    EXPECT_EQ(items("mnuMesswerte"), "mnuSchalterstellungen mnuMesswerteAnzeigen");
    EXPECT_EQ(items("mnuSystem"),
              "mnuParameter - mnuKalibrierenWegsensoren mnuKalibrierenDrucksensoren "
              "mnuKalibrierenTiltsensoren - mnuKalibrierdatenWegsensor mnuKalibrierdatenDrucksensoren - "
              "mnuSystemdatenSpeichern mnuBaudrateUndAdresse");
    EXPECT_EQ(items("mnuOptionen"), "mnuEinstellungen");
    EXPECT_EQ(w.Fehlerspeicherprotokolldrucken->text(), QStringLiteral("&Print diagnostic memory protocol ..."));
    EXPECT_EQ(w.mnuKalibrierenTiltsensoren->text(), QStringLiteral("Ca&libration of the tilt sensors..."));
    EXPECT_EQ(w.commandAction(MenuCommand::UnterstuetzteEcus), w.mnuUnterstuetzteEcus);
    EXPECT_EQ(w.commandAction(MenuCommand::KalibrierdatenTiltsensoren), nullptr);

    EXPECT_EQ(layoutOf(w.ToolBar->actions()),
              "- cmd_Exit - cmd_ECUStart cmd_ECUStop cmd_ECUReset cmd_FSP cmd_HebenSenken cmd_Messwerte "
              "cmd_Schalter cmd_Parametrieren cmd_WSKalibrieren cmd_DSKalibrieren");
    EXPECT_EQ(w.cmd_Messwerte->toolTip(), QStringLiteral("Display current measured values of the ECU"));
    EXPECT_EQ(w.toolAction(MenuCommand::Fehlersuche), w.cmd_FSP);
}

TEST_F(MainWindowTest, DiagnosticMemoryOpensOverThePausedPoll) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));

    bool timerWhileOpen = true;
    bool printAndSave = false;
    QStringList rows;
    ModalScript script([&](QWidget* modal) {
        auto* fsp = qobject_cast<TKeltFsp*>(modal);
        ASSERT_NE(fsp, nullptr);
        timerWhileOpen = w.MainTimer->isActive();
        printAndSave = fsp->bitbtnDrucken->isVisible() && fsp->bitbtnSpeichern->isVisible();
        for (int i = 0; i < fsp->lbFehlerpfad->count(); ++i) rows << fsp->lbFehlerpfad->item(i)->text();
        fsp->btnAbbruch->click();
    });
    w.cmd_FSP->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_TRUE(printAndSave);
    // The demo's two entries, with the texts of the program's fault-text file.
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows.contains(QStringLiteral("Level sensor rear left")));
    EXPECT_TRUE(w.MainTimer->isActive());
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

// Both live displays open over the paused poll from their menu item, their tool button and by
// number (the automation client's way), show the demo's values and end with OK.
TEST_F(MainWindowTest, SwitchAndValueWindowsOpenEveryWay) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));

    struct Way {
        const char* name;
        std::function<void()> open;
    };
    auto ways = [&w](MenuCommand command) {
        return std::vector<Way>{
            {"menu", [&w, command] { w.commandAction(command)->trigger(); }},
            {"tool button", [&w, command] { w.toolAction(command)->trigger(); }},
            {"number", [&w, command] { EXPECT_TRUE(w.startCommand(command)); }},
        };
    };
    for (const Way& way : ways(MenuCommand::Schalterstellungen)) {
        SCOPED_TRACE(way.name);
        bool timerWhileOpen = true;
        QString firstRow;
        ModalScript script([&](QWidget* modal) {
            auto* window = qobject_cast<TfrmSchalterstellungen*>(modal);
            ASSERT_NE(window, nullptr);
            timerWhileOpen = w.MainTimer->isActive();
            EXPECT_EQ(window->rows().size(), 13u);
            EXPECT_TRUE(processEventsUntil([&] { return window->rows()[0]->lblZustand->text() != "---"; }));
            firstRow = window->rows()[0]->lblZustand->text();
            window->btn1->click();
        });
        way.open();
        EXPECT_TRUE(script.ran());
        EXPECT_FALSE(timerWhileOpen);
        EXPECT_TRUE(firstRow == "Contact open" || firstRow == "Contact to earth") << firstRow.toStdString();
        EXPECT_TRUE(w.MainTimer->isActive());
    }
    for (const Way& way : ways(MenuCommand::MesswerteAnzeigen)) {
        SCOPED_TRACE(way.name);
        bool timerWhileOpen = true;
        QStringList values;
        ModalScript script([&](QWidget* modal) {
            auto* window = qobject_cast<TNMesswerte*>(modal);
            ASSERT_NE(window, nullptr);
            timerWhileOpen = w.MainTimer->isActive();
            QTreeWidget* list = window->ListView1;
            EXPECT_TRUE(processEventsUntil([&] { return list->topLevelItem(0)->text(0) != "---"; }));
            for (int i = 0; i < list->topLevelItemCount(); ++i) values << list->topLevelItem(i)->text(0);
            window->btn1->click();
        });
        way.open();
        EXPECT_TRUE(script.ran());
        EXPECT_FALSE(timerWhileOpen);
        EXPECT_EQ(values, (QStringList{"22", "24", "0", "104", "120", "122", "87", "100", "103"}));
        EXPECT_TRUE(w.MainTimer->isActive());
    }
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    expectConnectedMenus(w, true);
}

// Without a connection the parameter command opens the picker over the description files
// beside the program; cancelled, no editor follows and the poll stays off.
TEST_F(MainWindowTest, ParameterCommandWithoutAConnectionOpensThePicker) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TempDir::writeFile(env.program.parent_path() / "10700100.PKD", "[ECUListe]\r\n1=841 302 100 0\r\n[1]\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_TRUE(w.initialize());
    w.show();
    settle();
    ASSERT_EQ(w.ecu().DiagnoseAktiv, 0);
    EXPECT_TRUE(w.mnuParameter->isEnabled());
    EXPECT_TRUE(w.cmd_Parametrieren->isEnabled());
    QStringList lines;
    ModalScript script([&](QWidget* modal) {
        auto* picker = qobject_cast<TfrmParameterPKDAuswahl*>(modal);
        ASSERT_NE(picker, nullptr);
        lines = listTexts(picker->lbPKDDateien);
        picker->btn1->click();
    });
    EXPECT_TRUE(w.startCommand(MenuCommand::Parameter));
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(lines, QStringList{"841 302 100 0   /   10700100"});
    EXPECT_FALSE(w.MainTimer->isActive());
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
}

// Demo mode opens the editor with the example description the program ships for the demo's
// identifier; afterwards the session is restarted and polls again.
TEST_F(MainWindowTest, DemoOpensTheEditorWithTheExampleDescription) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n");
    installDemoDescription();
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    bool timerWhileOpen = true;
    QString caption;
    std::size_t rows = 0;
    ModalScript script([&](QWidget* modal) {
        auto* editor = qobject_cast<TfrmParameter*>(modal);
        ASSERT_NE(editor, nullptr);
        timerWhileOpen = w.MainTimer->isActive();
        caption = editor->windowTitle();
        rows = editor->rows().size();
        editor->btnAbbruch->click();
    });
    w.cmd_Parametrieren->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_EQ(caption, QStringLiteral("841 302 117 0 / 10780100"));
    EXPECT_EQ(rows, 54u);
    EXPECT_TRUE(messages.shown.empty() || messages.shown.back().text != LoadStr(11651));
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    EXPECT_TRUE(w.MainTimer->isActive());
}

// Enabled only while connected; opens by its number over the paused poll, in demo mode with the
// sample address and code.
TEST_F(MainWindowTest, AddressAndBaudRateOpenByNumberWhileConnected) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(connectByTheStartCommand(w, w.mnuBaudrateUndAdresse, 48));
    messages.shown.clear();
    openPausingThePoll(w, 48, [&](QWidget* modal) {
        auto* window = qobject_cast<TfrmBaudrateUndAdresse*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->edECUAdresse->text(), QStringLiteral("16"));
        EXPECT_TRUE(window->rb9600Baud->isChecked());
        EXPECT_FALSE(window->rb1200Baud->isEnabled());
        window->edECUAdresse->setText(QStringLiteral("20"));
        window->btnSpeichernAdresse->click();
        window->btn1->click();
    });
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "The data are stored in the ECU");
}

// The level data: enabled only while connected; open by their number over the paused poll, in
// demo mode with the sample values, and Cancel asks nothing after a change.
TEST_F(MainWindowTest, LevelDataOpenByNumberWhileConnected) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_NO_FATAL_FAILURE(connectByTheStartCommand(w, w.mnuKalibrierdatenWegsensor, 44));
    messages.shown.clear();
    openPausingThePoll(w, 44, [](QWidget* modal) {
        auto* window = qobject_cast<TfrmWSKalibrierdaten*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->edFNVorn->text(), QStringLiteral("55"));
        EXPECT_EQ(window->edDiffLinksRechts->text(), QStringLiteral("104"));
        window->edFNVorn->setText(QStringLiteral("56"));
        window->btn2->click();
    });
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, HelpFilesAndTheMissingHelpSystem) {
    writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    auto helpMissing = [&] {
        return std::count_if(messages.shown.begin(), messages.shown.end(),
                             [](const ShownBox& box) { return box.text == LoadStr(11096); });
    };
    {
        TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
        ASSERT_TRUE(w.initialize());
        // No help viewer in this process: said once, as information, under the program's title.
        ASSERT_EQ(helpMissing(), 1);
        const auto box = std::find_if(messages.shown.begin(), messages.shown.end(),
                                      [](const ShownBox& b) { return b.text == LoadStr(11096); });
        EXPECT_EQ(box->caption, DiagAttr.Anwendungstitel);
        EXPECT_EQ(box->flags, 0x40u);
        // Fault information opens the program's main help file, not a "_Fsp" one.
        EXPECT_EQ(fs::path(DiagAttr.HilfeDatei).filename(), "Tarvik.chm");
        EXPECT_EQ(DiagAttr.FspHilfeDatei, DiagAttr.HilfeDatei);
    }
    messages.shown.clear();
    RecordingHelpViewer viewer;
    TfrmMain w(nullptr, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(w.initialize());
    EXPECT_EQ(helpMissing(), 0);
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
        ecu->setIdentifier({0x10, 0x78, 0x01, 0x00});
        ecu->setConfiguration(0xFF, 0xFF, 0xFF, 0xFF);
        ecu->setStatusValue(0x48, 200, 0);  // 200 x 0.135 = 27.0 V
        ecu->setStatusValue(0x42, 42, 0);
        ecu->setStatusValue(0x47, 0, 100);  // 100 x 0.135 = 13.5 V
        sim = &plugInSimulatedInterface(ecu);
    }
    void TearDown() override {
        bus.reset();
    }

    SimUsbBus& bus = SimUsbBus::instance();
    SimInterface* sim = nullptr;
    std::shared_ptr<SimKeltEcu> ecu = std::make_shared<SimKeltEcu>();
};

TEST_F(MainWindowOnSimulator, StartPollAndInterrupt) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    {
        TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
        ASSERT_NO_FATAL_FAILURE(showConnected(w));
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

// A live display whose ECU is given up in the real error dialog ends the connection: the main
// window closes it at its next idle moment.
TEST_F(MainWindowOnSimulator, AGivenUpLiveDisplayEndsTheConnection) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    // A start without an error has built no error dialog.
    EXPECT_TRUE(w.findChildren<TNErrorHandler*>().isEmpty());
    ecu->injectNegative({0x43});

    // Cancel in the error dialog as soon as it shows, inside the window's own poll; the window
    // then closes by itself (a window still open after 10 s fails the test).
    int errorDialogs = 0;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<TNErrorHandler*>(QApplication::activeModalWidget())) {
            ++errorDialogs;
            dialog->btn1->click();
        }
    });
    cancel.start(5);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* window = qobject_cast<TNMesswerte*>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "the measured values stayed open";
            window->done(-99);
        }
    });
    guard.start(10000);
    w.cmd_Messwerte->trigger();
    cancel.stop();
    // [0x43] is asked by the measured values alone: the window polled and its failure was shown.
    EXPECT_EQ(errorDialogs, 1);
    EXPECT_EQ(w.findChildren<TNErrorHandler*>().size(), 1);
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);

    settle();
    EXPECT_FALSE(sim->communicating());
    expectConnectedMenus(w, false);
    EXPECT_EQ(text(w.txtDiagnosekennung), QStringLiteral("---"));
}

// A clock for the session's waits that looks at the window while it waits.
class WatchedWaits final : public Clock {
public:
    uint64_t nowMs() const override { return now_; }
    void sleepMs(uint64_t ms) override {
        now_ += ms;
        if (onWait) onWait();
    }
    std::function<void()> onWait;

private:
    uint64_t now_ = 0;
};

// What the window shows while the session waits for the restarting ECU.
struct ShownWhileWaiting {
    bool hourglass = false;
    QString status;
    bool editorVisible = false;
};

// After the editor wrote parameters, the ECU is restarted and its configuration read again (a
// configuration changed meanwhile shows). While the restart waits, the editor is gone from the
// screen, the hourglass shows and the status line says why.
TEST_F(MainWindowOnSimulator, AfterTheEditorWroteTheEcuIsRestartedAndTheConfigurationReadAgain) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    fs::copy_file(KELT_DEMO_DESCRIPTION, env.program.parent_path() / "10780100.PKD");
    WatchedWaits waits;
    MainWindowEnvironment e = environment({"/opt/Tarvik"});
    e.sessionClock = &waits;
    TfrmMain w(nullptr, e);
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    const QString before = text(w.txtKonfiguration);
    QString firstValue;
    QPointer<TfrmParameter> shownEditor;
    std::vector<ShownWhileWaiting> waited;
    waits.onWait = [&] {
        waited.push_back({QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor,
                          w.statusPanel(0)->text(), shownEditor && shownEditor->isVisible()});
    };
    ModalScript script([&](QWidget* modal) {
        auto* editor = qobject_cast<TfrmParameter*>(modal);
        ASSERT_NE(editor, nullptr);
        shownEditor = editor;
        firstValue = editor->rows().at(0).Eingabefeld->text();
        editor->btnECUSchreibenClick();
        ecu->setConfiguration(0x00, 0x00, 0x00, 0x00);
        ecu->clearLog();
        editor->btnAbbruch->click();
    });
    w.cmd_Parametrieren->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(firstValue, QStringLiteral("255")) << "read at once from the ECU";
    EXPECT_EQ(ecu->count({0x0F}), 1) << "the ECU session was stopped and started again";
    ASSERT_EQ(waited.size(), 1u);
    EXPECT_TRUE(waited[0].hourglass);
    EXPECT_EQ(waited[0].status, QString::fromLatin1(LoadStr(11992).c_str()));
    EXPECT_FALSE(waited[0].editorVisible);
    EXPECT_NE(text(w.txtKonfiguration), before);
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    EXPECT_TRUE(w.MainTimer->isActive());
    EXPECT_EQ(w.statusPanel(0)->text(), QString());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    settle();
    expectConnectedMenus(w, true);
}

// An editor that wrote nothing leaves the connection as it was: no stop, no wait, no new start.
TEST_F(MainWindowOnSimulator, AfterTheEditorWithoutAWriteTheConnectionGoesOn) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    fs::copy_file(KELT_DEMO_DESCRIPTION, env.program.parent_path() / "10780100.PKD");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    const uint64_t sleptBefore = clock.sleptMs();
    ModalScript script([&](QWidget* modal) {
        auto* editor = qobject_cast<TfrmParameter*>(modal);
        ASSERT_NE(editor, nullptr);
        ecu->clearLog();
        editor->btnAbbruch->click();
    });
    w.cmd_Parametrieren->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(ecu->count({0x0F}), 0);
    EXPECT_EQ(clock.sleptMs(), sleptBefore);
    EXPECT_EQ(bus.counters().closes, 0);
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    EXPECT_TRUE(w.MainTimer->isActive());
    settle();
    expectConnectedMenus(w, true);
}

// "Reset ECU" says why the window waits and shows the hourglass meanwhile.
TEST_F(MainWindowOnSimulator, ResetEcuSaysWhyTheWindowWaits) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    WatchedWaits waits;
    MainWindowEnvironment e = environment({"/opt/Tarvik"});
    e.sessionClock = &waits;
    TfrmMain w(nullptr, e);
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    std::vector<ShownWhileWaiting> waited;
    waits.onWait = [&] {
        waited.push_back({QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor,
                          w.statusPanel(0)->text(), false});
    };
    w.cmd_ECUReset->trigger();
    ASSERT_EQ(waited.size(), 1u);
    EXPECT_TRUE(waited[0].hourglass);
    EXPECT_EQ(waited[0].status, QString::fromLatin1(LoadStr(11992).c_str()));
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
    EXPECT_EQ(w.statusPanel(0)->text(), QString());
}

// An interface that goes silent in the middle of the poll blocks the window for the driver's
// whole time-out. Within a second of the wait's start, and while it still goes on, the hourglass
// shows and the status line says what the program waits for; both go when the wait ends.
TEST_F(MainWindowOnSimulator, ASilentInterfaceShowsTheHourglassAndWhatTheProgramWaitsFor) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    constexpr qint64 kSilenceMs = 2000;

    struct Painted {
        qint64 atMs;
        QString text;
        bool hourglass;
    };
    std::vector<Painted> painted;
    QElapsedTimer sincePoll;
    class PanelPaints : public QObject {
    public:
        explicit PanelPaints(std::function<void()> seen) : seen_(std::move(seen)) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) seen_();
            return false;
        }

    private:
        std::function<void()> seen_;
    } paints([&] {
        painted.push_back({sincePoll.elapsed(), w.statusPanel(0)->text(),
                           QApplication::overrideCursor() &&
                               QApplication::overrideCursor()->shape() == Qt::WaitCursor});
    });
    w.statusPanel(0)->installEventFilter(&paints);

    // The error dialog the time-out ends in: given up.
    qint64 errorShownAtMs = -1;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<TNErrorHandler*>(QApplication::activeModalWidget())) {
            if (errorShownAtMs < 0) errorShownAtMs = sincePoll.elapsed();
            dialog->btn1->click();
        }
    });
    cancel.start(5);

    bus.setSilenceWaitMs(kSilenceMs);
    sim->setSilent(true);
    sincePoll.start();
    w.MainTimerTimer();
    sim->setSilent(false);
    cancel.stop();
    w.statusPanel(0)->removeEventFilter(&paints);

    const QString waiting = QString::fromLatin1(LoadStr(11991).c_str());
    const auto first = std::find_if(painted.begin(), painted.end(), [&](const Painted& p) { return p.text == waiting; });
    ASSERT_NE(first, painted.end()) << "the status line never said what the program waits for";
    EXPECT_LT(first->atMs, 1000);
    EXPECT_TRUE(first->hourglass);
    ASSERT_GE(errorShownAtMs, kSilenceMs) << "the wait ended early";
    EXPECT_LT(first->atMs, errorShownAtMs);
    // Over after the wait: the error dialog was shown, the connection given up.
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_NE(w.statusPanel(0)->text(), waiting);
}

TEST_F(MainWindowOnSimulator, OutputsSwitchedOnAreOffAgainAfterTheWindow) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    ModalScript script([&](QWidget* modal) {
        auto* outputs = qobject_cast<TfrmAusgaengeAnsteuern*>(modal);
        ASSERT_NE(outputs, nullptr);
        ASSERT_EQ(outputs->rows().size(), 2u);
        outputs->rows()[0]->btnAnsteuern->click();
        EXPECT_TRUE(processEventsUntil([&] { return ecu->actuationWord()[0] == 0x40; }));
        outputs->btn1->click();
    });
    EXPECT_TRUE(w.startCommand(MenuCommand::AusgaengeAnsteuern));
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, (SimBytes{0x21, 0x00, 0x00}));
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

// Raising through the real driver: the rear valves charge while "Charge" is held, and the
// window's OK leaves them released. A parameter-definition fault then refuses the calibration
// without a window.
TEST_F(MainWindowOnSimulator, RaiseLowerThroughTheDriverAndTheRefusedCalibration) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kSimulatedPort + "\r\n");
    TfrmMain w(nullptr, environment({"/opt/Tarvik"}));
    ASSERT_NO_FATAL_FAILURE(showConnected(w));
    ModalScript script([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmHebenSenken*>(modal);
        ASSERT_NE(window, nullptr);
        window->btn2WSLinks->click();
        window->btn2WSRechts->click();
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, window->btnHeben->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->btnHeben, &press);
        EXPECT_TRUE(processEventsUntil([&] { return ecu->actuationWord() == std::array<uint8_t, 2>{0x07, 0x00}; }));
        window->btn2->click();
    });
    EXPECT_TRUE(w.startCommand(MenuCommand::HebenSenken));
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, (SimBytes{0x21, 0x00, 0x00}));
    settle();
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);

    ecu->setFaultStatus(0, 0x04);  // an active parameter-definition fault
    messages.shown.clear();
    w.cmd_WSKalibrieren->trigger();
    ASSERT_EQ(messages.shown.size(), 1u) << "no caution, no window";
    EXPECT_EQ(messages.shown[0].text, LoadStr(TfrmMain::kParameterFaultText));
    EXPECT_EQ(messages.shown[0].caption, w.ecu().applicationTitle());
    EXPECT_EQ(messages.shown[0].flags, 0x30u);
    EXPECT_TRUE(w.MainTimer->isActive());
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 1);
}

}  // namespace
