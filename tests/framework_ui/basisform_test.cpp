#include "Basisform.h"

#include "Benutzerdaten.h"

#include "BubbleHelp.h"
#include "ErrorHandler.h"
#include "HtmlHelp.h"
#include "InterfaceWait.h"
#include "QtApplicationWindows.h"
#include "SupportedEcuListWindow.h"
#include "MessageBox.h"
#include "PortDialog.h"
#include "PortSelection.h"
#include "ProgramModes.h"
#include "Splash.h"
#include "StringTable.h"
#include "SupportedEcuList.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "MainWindowTestSupport.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTimer>
#include <QWindow>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A program's main window: fills in the identification and the ECU list, and logs the calls the
// start-up makes into it (the steps it may override, then the base's step runs) with what they
// found done before them.
class TestMainWindow : public TNBasisform {
public:
    using TNBasisform::TNBasisform;

    void WechsellaufwerkPruefen() override {
        log.push_back("WechsellaufwerkPruefen");
        TNBasisform::WechsellaufwerkPruefen();
    }
    void InitialisierungVorbereiten() override { log.push_back("InitialisierungVorbereiten"); }
    void Initialisieren() override {
        log.push_back("Initialisieren");
        TNBasisform::Initialisieren();
    }
    void ProgrammkennungEinlesen() override {
        log.push_back("ProgrammkennungEinlesen");
        // The INI file is chosen before, the identification text formed after this override.
        iniFileKnownAtIdentification = !DiagAttr.AppIni.empty();
        identificationAtOverride = DiagAttr.Programmkennung;
        DiagAttr.SystemKennung = 16;
        DiagAttr.SystemUnterKennung = 200;
        DiagAttr.InterneKennung = 1;
        pNData->Kennungsversion = 132;
    }
    void ECUListeFuellen() override {
        log.push_back("ECUListeFuellen");
        captionAtEcuList = windowTitle();
        ECUListe = {{"123 456 789 0", "10700100"}};
    }
    void SchnittstelleWaehlen() override {
        log.push_back("SchnittstelleWaehlen");
        TNBasisform::SchnittstelleWaehlen();
    }
    void DatenverzeichnisseLesen() override {
        log.push_back("DatenverzeichnisseLesen");
        TNBasisform::DatenverzeichnisseLesen();
    }

    bool iniFileKnownAtIdentification = false;
    std::string identificationAtOverride = "(not reached)";
    QString captionAtEcuList;
    void NStatusDrawPanel(QPainter&, const QRect& rect) override { drawnPanels.push_back(rect); }

    std::vector<std::string> log;
    std::vector<QRect> drawnPanels;
};

bool anyVisibleWindowBut(const QWidget* except) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget != except && widget->isVisible()) return true;
    return false;
}

// Answers the safety question as told and every other box with OK.
class BasisformTest : public MainWindowFixture {
protected:
    BasisformTest() {
        env.texts["NORVA_No"] = "123456789";
        env.texts["LegalCopyright"] = "(c) Maker";
        messages.answer = [this](const ShownBox& box) {
            return box.caption == LoadStr(11031) ? safetyAnswer : IDOK;
        };
    }

    // The safety question enters the window's log where the start-up asks it.
    void logSafetyQuestionIn(TestMainWindow& window) {
        messages.answer = [this, &window](const ShownBox& box) {
            if (box.caption != LoadStr(11031)) return IDOK;
            window.log.push_back("safety question");
            return safetyAnswer;
        };
    }

    int safetyAnswer = IDYES;
};

TEST_F(BasisformTest, YesStartsWithTheDerivedWindowsOverrides) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n[User Info]\r\nTester=Alice\r\n");
    const fs::path currentFolder = fs::current_path();
    TestMainWindow window(nullptr, true, environment());
    logSafetyQuestionIn(window);
    EXPECT_TRUE(window.log.empty());  // the constructor calls no overrides

    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(fs::current_path(), currentFolder);  // folders are expanded, the process stays put
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "WechsellaufwerkPruefen", "InitialisierungVorbereiten", "Initialisieren",
                              "ProgrammkennungEinlesen", "ECUListeFuellen", "safety question",
                              "SchnittstelleWaehlen", "DatenverzeichnisseLesen"}));
    EXPECT_TRUE(window.iniFileKnownAtIdentification);
    EXPECT_EQ(window.identificationAtOverride, "");
    // The list is filled last, after the caption.
    EXPECT_EQ(window.captionAtEcuList, QStringLiteral("Tarvik Diagnostic Software (GB) V1.32  123456789"));

    // The safety question, exactly as the program asks it, and no other box.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadStr(11030));
    EXPECT_EQ(messages.shown[0].caption, "Attention! Warning note!");
    EXPECT_EQ(messages.shown[0].flags, 0x34u);

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvik Diagnostic Software (GB) V1.32  123456789"));
    EXPECT_EQ(DiagAttr.Anwendungstitel, "Tarvik Diagnostic Software");
    EXPECT_EQ(DiagAttr.Sprachkennung, "(GB)");
    EXPECT_EQ(DiagAttr.AppIni, iniFile().string());
    EXPECT_EQ(DiagAttr.HilfeDatei, (dir / "prog" / "Tarvik.chm").string());
    EXPECT_EQ(DiagAttr.FspHilfeDatei, (dir / "prog" / "Tarvik_Fsp.chm").string());
    EXPECT_EQ(DiagAttr.Versionsnummer, 132);
    EXPECT_EQ(DiagAttr.Programmkennung, "162000010132");
    EXPECT_EQ(DiagAttr.Schnittstellenname, "COM3");
    EXPECT_EQ(TesterName, "Alice");
    EXPECT_EQ(ECUListe.size(), 1u);
    EXPECT_EQ(Diagnoseleitung, 0);
    EXPECT_TRUE(ports.given.empty());  // a stored port needs no dialog

    const fs::path read = dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "DATA";
    EXPECT_EQ(DiagAttr.ReadDataPfad, read.string() + "/");
    EXPECT_EQ(DiagAttr.WriteDataPfad, (read / "WRITE").string() + "/");
    EXPECT_TRUE(fs::is_directory(read / "WRITE"));
    EXPECT_EQ(pNData->WriteDataPfad, DiagAttr.WriteDataPfad);

    ASSERT_NE(frm_NSplash, nullptr);
    EXPECT_TRUE(frm_NSplash->isVisible());
    EXPECT_TRUE(window.tim_MaxSplash->isActive());
    EXPECT_EQ(window.tim_MaxSplash->interval(), 10000);
}

TEST_F(BasisformTest, SplashIsClosedByItsTimer) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, true, environment());
    ASSERT_TRUE(window.initialize());
    ASSERT_NE(frm_NSplash, nullptr);

    // The splash has been shown for its 3 s minimum; the maximum timer fires (made short here).
    clock.advance(3000);
    window.tim_MaxSplash->setInterval(0);
    EXPECT_TRUE(processEventsUntil([] { return frm_NSplash == nullptr; }));
    EXPECT_FALSE(window.tim_MaxSplash->isActive());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(clock.sleptMs(), 0u);
}

TEST_F(BasisformTest, SplashMinimumTimeIsWaitedForWithATimer) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, true, environment());
    ASSERT_TRUE(window.initialize());
    clock.advance(1000);

    window.SplashSchliessen(3000);  // returns at once: nothing blocks the window
    ASSERT_NE(frm_NSplash, nullptr);
    EXPECT_FALSE(window.tim_MaxSplash->isActive());
    EXPECT_TRUE(window.tim_SplashWarten->isActive());
    EXPECT_EQ(window.tim_SplashWarten->interval(), 2000);  // the rest of the 3 s
    EXPECT_EQ(clock.sleptMs(), 0u);

    // A shorter minimum asked for meanwhile shortens the wait; a longer one does not lengthen it.
    window.SplashSchliessen(1500);
    EXPECT_EQ(window.tim_SplashWarten->interval(), 500);
    window.SplashSchliessen(3000);
    EXPECT_EQ(window.tim_SplashWarten->interval(), 500);

    // The wait ends (made short here): the splash closes.
    window.tim_SplashWarten->setInterval(0);
    EXPECT_TRUE(processEventsUntil([] { return frm_NSplash == nullptr; }));
    EXPECT_FALSE(window.tim_SplashWarten->isActive());
}

TEST_F(BasisformTest, SplashClosesAtOnceWithoutMinimumAndIsHarmlessTwice) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, true, environment());
    ASSERT_TRUE(window.initialize());
    window.SplashSchliessen(1);
    EXPECT_NE(frm_NSplash, nullptr);  // 1 ms not yet passed on the clock
    clock.advance(1);
    window.SplashSchliessen(1);
    EXPECT_EQ(frm_NSplash, nullptr);
    window.SplashSchliessen(0);
    EXPECT_EQ(frm_NSplash, nullptr);
}

// A start that shows neither the port dialog nor the ECU start error builds neither; asked for,
// each is built once, as the window's child, and goes with the window.
TEST_F(BasisformTest, ProgramDialogsAreBuiltWhenFirstAskedFor) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    EXPECT_EQ(programPortDialog(), nullptr);  // no main window has started up
    {
        TestMainWindow window(nullptr, true, environment());
        ASSERT_TRUE(window.initialize());
        EXPECT_TRUE(window.findChildren<TfrmDIPort*>().isEmpty());
        EXPECT_TRUE(window.findChildren<TNInitEcuEH*>().isEmpty());

        TfrmDIPort* port = programPortDialog();
        TNInitEcuEH* ecuStart = programInitEcuDialog();
        ASSERT_NE(port, nullptr);
        ASSERT_NE(ecuStart, nullptr);
        EXPECT_EQ(port->parent(), &window);
        EXPECT_EQ(ecuStart->parent(), &window);
        EXPECT_EQ(programPortDialog(), port);
        EXPECT_EQ(programInitEcuDialog(), ecuStart);
        EXPECT_EQ(window.findChildren<TfrmDIPort*>().size(), 1);

        // A second window starting up meanwhile leaves them with the first.
        TestMainWindow second(nullptr, false, environment());
        ASSERT_TRUE(second.initialize());
        EXPECT_EQ(programPortDialog(), port);
    }
    EXPECT_EQ(programPortDialog(), nullptr);
    EXPECT_EQ(programInitEcuDialog(), nullptr);
}

TEST_F(BasisformTest, NoEndsTheStartAtOnceWithNothingMoreShown) {
    // No port stored: a start that went on would show the port dialog.
    safetyAnswer = IDNO;
    TestMainWindow window(nullptr, true, environment());
    logSafetyQuestionIn(window);
    EXPECT_FALSE(window.initialize());
    EXPECT_TRUE(hub.closeRequested());
    EXPECT_TRUE(window.closeRequested());
    EXPECT_EQ(window.log.back(), "safety question");
    EXPECT_TRUE(ports.given.empty());
    EXPECT_EQ(messages.shown.size(), 1u);  // only the question itself; no "no port" message
    EXPECT_EQ(frm_NSplash, nullptr);
    EXPECT_FALSE(window.tim_MaxSplash->isActive());
    EXPECT_FALSE(anyVisibleWindowBut(nullptr));
}

TEST_F(BasisformTest, NoEndsTheProgramBeforeItsEventLoopRuns) {
    QtApplicationWindows windows;
    hub.setWindows(&windows);
    safetyAnswer = IDNO;
    TestMainWindow window(nullptr, true, environment());
    windows.setMainWindow(&window);
    EXPECT_FALSE(window.initialize());
    EXPECT_TRUE(windows.quitRequested());
    EXPECT_EQ(windows.exec(), 0);  // returns at once: no loop runs, nothing is shown
    EXPECT_FALSE(window.isVisible());
    hub.setWindows(nullptr);
    // The quit asked for outside a loop stays pending for the next loop of this test program;
    // one application loop takes it up (and ends at once).
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
}

TEST_F(BasisformTest, MissingLanguageEndsTheStartBeforeTheIniFileIsChosen) {
    env.texts.erase("SprachID");
    {
        TestMainWindow window(nullptr, true, environment());
        EXPECT_FALSE(window.initialize());
        // Initialisieren stopped at the language check: no identification, no further step.
        EXPECT_EQ(window.log, (std::vector<std::string>{"WechsellaufwerkPruefen", "InitialisierungVorbereiten",
                                                        "Initialisieren"}));
        ASSERT_EQ(messages.shown.size(), 1u);  // the developer note; no safety question
        EXPECT_EQ(messages.shown[0].caption, "Achtung");
        EXPECT_EQ(messages.shown[0].flags, 0x30u);
        EXPECT_TRUE(ports.given.empty());
        EXPECT_EQ(frm_NSplash, nullptr);
        EXPECT_EQ(DiagAttr.AppIni, "");
        TesterName = "Bob";
    }
    // The tester name had no INI file to go to: nothing was written anywhere.
    EXPECT_FALSE(fs::exists(dir / "docs"));
}

TEST_F(BasisformTest, TesterNameIsWrittenBackAtTheEnd) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n[User Info]\r\nTester=Alice\r\n");
    {
        TestMainWindow window(nullptr, true, environment());
        ASSERT_TRUE(window.initialize());
        TesterName = "Bob";
    }
    EXPECT_EQ(ProfileFile(iniFile()).readString("User Info", "Tester"), "Bob");
    EXPECT_EQ(pNData, nullptr);
    EXPECT_EQ(frm_NSplash, nullptr);
}

TEST_F(BasisformTest, AutomationStartsOffScreenWithoutQuestionOrSplash) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n[Optionen]\r\nAutoStart=1\r\n");
    TestMainWindow window(nullptr, true, environment({"/opt/Tarvik", "/Automation"}));
    EXPECT_EQ(AutomatisierungsModus, 1);
    EXPECT_EQ(window.y(), -1000);
    EXPECT_FALSE(window.cmd_Exit->isVisible());
    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(messages.count(LoadStr(11031)), 0);
    EXPECT_EQ(frm_NSplash, nullptr);
    EXPECT_FALSE(window.AutoStartAktiv());
    // Every step but the question and the splash; the splash timer runs all the same.
    EXPECT_EQ(window.log, (std::vector<std::string>{"WechsellaufwerkPruefen", "InitialisierungVorbereiten",
                                                    "Initialisieren", "ProgrammkennungEinlesen",
                                                    "ECUListeFuellen", "SchnittstelleWaehlen",
                                                    "DatenverzeichnisseLesen"}));
    EXPECT_TRUE(window.tim_MaxSplash->isActive());
}

TEST_F(BasisformTest, DemoModeFromTheCommandLineMarksTheCaption) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, true, environment({"/opt/Tarvik", "/D"}));
    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(DemoModus, 1);
    EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral("  123456789 DEMOVERSION")));
    EXPECT_TRUE(window.AutoStartAktiv());
}

TEST_F(BasisformTest, PortChosenAtStartIsStored) {
    ports.result = 1;
    ports.chosen = "COM5";
    TestMainWindow window(nullptr, true, environment());
    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(ports.given.size(), 1u);
    EXPECT_EQ(DiagAttr.Schnittstellenname, "COM5");
    EXPECT_EQ(ProfileFile(iniFile()).readString("SelectPort", "InterfacePort"), "COM5");
}

TEST_F(BasisformTest, NoPortChosenAtStartIsToldAndTheStartGoesOn) {
    ports.result = 2;
    TestMainWindow window(nullptr, true, environment());
    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(DiagAttr.Schnittstellenname, "");
    ASSERT_EQ(messages.count("Tarvik Diagnostic Software"), 1);
    const ShownBox& box = messages.shown.back();
    EXPECT_EQ(box.text, LoadStr(11029));
    EXPECT_EQ(box.flags, 0x30u);
    EXPECT_NE(frm_NSplash, nullptr);
}

// The demo opens no interface: its first start asks for no port and says nothing of one.
TEST_F(BasisformTest, DemoFirstStartAsksForNoPort) {
    ports.result = 1;
    ports.chosen = "COM5";
    TestMainWindow window(nullptr, false, environment({"/opt/Tarvik", "demo"}));
    ASSERT_TRUE(window.initialize());
    EXPECT_TRUE(ports.given.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(DiagAttr.Schnittstellenname, "");
    EXPECT_EQ(ProfileFile(iniFile()).readString("SelectPort", "InterfacePort"), "");
}

TEST_F(BasisformTest, WithoutQuestionFlagTheStartAsksNothing) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BasisformTest, BaseWindowAsksForItsOverrides) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TNBasisform window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[0].text.find("ProgrammkennungEinlesen"), std::string::npos);
    EXPECT_NE(messages.shown[1].text.find("ECUListeFuellen"), std::string::npos);
    EXPECT_EQ(messages.shown[1].caption, "Tarvik Diagnostic Software");
}

TEST_F(BasisformTest, ShortPartNumberIsToldAndTheStartGoesOn) {
    env.texts["NORVA_No"] = "1234";
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Attention!");
    EXPECT_NE(messages.shown[0].text.find("NORVA_No"), std::string::npos);
}

TEST_F(BasisformTest, IniOptionsAtStart) {
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n[Optionen]\r\nVollbild=1\r\nBubbleHelp=0\r\n"
             "[Diagnose]\r\nDiagnosticLine=CAN5V\r\n");
    TestMainWindow window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    EXPECT_TRUE(window.VollbildAktiv());
    EXPECT_TRUE(window.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_FALSE(applicationToolTipsEnabled());
    EXPECT_EQ(window.DiagnoseleitungLesen(1), 3);
    EXPECT_EQ(Diagnoseleitung, 3);
}

TEST_F(BasisformTest, RemovableDriveIsFound) {
    drives.mountPoints = {"/", dir / "prog"};
    drives.removableMountPoints = {dir / "prog"};
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    EXPECT_EQ(WechsellaufwerkAktiv, 1);
}

TEST_F(BasisformTest, ExitButtonAsksTheHubToClose) {
    TestMainWindow window(nullptr, false, environment());
    window.cmd_Exit->trigger();
    EXPECT_TRUE(hub.closeRequested());
}

// --- status line ------------------------------------------------------------------------------

TEST_F(BasisformTest, StatusPanelsShowPortLineAndHints) {
    TestMainWindow window(nullptr, false, environment());
    EXPECT_TRUE(window.TimerAnzeigenAktualisieren->isActive());
    EXPECT_EQ(window.TimerAnzeigenAktualisieren->interval(), 500);

    const struct {
        const char* port;
        uint8_t line;
        const char* text;
    } cases[] = {
        {"COM3", 1, "COM3 <-> K-Line"},
        {"Diagnostic Interface #12345", 2, "USB #12345 <-> CAN 24V"},
        {"Diagnostic-Interface-2", 4, "USB <-> SAE"},  // the name ends where the number would start
        {"", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        DiagAttr.Schnittstellenname = c.port;
        Diagnoseleitung = c.line;
        window.TimerAnzeigenAktualisierenTimer();
        EXPECT_EQ(window.statusPanel(1)->text(), QString::fromLatin1(c.text));
    }

    QStatusTipEvent hint(QStringLiteral("Display of all ECUs supported by this software"));
    QCoreApplication::sendEvent(&window, &hint);
    EXPECT_EQ(window.statusPanel(0)->text(), QStringLiteral("Display of all ECUs supported by this software"));

    // Panel 2 is drawn by the program's window.
    window.statusPanel(2)->grab();
    ASSERT_FALSE(window.drawnPanels.empty());
    EXPECT_EQ(window.drawnPanels.back(), window.statusPanel(2)->contentsRect());

    window.close();  // FormClose: the display timer stops
    EXPECT_FALSE(window.TimerAnzeigenAktualisieren->isActive());
}

// A message of the program ("The ECU is being initialized") stays while the mouse crosses tool
// buttons and menus, empty hints included; without one the hints show as before.
TEST_F(BasisformTest, HintsLeaveAStandingMessageAlone) {
    TestMainWindow window(nullptr, false, environment());
    QLabel* panel = window.statusPanel(0);
    const QString message = QString::fromLatin1(LoadStr(11007).c_str());
    window.showStatusMessage(message);
    for (const QString& hint : {QStringLiteral("Exit program"), QString()}) {
        QStatusTipEvent tip(hint);
        QCoreApplication::sendEvent(window.ToolBar, &tip);
        EXPECT_EQ(panel->text(), message) << hint.toStdString();
    }
    window.showStatusMessage(QString());
    QStatusTipEvent tip(QStringLiteral("Exit program"));
    QCoreApplication::sendEvent(window.ToolBar, &tip);
    EXPECT_EQ(panel->text(), QStringLiteral("Exit program"));
    QStatusTipEvent gone{QString()};
    QCoreApplication::sendEvent(window.ToolBar, &gone);
    EXPECT_EQ(panel->text(), QString());
}

// A long wait on the interface: the hourglass and what the program waits for, painted before
// the wait goes on, then the message that stood before and the normal cursor again.
TEST_F(BasisformTest, ALongInterfaceWaitShowsTheHourglassAndWhatItWaitsFor) {
    const struct {
        WaitKind kind;
        int text;
    } cases[] = {
        {WaitKind::InterfaceReply, 11991},
        {WaitKind::InterfaceRestart, 11006},
    };
    TestMainWindow window(nullptr, false, environment());
    window.show();
    ASSERT_TRUE(processEventsUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    QLabel* panel = window.statusPanel(0);
    const QString before = QString::fromLatin1(LoadStr(11007).c_str());
    window.showStatusMessage(before);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QString painted;
        class Paints : public QObject {
        public:
            explicit Paints(QLabel* label, QString& text) : label_(label), text_(text) {}
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) text_ = label_->text();
                return false;
            }

        private:
            QLabel* label_;
            QString& text_;
        } paints(panel, painted);
        panel->installEventFilter(&paints);
        {
            InterfaceWait wait(c.kind);
            InterfaceWait::announce();
            EXPECT_EQ(painted, QString::fromLatin1(LoadStr(c.text).c_str())) << "painted before the wait goes on";
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        panel->removeEventFilter(&paints);
        EXPECT_EQ(panel->text(), before);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(BasisformTest, AClosedWindowHearsOfNoWait) {
    auto window = std::make_unique<TestMainWindow>(nullptr, false, environment());
    EXPECT_NE(longWaitListener(), nullptr);
    window.reset();
    EXPECT_EQ(longWaitListener(), nullptr);
    InterfaceWait wait;
    InterfaceWait::announce();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(BasisformTest, StatusPanelWidthsFollowTheScreen) {
    TestMainWindow window(nullptr, false, environment());
    window.resize(792, 546);
    window.StatuszeileAnpassen();
    EXPECT_EQ(window.statusPanel(1)->width(), 150 * window.logicalDpiX() / 96);
    EXPECT_EQ(window.statusPanel(2)->width(), 50);
    EXPECT_EQ(window.statusPanel(3), nullptr);
}

TEST_F(BasisformTest, HelpMenuEntries) {
    TestMainWindow window(nullptr, false, environment());
    EXPECT_EQ(window.Hilfe->title(), QStringLiteral("&Help"));
    EXPECT_EQ(window.mnuUnterstuetzteEcus->text(), QStringLiteral("&Supported ECUs..."));
    EXPECT_EQ(window.mnuVersionshitsory->text(), QStringLiteral("&Version history"));
    EXPECT_EQ(window.men_Info->text(), QStringLiteral("&Info about..."));
    EXPECT_EQ(window.men_Info->statusTip(), QStringLiteral("Information about this Diagnostic Software"));
}

TEST_F(BasisformTest, F1AnywhereOpensTheHelpFileOrTellsWhyNot) {
    RecordingHelpViewer viewer;
    ASSERT_TRUE(LoadHtmlHelp());
    writeIni("[SelectPort]\r\nInterfacePort=COM3\r\n");
    TestMainWindow window(nullptr, false, environment());
    ASSERT_TRUE(window.initialize());
    messages.shown.clear();

    QWidget elsewhere;  // any widget of the application
    auto pressF1 = [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QCoreApplication::sendEvent(&elsewhere, &press);
    };
    const std::string help = (dir / "prog" / "Tarvik.chm").string();
    const std::string history = (dir / "prog" / "Tarvik_History.chm").string();
    auto expectMissingFileBox = [&](const std::string& file) {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, messageWithText(11986, file));
        EXPECT_NE(messages.shown[0].text.find(file), std::string::npos);
        EXPECT_EQ(messages.shown[0].caption, DiagAttr.Anwendungstitel);
        EXPECT_EQ(messages.shown[0].flags, MB_OK | MB_ICONWARNING);
        messages.shown.clear();
    };

    // No help file beside the program: the user is told which one is missing.
    pressF1();
    EXPECT_TRUE(viewer.locations.empty());
    expectMissingFileBox(help);
    window.mnuVersionshitsory->trigger();
    EXPECT_TRUE(viewer.locations.empty());
    expectMissingFileBox(history);

    TempDir::writeFile(help, "help");
    pressF1();
    EXPECT_EQ(viewer.locations, std::vector<std::string>{help});
    TempDir::writeFile(history, "history");
    window.mnuVersionshitsory->trigger();
    EXPECT_EQ(viewer.locations, (std::vector<std::string>{help, history}));
    EXPECT_TRUE(messages.shown.empty());

    // Without a help viewer the box says help is not available at all.
    installHtmlHelpViewer(nullptr);
    LoadHtmlHelp();
    pressF1();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadStr(11096));
}

TEST_F(BasisformTest, SupportedEcusWindowLivesOnlyWhileShown) {
    TestMainWindow window(nullptr, false, environment());
    ECUListe = {{"123 456 789 0", "10700100"}};
    ModalScript script([](QWidget* modal) {
        EXPECT_EQ(modal, frmSupportedEcuList);
        ASSERT_NE(frmSupportedEcuList, nullptr);
        frmSupportedEcuList->btn1->click();
    });
    window.mnuUnterstuetzteEcus->trigger();
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(frmSupportedEcuList, nullptr);
}

TEST_F(BasisformTest, UserDataQuestionThroughTheWindow) {
    TestMainWindow window(nullptr, false, environment());
    std::string firma = "A";
    std::string name = "B";
    ModalScript script([](QWidget* modal) {
        auto* dialog = qobject_cast<TNBenutzerdaten*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->btn1->click();  // Cancel ends the program
    });
    EXPECT_FALSE(window.BenutzerdatenEingeben(firma, name));
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(hub.closeRequested());
}

TEST_F(BasisformTest, UserDataDialogShowsTheProgramsTexts) {
    TestMainWindow window(nullptr, false, environment());
    const struct {
        const char* name;
        BenutzerdatenTexte given;
        BenutzerdatenTexte shown;
    } cases[] = {
        {"the dialog's own", {},
         {"User data",
          "Please enter the name of your company and your name. They are shown in the information "
          "window of the program.",
          "Company :", "User name :"}},
        {"the program's", {"Workshop", "Who uses this tester?", "Workshop :", "Technician :"},
         {"Workshop", "Who uses this tester?", "Workshop :", "Technician :"}},
        {"partly given", {"", "Who uses this tester?", "", ""},
         {"User data", "Who uses this tester?", "Company :", "User name :"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string firma = "Busworks";
        std::string name = "A. Tester";
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<TNBenutzerdaten*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(toAnsi(dialog->windowTitle()), c.shown.Titel);
            EXPECT_EQ(toAnsi(dialog->lblUeberschrift->text()), c.shown.Ueberschrift);
            EXPECT_EQ(toAnsi(dialog->lblFirma->text()), c.shown.Firma);
            EXPECT_EQ(toAnsi(dialog->lblName->text()), c.shown.Name);
            EXPECT_EQ(toAnsi(dialog->edFirma->text()), "Busworks");
            EXPECT_EQ(toAnsi(dialog->edName->text()), "A. Tester");
            dialog->edName->setText(QStringLiteral("B. Tester"));
            dialog->btn2->click();
        });
        EXPECT_TRUE(window.BenutzerdatenEingeben(firma, name, c.given));
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(firma, "Busworks");
        EXPECT_EQ(name, "B. Tester");
    }
    EXPECT_FALSE(hub.closeRequested());
}

}  // namespace
