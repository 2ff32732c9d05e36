// The KELT fault-memory window over the simulated ECU (through the fake JED677 layer and through
// the real driver with the simulated USB interface) and in demo mode.
#include "KeltFsp.h"

#include "DriverTestSupport.h"
#include "Fahrzeugdaten.h"
#include "FaultProtocol.h"
#include "HtmlHelp.h"
#include "KeltProgramContext.h"
#include "KeltTestSupport.h"
#include "PdfText.h"
#include "ReportTestSupport.h"
#include "ScriptedFileChooser.h"
#include "StringTable.h"
#include "TextCodec.h"
#include "UiTestSupport.h"
#include "VehicleTexts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

namespace {

const std::string kTarvikFkd =
    "[Komponente]\r\n"
    "10=Supply\r\n"
    "50=Valve block\r\n"
    "51=Level sensor front left\r\n"
    "[Fehlerart]\r\n"
    "13=Parameter definition\r\n"
    "14=Undervoltage\r\n"
    "40=Implausible\r\n"
    "41=Open circuit\r\n"
    "92=Short circuit\r\n"
    "96=Overvoltage\r\n"
    "[Hinweis]\r\n"
    "1013=Check the parameter set.\r\n";

// The window's side of the fixture: the application data the framework window reads, a
// TARVIK.FKD beside the "program" and a help viewer.
class KeltFspFixture : public KeltFixture {
public:
    DiagAttrStruct savedAttr;
    RecordingHelpViewer help;

    void SetUp() override {
        KeltFixture::SetUp();
        savedAttr = DiagAttr;
        DiagAttr.AppIni = attr.AppIni;
        DiagAttr.Anwendungstitel = attr.Anwendungstitel;
        DiagAttr.FspHilfeDatei = (dir / "Tarvik.chm").string();
        TempDir::writeFile(DiagAttr.FspHilfeDatei, "help");
        TempDir::writeFile(dir / "TARVIK.FKD", kTarvikFkd);
    }
    void TearDown() override {
        DiagAttr = savedAttr;
        KeltFixture::TearDown();
    }

    std::unique_ptr<TKeltFsp> window(bool warn = true) {
        return std::make_unique<TKeltFsp>(nullptr, *kelt, true, warn, kelt->EcuDiagnosticIdentification,
                                          dir.path());
    }
    // A connected standard ECU with a diagnosis running.
    void connected() {
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->DiagnoseAktiv = 1;
    }
};

// --- the window -------------------------------------------------------------------------------

TEST_F(KeltFspFixture, LayoutAndTheProgramsOwnTextFile) {
    connected();
    TempDir::writeFile(dir / "10780100.FKD", "[Komponente]\r\n10=Other system\r\n");
    auto w = window();
    EXPECT_EQ(w->FkdDatei, (dir / "TARVIK.FKD").string());
    EXPECT_EQ(w->KomponentenText(10), "Supply");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(w->AnzeigeMaske, 27);
    EXPECT_EQ(w->windowTitle(), "KELT fault memory");
    EXPECT_FALSE(w->btnHilfe->isEnabled());
    EXPECT_FALSE(w->btnFehlerInfo->isEnabled());
    for (QWidget* hidden : std::initializer_list<QWidget*>{w->GroupBox1, w->CheckBoxZyklischAktualisieren,
                                                           w->MaskEdit1, w->StaticText1}) {
        EXPECT_FALSE(hidden->isEnabled());
        EXPECT_TRUE(hidden->isHidden());
    }
    EXPECT_TRUE(ecu->messages().empty()) << "construction does not talk to the ECU";
}

TEST_F(KeltFspFixture, MissingTextFileIsNeverSubstituted) {
    connected();
    fs::remove(dir / "TARVIK.FKD");
    TempDir::writeFile(dir / "TARVIK00.FKD", kTarvikFkd);
    TempDir::writeFile(dir / "10780100.FKD", kTarvikFkd);
    auto w = window();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "File " + (dir / "TARVIK.FKD").string() + " not found. Unable to display message texts.");
    EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(w->KomponentenText(10), "Unknown");
    auto quiet = window(false);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(KeltFspFixture, ShowsAndListsTheEntries) {
    connected();
    ecu->setFaultStatus(0, 0x05);  // (10, 96, 3) and (10, 13, 1), both current
    ecu->setFaultStatus(17, 0xC3);  // (51, 41, 20) and (51, 40, 10), stored, counter 3
    auto w = window();
    ModalScript script([&](QWidget* modal) {
        EXPECT_EQ(modal, w.get());
        EXPECT_EQ(listTexts(w->lbFehlerpfad),
                  (QStringList{"Supply", "Supply", "Level sensor front left", "Level sensor front left"}));
        EXPECT_EQ(w->Fehlertabelle[1].KomponentenName, "Supply");
        EXPECT_EQ(w->Fehlertabelle[1].FehlerartName, "Parameter definition");
        EXPECT_EQ(w->rowView(0).icon, 1);
        EXPECT_EQ(w->rowView(0).line2, QString("Overvoltage"));
        EXPECT_EQ(w->rowView(3).icon, 0);
        EXPECT_EQ(w->rowView(3).line2, QString("Implausible"));

        w->lbFehlerpfad->setCurrentRow(1);
        EXPECT_EQ(w->stxtFehlerhinweis->text(), "Check the parameter set.");
        EXPECT_EQ(w->lblFehlerpfadTxt->text(), "10");
        EXPECT_EQ(w->lblFehlerartTxt->text(), "13");
        EXPECT_EQ(w->lblFehlerwertigkeitTxt->text(), "");
        EXPECT_EQ(w->lblFehlerzaehlerTxt->text(), "1");
        EXPECT_EQ(w->lblFehlernummerTxt->text(), "1");

        // Double-clicking opens the fault's help topic.
        emit w->lbFehlerpfad->itemDoubleClicked(w->lbFehlerpfad->item(1));
        EXPECT_EQ(help.locations, std::vector<std::string>{DiagAttr.FspHilfeDatei + "::/1013.htm"});

        w->btnOK->click();  // refused: current messages
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Current messages are still available");
        EXPECT_TRUE(w->isVisible());
        w->btnAbbruch->click();
    });
    kelt->LetzterFehlercode = 0x1234;
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(ecu->count({0x11}), 1);
    EXPECT_EQ(kelt->LetzterFehlercode, 0);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(KeltFspFixture, EmptyMemoryShowsNoMessagePresent) {
    connected();
    auto w = window();
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(listTexts(w->lbFehlerpfad), QStringList{"No message present"});
        EXPECT_FALSE(w->rowView(0).line2);
        w->btnOK->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDOK);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(KeltFspFixture, RefreshRestartsTheSession) {
    connected();
    ecu->setFaultStatus(0, 0x01);  // (10, 96, 3)
    auto w = window();
    ModalScript script([&](QWidget*) {
        ASSERT_EQ(listTexts(w->lbFehlerpfad), QStringList{"Supply"});
        ecu->setFaultStatus(0, 0x02);  // now (10, 14, 2)
        ecu->clearLog();
        ASSERT_FALSE(w->lblFehlerartTxt->text().isEmpty());
        // While the ECU restarts, nothing of the entry that was listed stays shown.
        std::vector<QString> shownDuringTheWait;
        waitDialog.during = [&] {
            shownDuringTheWait = {w->stxtFehlerhinweis->text(), w->lblFehlerpfadTxt->text(),
                                  w->lblFehlerartTxt->text(), w->lblFehlerzaehlerTxt->text()};
        };
        w->btnAktualisieren->click();
        EXPECT_EQ(shownDuringTheWait, std::vector<QString>(4));
        EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{KELTInterface::kRestartWaitMs});
        EXPECT_EQ(opener.calls, 1);
        EXPECT_EQ(jed.count("JED677StopCommunication"), 1);
        EXPECT_EQ(jed.count("JED677StartCommunication"), 2);
        EXPECT_EQ(ecu->count({0x11}), 3) << "before, after the restart, and the window's own read";
        EXPECT_EQ(w->rowView(0).line2, QString("Undervoltage"));
        EXPECT_TRUE(w->isVisible());
        w->btnAbbruch->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(w->letzteAntwort(), 0);
}

// Clearing asks first; only Yes reaches the ECU, and then the session restarts.
struct ClearAnswer {
    const char* name;
    int answer;
    bool cleared;
};

class KeltFspClear : public KeltFspFixture, public ::testing::WithParamInterface<ClearAnswer> {};

TEST_P(KeltFspClear, AsksFirstAndOnlyYesClearsThenRestarts) {
    const ClearAnswer& c = GetParam();
    connected();
    ecu->setFaultStatus(0, 0x05);
    ecu->setFaultStatus(20, 0x61);  // (54, 40, 13) current
    boxes.answer = [&](const ShownBox&) { return c.answer; };
    auto w = window();
    ModalScript script([&](QWidget*) {
        ASSERT_EQ(w->lbFehlerpfad->count(), 3);
        ecu->clearLog();
        w->btnFehlerLoeschen->click();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, LoadStr(11990));
        EXPECT_EQ(boxes.shown[0].caption, DiagAttr.Anwendungstitel);
        EXPECT_EQ(boxes.shown[0].flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
        const std::vector<SimBytes> bodies = ecu->bodies();
        if (c.cleared) {
            EXPECT_EQ(ecu->faultStatus(), (std::array<uint8_t, SimKeltEcu::kFaultStatusBytes>{}));
            ASSERT_FALSE(bodies.empty());
            EXPECT_EQ(bodies.front(), SimBytes{0x10});
            EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{KELTInterface::kRestartWaitMs});
            EXPECT_EQ(opener.calls, 1);
            EXPECT_EQ(listTexts(w->lbFehlerpfad), QStringList{"No message present"});
            w->btnOK->click();
        } else {
            EXPECT_TRUE(bodies.empty()) << "a request went out";
            EXPECT_TRUE(waitDialog.waits.empty());
            EXPECT_EQ(opener.calls, 0);
            EXPECT_EQ(w->lbFehlerpfad->count(), 3);
            w->btnAbbruch->click();
        }
    });
    EXPECT_EQ(w->Ausfuehren(), c.cleared ? IDOK : IDCANCEL);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, KeltFspClear,
                         ::testing::Values(ClearAnswer{"Yes", IDYES, true}, ClearAnswer{"No", IDNO, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- failures ---------------------------------------------------------------------------------

TEST_F(KeltFspFixture, FailedFirstReadShowsNothing) {
    connected();
    ecu->injectSilence({0x11});
    errors.script(GiveUp);
    auto w = window();
    EXPECT_EQ(w->Ausfuehren(), 0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(w->letzteAntwort(), GiveUp);
    EXPECT_EQ(errors.shownCodes().size(), 1u);
}

TEST_F(KeltFspFixture, ReadRepeatedOnRequest) {
    connected();
    ecu->setFaultStatus(0, 0x01);
    ecu->injectSilence({0x11});
    errors.script(RepeatOperation);
    auto w = window();
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(listTexts(w->lbFehlerpfad), QStringList{"Supply"});
        w->btnAbbruch->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_EQ(ecu->count({0x11}), 2);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

struct ButtonFailure {
    const char* title;
    std::function<void(KeltFspFixture&)> arrange;
    std::function<QPushButton*(TKeltFsp&)> button;
    std::size_t errorsShown;  // by the ECU layer; the port selection shows its own
};

void PrintTo(const ButtonFailure& c, std::ostream* os) { *os << c.title; }

class KeltFspButtonFailures : public KeltFspFixture,
                              public ::testing::WithParamInterface<ButtonFailure> {};

TEST_P(KeltFspButtonFailures, CloseTheWindowWithCancel) {
    connected();
    ecu->setFaultStatus(0, 0x01);  // a current fault: OK would be refused, Cancel is not
    auto w = window();
    ModalScript script([&](QWidget*) {
        w->Timer1->start();
        GetParam().arrange(*this);
        if (GetParam().errorsShown) errors.script(GiveUp);
        boxes.answer = [](const ShownBox&) { return IDYES; };  // clearing asks first
        GetParam().button(*w)->click();
        EXPECT_FALSE(w->isVisible());
        EXPECT_FALSE(w->Timer1->isActive());
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(w->letzteAntwort(), GiveUp);
    EXPECT_EQ(errors.shownCodes().size(), GetParam().errorsShown);
    for (const ShownBox& box : boxes.shown) EXPECT_EQ(box.text, LoadStr(11990));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, KeltFspButtonFailures,
    ::testing::Values(
        ButtonFailure{"RefreshReadSilent", [](KeltFspFixture& f) { f.ecu->injectSilence({0x11}); },
                      [](TKeltFsp& w) { return w.btnAktualisieren; }, 1},
        ButtonFailure{"RefreshReconnectFails",
                      [](KeltFspFixture& f) { f.opener.results.push_back(false); },
                      [](TKeltFsp& w) { return w.btnAktualisieren; }, 0},
        ButtonFailure{"ClearRefused", [](KeltFspFixture& f) { f.ecu->injectNegative({0x10}); },
                      [](TKeltFsp& w) { return w.btnFehlerLoeschen; }, 1},
        ButtonFailure{"ClearRestartReadSilent", [](KeltFspFixture& f) { f.ecu->injectSilence({0x11}); },
                      [](TKeltFsp& w) { return w.btnFehlerLoeschen; }, 1}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(KeltFspFixture, RefreshRepeatedWhileTheUserAsks) {
    connected();
    auto w = window();
    ModalScript script([&](QWidget*) {
        ecu->injectSilence({0x11});  // the restart's first read
        errors.script(RepeatOperation);
        w->btnAktualisieren->click();
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(waitDialog.waits.size(), 1u) << "the failed attempt ended before the wait";
        EXPECT_EQ(jed.count("JED677StopCommunication"), 1);
        w->btnOK->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDOK);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(errors.shownCodes().size(), 1u);
}

// --- tester query -----------------------------------------------------------------------------

TEST_F(KeltFspFixture, TesterQueryIsTheVehicleDataWindow) {
    connected();
    auto w = window();
    for (bool ok : {true, false}) {
        ModalScript script([&](QWidget* modal) {
            auto* dialog = qobject_cast<TfrmFahrzeugdaten*>(modal);
            ASSERT_TRUE(dialog);
            (ok ? dialog->btnOk : dialog->btnAbbruch)->click();
        });
        EXPECT_EQ(w->PrueferAbfragen(), ok);
        EXPECT_TRUE(script.ran());
    }
}

// --- demo mode --------------------------------------------------------------------------------

class KeltFspDemo : public InDemoMode<KeltFspFixture> {
public:
    void SetUp() override {
        InDemoMode::SetUp();
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
    }
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        InDemoMode::TearDown();
    }
};

TEST_F(KeltFspDemo, ListsTheDemoEntries) {
    auto w = window();
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(listTexts(w->lbFehlerpfad), (QStringList{"Valve block", "Valve block"}));
        EXPECT_EQ(w->rowView(0).icon, 1);
        EXPECT_EQ(w->rowView(0).line2, QString("Open circuit"));
        EXPECT_EQ(w->rowView(1).icon, 0);
        EXPECT_EQ(w->rowView(1).line2, QString("Short circuit"));
        EXPECT_EQ(w->lblFehlerzaehlerTxt->text(), "17");

        w->btnAktualisieren->click();
        EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{KELTInterface::kRestartWaitMs});
        EXPECT_EQ(w->lbFehlerpfad->count(), 2);

        boxes.answer = [](const ShownBox&) { return IDYES; };
        w->btnFehlerLoeschen->click();  // the demo memory stays as it is
        EXPECT_EQ(w->lbFehlerpfad->count(), 2);

        emit w->lbFehlerpfad->itemDoubleClicked(w->lbFehlerpfad->item(0));
        EXPECT_EQ(help.locations, std::vector<std::string>{DiagAttr.FspHilfeDatei + "::/5041.htm"});
        w->btnAbbruch->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

// --- protocols in demo mode ---------------------------------------------------------------------

// Saving and printing the demo's fault memory with the program's own context (the ECU's texts
// from the ECU layer) on a clock that stands still; the file dialogs are scripted.
class KeltFspProtocols : public KeltFspDemo {
public:
    struct Context : KeltProgramContext {
        const WallClock& clock() const override { return fixed; }
        FixedWallClock fixed{{2009, 12, 4, 14, 5, 33}};
    };

    void SetUp() override {
        KeltFspDemo::SetUp();
        kelt->InitSystemName();
        kelt->EcuProductNumber = "841 302 117 0";
        saved = {TesterName, VehicleManufacturer, VehicleType, VehicleVIN, VehicleOdometer};
        EcuName = "TARVIK ERROR RECORD";
        previousContext = installProgramContext(&context);
    }
    void TearDown() override {
        installProgramContext(previousContext);
        EcuName.clear();
        TesterName = saved[0];
        VehicleManufacturer = saved[1];
        VehicleType = saved[2];
        VehicleVIN = saved[3];
        VehicleOdometer = saved[4];
        KeltFspDemo::TearDown();
    }

    // Answers the vehicle-data window once its loop runs: the tester and the chassis number typed
    // in, then OK or Cancel; `then` runs after the answer (to arm the next window's script).
    std::unique_ptr<ModalScript> answerVehicleData(bool ok, std::function<void()> then = {}) {
        return std::make_unique<ModalScript>([=, this](QWidget* modal) {
            auto* dialog = qobject_cast<TfrmFahrzeugdaten*>(modal);
            ASSERT_TRUE(dialog);
            dialog->edPruefername->setText(QStringLiteral("Bob"));
            dialog->edFahrgestellnummer->setText(QStringLiteral("WMA12345678901234"));
            (ok ? dialog->btnOk : dialog->btnAbbruch)->click();
            if (then) then();
        });
    }
    std::string protocolText() const { return TempDir::readFile(protocol); }

    Context context;
    ProgramContext* previousContext = nullptr;
    ScriptedFileChooser chooser;
    std::array<std::string, 5> saved;
    fs::path protocol = dir / "demo.FSP";
};

TEST_F(KeltFspProtocols, ButtonsOnlyWhenAskedAndTheSavedDemoMemory) {
    auto plain = window();
    ModalScript notAsked([&](QWidget*) {
        EXPECT_FALSE(plain->bitbtnDrucken->isVisible());
        EXPECT_FALSE(plain->bitbtnSpeichern->isVisible());
        plain->btnAbbruch->click();
    });
    plain->Ausfuehren();

    auto w = window();
    w->DruckenSichtbar(true);
    w->SpeichernSichtbar(true);
    chooser.answers = {protocol};
    ModalScript script([&](QWidget*) {
        EXPECT_TRUE(w->bitbtnDrucken->isVisible());
        EXPECT_TRUE(w->bitbtnSpeichern->isVisible());
        auto vehicle = answerVehicleData(true);
        w->bitbtnSpeichern->click();
        EXPECT_TRUE(vehicle->ran());
        w->btnAbbruch->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_TRUE(script.ran());
    ASSERT_EQ(chooser.shown.size(), 1u);
    EXPECT_EQ(chooser.shown[0].defaultSuffix, "FSP");
    EXPECT_TRUE(boxes.shown.empty());

    const std::string text = protocolText();
    for (const char* line : {"[TARVIK ERROR RECORD]\r\nDate of error record=2009-12-04\r\n",
                             "System=TARVIK\r\nPart number=841 302 117 0\r\n",
                             "Serial number (ecu)=---\r\n",
                             "Chassis number=WMA12345678901234\r\n",
                             "Tester=Bob\r\nError 0 Component=Valve block (50)\r\nError 0 Mode=Open circuit (41)\r\n",
                             "Error 1 Component=Valve block (50)\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << TempDir::visible(text);
    EXPECT_EQ(text.find("Error 2 "), std::string::npos);
}

TEST_F(KeltFspProtocols, CancelToTheVehicleDataOrToOverwritingWritesNothing) {
    const std::string old = "[TARVIK ERROR RECORD]\r\nTester=Old\r\n";
    TempDir::writeFile(protocol, old);
    auto w = window();
    w->SpeichernSichtbar(true);
    ModalScript script([&](QWidget*) {
        auto vehicle = answerVehicleData(false);
        w->bitbtnSpeichern->click();
        EXPECT_TRUE(vehicle->ran());
        EXPECT_TRUE(chooser.shown.empty());

        chooser.answers = {protocol};
        boxes.answer = [](const ShownBox& box) {
            EXPECT_EQ(box.text, "The selected file already exists. Overwrite?");
            return IDCANCEL;
        };
        vehicle = answerVehicleData(true);
        w->bitbtnSpeichern->click();
        EXPECT_TRUE(vehicle->ran());
        EXPECT_EQ(boxes.shown.size(), 1u);
        w->btnAbbruch->click();
    });
    w->Ausfuehren();
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(protocolText(), old);
}

TEST_F(KeltFspProtocols, PrintOpensThePreviewWithTheEntries) {
    const fs::path pdf = dir / "protocol.pdf";
    PdfReportPrinter printer(pdf);
    auto w = window();
    ASSERT_TRUE(w->FehlerspeicherLesen());
    w->DruckenSichtbar(true);
    w->show();
    std::unique_ptr<ModalScript> preview;
    auto vehicle = answerVehicleData(true, [&] {
        preview = std::make_unique<ModalScript>([&](QWidget*) {
            Tfrm_Preview* shown = shownPreview();
            ASSERT_TRUE(shown);
            shown->cmd_Drucken->click();
            shown->cmd_Exit->click();
        });
    });
    w->bitbtnDrucken->click();
    ASSERT_TRUE(vehicle->ran());
    ASSERT_TRUE(preview && preview->ran());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{printedIntoFileText(pdf)});

    const std::string page = pdfPageText(pdf, 1);
    for (const char* text : {"DIAGNOSTIC PROTOCOL", "System TARVIK", "841 302 117 0", "Bob",
                             "WMA12345678901234", "Date 2009-12-04 14:05:33",
                             "X 17 Valve block (50) Open circuit (41)", "Valve block (50) Short circuit"})
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
    w->done(IDCANCEL);
}

// --- through the real driver ------------------------------------------------------------------

class KeltFspThroughTheDriver : public OverTheRealDriver<KeltFspFixture> {
public:
    void SetUp() override {
        OverTheRealDriver::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        kelt->DiagnoseAktiv = 1;
    }
};

TEST_F(KeltFspThroughTheDriver, ListsClearsAndReconnects) {
    ecu->setFaultStatus(0, 0x04);  // (10, 13, 1) current
    ecu->setFaultStatus(18, 0x42);  // (50, 40, 11) stored
    auto w = window();
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(listTexts(w->lbFehlerpfad), (QStringList{"Supply", "Valve block"}));
        EXPECT_EQ(w->rowView(0).line2, QString("Parameter definition"));
        boxes.answer = [](const ShownBox&) { return IDYES; };
        w->btnFehlerLoeschen->click();
        EXPECT_EQ(listTexts(w->lbFehlerpfad), QStringList{"No message present"});
        EXPECT_TRUE(sim->communicating()) << "the session is up again";
        EXPECT_EQ(opener.calls, 1);
        w->btnOK->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDOK);
    EXPECT_EQ(ecu->faultStatus(), (std::array<uint8_t, SimKeltEcu::kFaultStatusBytes>{}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
}

}  // namespace
