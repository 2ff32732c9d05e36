// The parameter editor and its description-file picker under the offscreen platform: against
// the simulated ECU through the real driver and the test build of the USB library, in demo mode,
// and with description files of the test's own.
#include "Parameter.h"
#include "ParameterPKDAuswahl.h"

#include "CommaLocale.h"
#include "DriverTestSupport.h"
#include "ErrorReporter.h"
#include "KeltTestSupport.h"
#include "ParameterDrucken.h"
#include "PdfText.h"
#include "ReportTestSupport.h"
#include "ReadOnlyFile.h"
#include "TestProgramContext.h"
#include "MessageBox.h"
#include "StringTable.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QTextEdit>
#include <QToolButton>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::array<uint8_t, 4> kType107001 = {0x10, 0x70, 0x01, 0x00};  // a 40-byte block

// A description of `bytes` bytes: parameter 3 (WORD, factor 0.5, bar), 7 (bit-coded), 9 (offset
// 40, the unit "°C" in Windows-1252), then one byte parameter each from 10 on.
std::string description(std::size_t bytes) {
    std::string text =
        "[Hinweise]\r\n1=First note\r\n"
        "[ECUListe]\r\n1=841 302 100 0\r\n"
        "[3]\r\nWORD=1\r\nFaktor=0.5\r\nEinheit=bar\r\nText=Pressure limit\r\nText1=front axle\r\n"
        "[7]\r\nBit=1\r\nText0l=Axle off\r\nText0h=Axle on\r\nText7l=Lift off\r\nText7h=Lift on\r\n"
        "[9]\r\nOffset=40\r\nEinheit=\xB0" "C\r\nText=Temperature\r\n";
    for (std::size_t n = 4; n < bytes; ++n) text += "[" + std::to_string(n + 6) + "]\r\n";
    return text;
}

// The block the tests start from: 300 (150.0 bar), bits 5, 200 (160 °C), then 10, 11, ...
SimBytes startBlock(std::size_t bytes) {
    SimBytes block{0x01, 0x2C, 5, 200};
    for (std::size_t n = 4; n < bytes; ++n) block.push_back(static_cast<uint8_t>(n + 6));
    return block;
}

QString editText(const TfrmParameter& w, std::size_t row) { return w.rows().at(row).Eingabefeld->text(); }

void type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
}

void leave(QLineEdit* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
}

void press(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &event);
}

class ParameterEditor : public OverTheRealDriver<KeltFixture> {
public:
    void SetUp() override {
        OverTheRealDriver::SetUp();
        DiagAttr.Anwendungstitel = "KELT Diagnostic";
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_NO_FATAL_FAILURE(connectTo(kType107001));
        ecu->setParameterBlock(startBlock(40));
        kelt->DiagnoseAktiv = 1;
        TempDir::writeFile(dir / "10700100.PKD", description(40));
        ecu->clearLog();
    }
    void TearDown() override {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "hourglass left on";
        OverTheRealDriver::TearDown();
    }

    structParameter record() {
        structParameter r;
        r.pDiagnoseAktiv = &kelt->DiagnoseAktiv;
        r.PKDDatei = (dir / "10700100.PKD").string();
        r.Teilenummer = "841 302 100 0";
        return r;
    }
    std::vector<std::string> shownTexts() const { return boxes.texts(); }
};

TEST_F(ParameterEditor, OpenedWhileConnectedItReadsAtOnceAndShowsTheRows) {
    TfrmParameter w(nullptr);
    EXPECT_EQ(w.windowTitle(), "Parameter");
    EXPECT_EQ(w.minimumSize(), QSize(525, 220));
    ASSERT_EQ(w.prepareExecute(record()), 0);
    EXPECT_EQ(w.SofortLesen, 1);
    EXPECT_EQ(w.windowTitle(), "841 302 100 0 / 10700100");
    EXPECT_EQ(w.parameter().DiagnoseKennung, "10700100");
    EXPECT_EQ(ecu->count({0x14}), 20);
    EXPECT_TRUE(boxes.shown.empty());

    ASSERT_EQ(w.rows().size(), 39u);
    EXPECT_EQ(w.rows()[0].GruppenBox->title(), "Parameter 3");
    EXPECT_EQ(editText(w, 0), "150.0");
    EXPECT_EQ(w.rows()[0].Einheit->text(), "bar");
    ASSERT_EQ(w.rows()[0].Texte.size(), 2u);
    EXPECT_EQ(w.rows()[0].Texte[1]->text(), "front axle");
    EXPECT_EQ(editText(w, 1), "5");
    ASSERT_EQ(w.rows()[1].OptionsGruppen.size(), 8u);
    EXPECT_EQ(w.rows()[1].OptionsGruppen[7]->title(), "Bit7");
    EXPECT_EQ(w.rows()[1].Optionen[7][1]->text(), "Lift on");
    EXPECT_EQ(w.rows()[1].Optionen[3][0]->text(), "---");
    EXPECT_EQ(editText(w, 2), "160");
    EXPECT_EQ(w.rows()[2].Einheit->text(), QString::fromUtf8("°C"));
    EXPECT_EQ(editText(w, 38), "45");
    ASSERT_EQ(w.hinweise().size(), 1u);
    EXPECT_EQ(w.hinweise()[0]->text(), "First note");
    EXPECT_TRUE(w.btnECUSchreiben->isEnabled());
    EXPECT_TRUE(w.btnPCLesen->isEnabled());
    EXPECT_TRUE(w.btnPCSchreiben->isEnabled());
    EXPECT_TRUE(w.btnProtokollDrucken->isEnabled());
    EXPECT_TRUE(w.DebugAusgabe->isHidden());
    EXPECT_FALSE(w.Geaendert());
    EXPECT_EQ(w.ParaSetInfo().Teilenummer, "841 302 100 0");
}

TEST_F(ParameterEditor, AWriteStoresTheBlockWithItsCheckByteAndClearsTheFaultMemory) {
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    type(w.rows()[2].Eingabefeld, "100");
    leave(w.rows()[2].Eingabefeld);
    type(w.rows()[0].Eingabefeld, "20.5");
    leave(w.rows()[0].Eingabefeld);
    EXPECT_TRUE(w.Geaendert());
    ecu->clearLog();

    w.btnECUSchreibenClick();
    SimBytes expected = startBlock(40);
    expected[0] = 0;
    expected[1] = 41;
    expected[3] = 140;
    EXPECT_EQ(ecu->parameterBlock(), expected);
    EXPECT_TRUE(ecu->checkByteFits());
    EXPECT_EQ(ecu->count({0x10}), 1) << "fault memory cleared";
    EXPECT_EQ(waitDialog.waits.size(), 1u) << "session restarted";
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, LoadStr(11653));
    EXPECT_EQ(boxes.shown[0].flags, MB_ICONINFORMATION);
    EXPECT_FALSE(w.Geaendert());
    EXPECT_TRUE(errors.shownCodes().empty());
}

// A give-up while the fault memory is cleared ends the connection; the parameters were written.
TEST_F(ParameterEditor, AGiveUpWhileClearingTheFaultMemoryEndsTheConnection) {
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    ecu->injectNegative({0x10});
    errors.script(GiveUp);
    w.btnECUSchreibenClick();
    EXPECT_EQ(errors.shownCodes().size(), 1u);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(shownTexts(), std::vector<std::string>{LoadStr(11653)});
    // Nothing more goes to an ECU the program has let go.
    EXPECT_FALSE(w.btnECULesen->isEnabled());
    EXPECT_FALSE(w.btnECUSchreiben->isEnabled());
}

struct TransferFailure {
    const char* name;
    SimBytes match;  // the request that fails once
    int answer;      // the error dialog's answer
    bool read;       // the read fails, else the write
    friend void PrintTo(const TransferFailure& c, std::ostream* os) { *os << c.name; }
};

class ParameterTransferFailures : public ParameterEditor,
                                  public ::testing::WithParamInterface<TransferFailure> {};

// Repeat runs the transfer again at once and it succeeds; only a give-up is a failure.
TEST_P(ParameterTransferFailures, RepeatTriesAgainAndGiveUpFails) {
    const TransferFailure& c = GetParam();
    TfrmParameter w(nullptr);
    if (c.read) {
        ecu->injectNegative(c.match);
        errors.script(c.answer);
    }
    ASSERT_EQ(w.prepareExecute(record()), 0);
    if (!c.read) {
        ecu->injectNegative(c.match);
        errors.script(c.answer);
        type(w.rows()[2].Eingabefeld, "100");
        w.btnECUSchreibenClick();
    }
    EXPECT_EQ(errors.shownCodes().size(), 1u);
    const bool repeated = c.answer == RepeatOperation;
    if (c.read) {
        EXPECT_EQ(editText(w, 0), repeated ? "150.0" : "0");
        EXPECT_EQ(w.btnECUSchreiben->isEnabled(), repeated);
        EXPECT_EQ(w.btnECULesen->isEnabled(), repeated) << "a read after a give-up";
        EXPECT_EQ(shownTexts(), repeated ? std::vector<std::string>{} : std::vector<std::string>{LoadStr(11647)});
        EXPECT_EQ(kelt->DiagnoseAktiv, repeated ? 1 : 0);
    } else {
        EXPECT_EQ(ecu->parameterBlock()[3], repeated ? 140 : 200);
        EXPECT_EQ(shownTexts(), std::vector<std::string>{LoadStr(repeated ? 11653 : 11652)});
        EXPECT_EQ(ecu->count({0x10}), repeated ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, ParameterTransferFailures,
    ::testing::Values(TransferFailure{"ReadRepeat", {0x14, 0xD5}, RepeatOperation, true},
                      TransferFailure{"ReadGiveUp", {0x14, 0xD5}, GiveUp, true},
                      TransferFailure{"WriteRepeat", {0x13, 0xD2}, RepeatOperation, false},
                      TransferFailure{"WriteGiveUp", {0x13, 0xD2}, GiveUp, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParameterEditor, AnEntryThatFailsItsCheckStopsTheWriteBeforeAnythingIsSent) {
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    ecu->clearLog();
    type(w.rows()[0].Eingabefeld, "150.2");
    w.btnECUSchreibenClick();
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(shownTexts(), std::vector<std::string>{LoadStr(11658)});
    EXPECT_EQ(editText(w, 0), "150.0");
}

TEST_F(ParameterEditor, RadioGroupsAndTheBitEditFollowEachOther) {
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    const TfrmParameter::ParameterRow& bits = w.rows()[1];
    auto selected = [&] {
        std::string items;
        for (const auto& options : bits.Optionen) items += options[1]->isChecked() ? '1' : '0';
        return items;
    };
    EXPECT_EQ(selected(), "10100000");  // 5
    bits.Optionen[7][1]->click();
    EXPECT_EQ(editText(w, 1), "133");
    EXPECT_TRUE(w.Geaendert());
    type(bits.Eingabefeld, "66");
    EXPECT_EQ(selected(), "01000010");
    type(bits.Eingabefeld, "");
    EXPECT_EQ(selected(), "01000010") << "a text that is no number leaves the options";
    leave(bits.Eingabefeld);
    EXPECT_EQ(shownTexts(), std::vector<std::string>{LoadStr(11656)});
}

TEST_F(ParameterEditor, OnlyNumberKeysReachTheEdits) {
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    QLineEdit* value = w.rows()[0].Eingabefeld;
    QLineEdit* bits = w.rows()[1].Eingabefeld;
    value->clear();
    bits->clear();
    for (QLineEdit* edit : {value, bits})
        for (QChar c : QStringLiteral("-1a.5 "))
            press(edit, c == QLatin1Char('a') ? Qt::Key_A : Qt::Key_unknown, QString(c));
    EXPECT_EQ(value->text(), "-1.5");
    EXPECT_EQ(bits->text(), "15");
}

// A decimal comma typed into a value means what the decimal point means, in every locale: the
// value written to the ECU is the one typed, never ten times it.
class ParameterEditorDecimalComma : public ParameterEditor, public ::testing::WithParamInterface<bool> {};

TEST_P(ParameterEditorDecimalComma, IsTheDecimalPoint) {
    const bool german = GetParam();
    std::optional<CommaLocale> comma;
    const QLocale previousLocale;
    if (german) {
        comma.emplace();
        if (!comma->active()) GTEST_SKIP() << "no decimal-comma locale could be made";
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    QLineEdit* value = w.rows()[0].Eingabefeld;  // WORD, factor 0.5, bar
    const struct {
        const char* keys;
        const char* shown;
        uint8_t high, low;
    } cases[] = {{"12,5", "12.5", 0, 25}, {"12.5", "12.5", 0, 25}, {"0,5", "0.5", 0, 1}, {"150,0", "150.0", 1, 44}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        value->clear();
        for (QChar key : QString::fromLatin1(c.keys))
            press(value, key == QLatin1Char(',') ? Qt::Key_Comma : key == QLatin1Char('.') ? Qt::Key_Period : Qt::Key_unknown,
                  QString(key));
        EXPECT_EQ(value->text(), QString::fromLatin1(c.keys)) << "a key was dropped";
        boxes.shown.clear();
        leave(value);
        EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
        EXPECT_EQ(value->text(), c.shown);
        w.btnECUSchreibenClick();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(11653)});
        ASSERT_GE(ecu->parameterBlock().size(), 2u);
        EXPECT_EQ(ecu->parameterBlock()[0], c.high);
        EXPECT_EQ(ecu->parameterBlock()[1], c.low);
    }
    QLocale::setDefault(previousLocale);
}

INSTANTIATE_TEST_SUITE_P(Locales, ParameterEditorDecimalComma, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "German" : "C"); });

// An empty value left with a button's mnemonic: the entry's message once, and the button is
// not pressed (nothing sent, no file chosen); a valid value and the same key do press it.
struct MnemonicCase {
    const char* name;
    Qt::Key key;
    const char* typed;
    std::vector<int> messages;
    bool written;
};

class ParameterEditorMnemonics : public ParameterEditor, public ::testing::WithParamInterface<MnemonicCase> {};

TEST_P(ParameterEditorMnemonics, LeaveTheEntryOnceChecked) {
    const MnemonicCase& c = GetParam();
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QLineEdit* value = w.rows()[2].Eingabefeld;
    value->setFocus();
    ASSERT_TRUE(value->hasFocus());
    value->setText(QString::fromLatin1(c.typed));
    ecu->clearLog();
    boxes.shown.clear();

    QTest::keyClick(&w, c.key, Qt::AltModifier);
    // A pressed button clicks a moment later; wait for that when it is down.
    ASSERT_TRUE(processEventsUntil([&] { return !w.btnECUSchreiben->isDown() && !w.btnPCSchreiben->isDown(); }));
    std::vector<std::string> expected;
    for (int id : c.messages) expected.push_back(LoadStr(id));
    EXPECT_EQ(boxes.texts(), expected);
    EXPECT_EQ(!ecu->parameterBlock().empty() && ecu->parameterBlock()[3] == 140, c.written);
    if (!c.written) {
        EXPECT_TRUE(ecu->messages().empty()) << "a request went out";
        EXPECT_TRUE(value->hasFocus());
    }
    w.hide();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ParameterEditorMnemonics,
    ::testing::Values(MnemonicCase{"EmptyAltW", Qt::Key_W, "", {11656}, false},
                      MnemonicCase{"EmptyAltI", Qt::Key_I, "", {11656}, false},
                      MnemonicCase{"ValidAltW", Qt::Key_W, "100", {11653}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParameterEditor, ALengthOtherThanTheDescriptionsIsNotShown) {
    TempDir::writeFile(dir / "10700100.PKD", description(4));
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    EXPECT_EQ(shownTexts(), std::vector<std::string>{LoadStr(11651)});
    EXPECT_EQ(editText(w, 0), "0");
    EXPECT_FALSE(w.btnECUSchreiben->isEnabled());
    EXPECT_FALSE(w.btnPCSchreiben->isEnabled());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

// The program's context for one test: file dialogs, message boxes and texts of the test's own.
class InstalledContext {
public:
    InstalledContext() : previous_(installProgramContext(&context)) {
        context.title = "Tarvik Diagnostic Software";
        context.attr.Anwendungstitel = "KELT Diagnostic";
    }
    ~InstalledContext() { installProgramContext(previous_); }
    InstalledContext(const InstalledContext&) = delete;
    InstalledContext& operator=(const InstalledContext&) = delete;

    std::string lastText() const { return context.boxes.shown.empty() ? "" : context.boxes.shown.back().text; }

    TestProgramContext context;

private:
    ProgramContext* previous_;
};

TEST_F(ParameterEditor, TheFileButtonsSaveAndLoadTheShownValues) {
    InstalledContext installed;
    ScriptedFileChooser& chooser = installed.context.chooser;
    const fs::path file = dir / "bus.ECU";
    TfrmParameter w(nullptr);
    structParameter r = record();
    r.Systemname = "KELT";
    ASSERT_EQ(w.prepareExecute(r), 0);
    type(w.rows()[2].Eingabefeld, "100");
    leave(w.rows()[2].Eingabefeld);

    chooser.answers = {file};
    w.btnPCSchreibenClick();
    EXPECT_EQ(installed.lastText(), LoadStr(11650));
    EXPECT_FALSE(w.Geaendert());
    const std::string saved = TempDir::readFile(file);
    EXPECT_NE(saved.find("[KELT Parameter]\r\nDate="), std::string::npos) << saved;
    EXPECT_NE(saved.find("ProductNumber=841 302 100 0\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("DiagnosticIdentification=10700100\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("P_3=300\r\nP_7=5\r\nP_9=140\r\nP_10=10\r\n"), std::string::npos) << saved;

    // Loaded: the values and the file's (empty) origin; Geaendert stays as it was.
    type(w.rows()[2].Eingabefeld, "50");
    leave(w.rows()[2].Eingabefeld);
    chooser.answers = {file};
    w.btnPCLesenClick();
    EXPECT_EQ(installed.lastText(), LoadStr(11649));
    EXPECT_EQ(editText(w, 2), "100");
    EXPECT_TRUE(w.Geaendert());
    EXPECT_EQ(w.ParaSetInfo().Teilenummer, "");
    EXPECT_EQ(TempDir::readFile(file), saved);

    // A refused load keeps the values and where they came from.
    w.btnECULesenClick();
    TempDir::writeFile(file, saved.substr(0, saved.find("Checksum=")) + "Checksum=1\r\n");
    chooser.answers = {file};
    w.btnPCLesenClick();
    EXPECT_EQ(installed.lastText(), LoadStr(11648));
    EXPECT_EQ(editText(w, 2), "160");
    EXPECT_EQ(w.ParaSetInfo().Teilenummer, "841 302 100 0");
}

// Previews the report, prints it from the preview and closes the preview.
void printFromThePreview(const std::function<void()>& show) {
    ModalScript script([](QWidget*) {
        Tfrm_Preview* preview = shownPreview();
        ASSERT_NE(preview, nullptr);
        preview->cmd_Drucken->click();
        preview->cmd_Exit->click();
    });
    show();
    EXPECT_TRUE(script.ran());
}

TEST_F(ParameterEditor, TheProtocolPrintsTheShownValuesWithTheEcusTexts) {
    InstalledContext installed;
    const fs::path pdf = dir / "parameters.pdf";
    PdfReportPrinter printer{pdf};
    TfrmParameter w(nullptr);
    structParameter r = record();
    r.Systemname = "KELT";
    r.Fertigungsdatum = "2009-07-01";
    r.Seriennr = "0815";
    ASSERT_EQ(w.prepareExecute(r), 0);
    type(w.rows()[0].Eingabefeld, "20.5");
    leave(w.rows()[0].Eingabefeld);

    printFromThePreview([&] { w.btnProtokollDruckenClick(); });
    EXPECT_EQ(installed.context.boxes.texts(), std::vector<std::string>{printedIntoFileText(pdf)});
    ASSERT_EQ(pdfPageCount(pdf), 1);
    EXPECT_EQ(pdfInfo(pdf, "Title"), "Fehlerspeicherprotokoll");
    const std::string page = pdfPageText(pdf, 1);
    for (const char* text : {"PARAMETER PROTOCOL", "System KELT", "NORVA part number 841 302 100 0",
                             "Production date 2009-07-01", "Serial number 0815", "Date 2009-12-04",
                             "Format : Parameter number / Parameter value",
                             "3 / 20.5 bar", "7 / 5 ", "9 / 160 \u00B0C", "45 / 45"})
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
}

TEST(ParameterProtocolPdf, FortyRowsAPageInThreeColumns) {
    TempDir dir;
    ScriptedMessageBoxes boxes;
    struct Case {
        int count;
        int pages;
        std::vector<std::string> texts;  // on the last page
    };
    const Case cases[] = {
        {45, 1, {"1 / v1 41 / v41 2 / v2", "5 / v5 45 / v45 6 / v6 7 / v7", "40 / v40"}},
        {130, 2, {"121 / v121 122 / v122", "130 / v130"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const fs::path pdf = dir / ("protocol" + std::to_string(c.count) + ".pdf");
        PdfReportPrinter printer{pdf};
        TParameterPrint layout;
        for (int n = 1; n <= c.count; ++n) {
            layout.Nummern.push_back(std::to_string(n));
            layout.Werte.push_back("v" + std::to_string(n));
        }
        printFromThePreview([&] { layout.Anzeigen(); });
        ASSERT_EQ(pdfPageCount(pdf), c.pages);
        const std::string last = pdfPageText(pdf, c.pages);
        EXPECT_NE(last.find("PARAMETER PROTOCOL"), std::string::npos) << last;
        for (const std::string& text : c.texts) EXPECT_NE(last.find(text), std::string::npos) << text << "\n" << last;
        if (c.pages > 1) {
            const std::string first = pdfPageText(pdf, 1);
            EXPECT_NE(first.find("40 / v40 80 / v80 120 / v120"), std::string::npos) << first;
        }
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{printedIntoFileText(pdf)});
        boxes.shown.clear();
    }
}

TEST_F(ParameterEditor, ASaveThatFailsSaysWhyAndKeepsTheChange) {
    InstalledContext installed;
    // The name in the message is Windows-1252 like the message; '?' for what the code page lacks.
    const fs::path file = dir / "bus \u00E4\u20AC \u4E2D.ECU";
    const std::string original = "[FileInfo]\r\nFileType=NORVA Data File\r\n";
    TempDir::writeFile(file, original);
    ReadOnlyFile readOnly(file);
    if (!readOnly.active()) GTEST_SKIP() << "the file system refuses the immutable flag";
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(record()), 0);
    type(w.rows()[2].Eingabefeld, "100");
    leave(w.rows()[2].Eingabefeld);

    installed.context.chooser.answers = {file};
    installed.context.boxes.answer = [](const ShownBox&) { return IDYES; };  // overwrite it
    w.btnPCSchreibenClick();
    const std::string shown = installed.lastText();
    const std::string prefix = LoadStr(20945).substr(0, LoadStr(20945).find("%s"));
    EXPECT_EQ(shown.substr(0, prefix.size()), prefix) << shown;
    EXPECT_NE(shown.find("bus \xE4\x80 ?.ECU"), std::string::npos) << shown;
    EXPECT_TRUE(w.Geaendert());
    EXPECT_EQ(TempDir::readFile(file), original);
}

// The message names the file looked for, with its folder, so the technician knows what to put
// where.
TEST_F(ParameterEditor, AMissingDescriptionShowsNothing) {
    TfrmParameter w(nullptr);
    structParameter r = record();
    r.PKDDatei = (dir / "10799999.PKD").string();
    EXPECT_EQ(w.Execute(r), 1);
    ASSERT_EQ(shownTexts().size(), 1u);
    const std::string shown = shownTexts()[0];
    EXPECT_EQ(shown.substr(0, LoadStr(11641).size()), LoadStr(11641));
    EXPECT_NE(shown.find("Looked for: " + (dir / "10799999.PKD").string() + "\n"), std::string::npos) << shown;
    EXPECT_TRUE(ecu->messages().empty());
}

// Keys typed while a transfer blocks the window are dropped, not played afterwards.
TEST_F(ParameterEditor, NoInputReachesTheWindowDuringATransfer) {
    TfrmParameter w(nullptr);
    structParameter r = record();
    bool blocking = false;
    r.ParameterLesen = [&](uint16_t& count, std::span<uint8_t> buffer) {
        if (blocking) {
            // The space bar on OK: pressed and released, it would close the window.
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(w.btnOK, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, " "));
        }
        return ReadParameterBlock(count, buffer);
    };
    ASSERT_EQ(w.prepareExecute(r), 0);
    blocking = true;
    w.btnECULesenClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.result(), 0) << "OK was taken";
    EXPECT_EQ(editText(w, 2), "160");
}

TEST_F(ParameterEditor, OkAsksOnlyAfterAChangeAndNoKeepsTheWindow) {
    TfrmParameter w(nullptr);
    boxes.answer = [](const ShownBox&) { return IDNO; };
    bool stayedOpen = false;
    ModalScript script([&](QWidget*) {
        leave(w.rows()[0].Eingabefeld);
        w.btnOK->click();
        stayedOpen = w.isVisible();
        boxes.answer = [](const ShownBox&) { return IDYES; };
        w.btnOK->click();
    });
    EXPECT_EQ(w.Execute(record()), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(shownTexts(), (std::vector<std::string>{LoadStr(11655), LoadStr(11655)}));
    EXPECT_EQ(boxes.shown[0].flags, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(ParameterEditor, CancelNeverAsks) {
    TfrmParameter w(nullptr);
    ModalScript script([&](QWidget*) {
        type(w.rows()[0].Eingabefeld, "20");
        leave(w.rows()[0].Eingabefeld);
        w.btnAbbruch->click();
    });
    EXPECT_EQ(w.Execute(record()), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ecu->count({0x13}), 0) << "nothing is written on close";
}

TEST_F(ParameterEditor, PageAndArrowKeysMoveTheFocusAndTheWheelScrollsByTen) {
    TfrmParameter w(nullptr);
    std::vector<int> focused;
    std::vector<int> scrolled;
    auto focusedRow = [&w] {
        for (std::size_t i = 0; i < w.rows().size(); ++i)
            if (w.focusWidget() == w.rows()[i].Eingabefeld) return static_cast<int>(i);
        return -1;
    };
    // The window's focus widget: whether the window is active is up to the platform.
    ModalScript script([&](QWidget*) {
        w.rows()[0].Eingabefeld->setFocus();
        int row = focusedRow();
        for (int key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_Up,
                        Qt::Key_PageUp, Qt::Key_Up}) {
            ASSERT_GE(row, 0) << "no edit has the focus";
            press(w.rows()[static_cast<std::size_t>(row)].Eingabefeld, key);
            row = focusedRow();
            focused.push_back(row);
        }
        QScrollBar* bar = w.sbParameter->verticalScrollBar();
        bar->setValue(0);
        for (int step : {-120, -120, 120, 120, 120}) {
            QWheelEvent wheel(QPointF(5, 5), w.sbParameter->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, step), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(w.sbParameter->viewport(), &wheel);
            scrolled.push_back(bar->value());
        }
        w.btnAbbruch->click();
    });
    w.Execute(record());
    EXPECT_EQ(focused, (std::vector<int>{5, 10, 11, 6, 5, 0, 0}));
    EXPECT_EQ(scrolled, (std::vector<int>{10, 20, 10, 0, 0}));
}

// --- demo mode ------------------------------------------------------------------------------------

class ParameterEditorInDemo : public InDemoMode<KeltFixture> {};

TEST_F(ParameterEditorInDemo, ADescriptionOfAnotherLengthGivesTheMismatch) {
    TempDir::writeFile(dir / "10780100.PKD", description(4));
    kelt->DiagnoseAktiv = 1;
    structParameter r;
    r.pDiagnoseAktiv = &kelt->DiagnoseAktiv;
    r.PKDDatei = (dir / "10780100.PKD").string();
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(r), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, LoadStr(11651));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(ParameterEditorInDemo, TheShippedExampleDescribesTheDemoBlock) {
    kelt->DiagnoseAktiv = 1;
    structParameter r;
    r.pDiagnoseAktiv = &kelt->DiagnoseAktiv;
    r.PKDDatei = KELT_DEMO_DESCRIPTION;
    TfrmParameter w(nullptr);
    ASSERT_EQ(w.prepareExecute(r), 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(w.description().ParaKonf.AnzahlBytes(), kDemoParameterBlock.size());
    EXPECT_NE(w.hinweise().at(0)->text().indexOf("Example"), -1);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

// --- the picker -----------------------------------------------------------------------------------

class DescriptionPicker : public ::testing::Test {
protected:
    DescriptionPicker() { DiagAttr.Anwendungstitel = "KELT Diagnostic"; }
    void put(const std::string& name, const std::string& text) { TempDir::writeFile(dir / name, text); }

    TempDir dir;
    ScriptedMessageBoxes boxes;
};

TEST_F(DescriptionPicker, AClickEnablesOkWhichChoosesTheLine) {
    put("10780100.PKD", "[ECUListe]\r\n1=841 302 117 0\r\n2=841 302 116 0\r\n[1]\r\n");
    put("b0700100.pkd", "[1]\r\n");
    std::string path = "unchanged";
    std::string ecuNumber = "unchanged";
    TfrmParameterPKDAuswahl picker(nullptr, dir.path());
    EXPECT_EQ(picker.windowTitle(), "ECU selection");
    EXPECT_EQ(picker.minimumSize(), QSize(640, 480));
    QStringList lines;
    bool okBeforeClick = true;
    ModalScript script([&](QWidget*) {
        lines = listTexts(picker.lbPKDDateien);
        QListWidget* list = picker.lbPKDDateien;
        // A double click beside the lines chooses nothing.
        const QPoint beside(5, list->viewport()->height() - 5);
        QMouseEvent twice(QEvent::MouseButtonDblClick, beside, list->viewport()->mapToGlobal(beside),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &twice);
        EXPECT_TRUE(picker.isVisible());
        okBeforeClick = picker.btn2->isEnabled();
        list->setCurrentRow(1);
        emit list->itemClicked(list->item(1));
        picker.btn2->click();
    });
    EXPECT_EQ(picker.Execute(path, ecuNumber), 1);
    EXPECT_EQ(lines, (QStringList{"841 302 117 0   /   10780100", "841 302 116 0   /   10780100",
                                  "?   /   b0700100"}));
    EXPECT_FALSE(okBeforeClick);
    EXPECT_EQ(picker.btn1->text(), "&Cancel");
    EXPECT_TRUE(picker.btn3->isHidden());
    EXPECT_EQ(path, (dir / "10780100.PKD").string());
    EXPECT_EQ(ecuNumber, "841 302 116 0");
}

TEST_F(DescriptionPicker, CancelChoosesNothing) {
    put("10780100.PKD", "[1]\r\n");
    std::string path = "unchanged";
    std::string ecuNumber = "unchanged";
    TfrmParameterPKDAuswahl picker(nullptr, dir.path());
    ModalScript script([&](QWidget*) {
        picker.lbPKDDateien->setCurrentRow(0);
        picker.btn1->click();
    });
    EXPECT_EQ(picker.Execute(path, ecuNumber), 2);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(ecuNumber, "unchanged");
}

TEST_F(DescriptionPicker, AFolderWithoutDescriptionsShowsTheMessageAndNoPicker) {
    put("10780100.txt", "[1]\r\n");
    std::string path, ecuNumber;
    TfrmParameterPKDAuswahl picker(nullptr, dir.path());
    EXPECT_EQ(picker.Execute(path, ecuNumber), 2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string shown = boxes.shown[0].text;
    EXPECT_EQ(shown.substr(0, LoadStr(11641).size()), LoadStr(11641));
    EXPECT_NE(shown.find("Looked for: " + (dir.path() / "*.PKD").string() + "\n"), std::string::npos) << shown;
    EXPECT_EQ(boxes.shown[0].flags, MB_ICONWARNING);
}

// Not connected, the editor opens the file chosen in the picker, however long its path, under
// the chosen ECU's number.
TEST_F(DescriptionPicker, TheEditorOpensTheChosenFileWithoutTheEcu) {
    fs::path folder = dir.path();
    while (folder.string().size() < 300) folder /= std::string(40, 'd');
    fs::create_directories(folder);
    TempDir::writeFile(folder / "10700100.PKD", description(40));
    uint8_t diagnoseAktiv = 0;
    structParameter r;
    r.pDiagnoseAktiv = &diagnoseAktiv;
    r.PKDDatei = (folder / "---.PKD").string();
    r.ParameterLesen = [](uint16_t&, std::span<uint8_t>) -> int {
        ADD_FAILURE() << "read without an ECU";
        return GiveUp;
    };
    TfrmParameter w(nullptr);
    ModalScript script([](QWidget* modal) {
        auto* picker = qobject_cast<TfrmParameterPKDAuswahl*>(modal);
        ASSERT_NE(picker, nullptr);
        picker->lbPKDDateien->setCurrentRow(0);
        picker->done(1);
    });
    ASSERT_EQ(w.prepareExecute(r), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(w.parameter().PKDDatei, (folder / "10700100.PKD").string());
    EXPECT_EQ(w.windowTitle(), "841 302 100 0 / 10700100");
    EXPECT_EQ(w.rows().size(), 39u);
    EXPECT_FALSE(w.btnECULesen->isEnabled());
    EXPECT_FALSE(w.btnECUSchreiben->isEnabled());
}

TEST_F(DescriptionPicker, ACancelledPickerShowsNoEditor) {
    put("10700100.PKD", description(40));
    uint8_t diagnoseAktiv = 0;
    structParameter r;
    r.pDiagnoseAktiv = &diagnoseAktiv;
    r.PKDDatei = (dir / "---.PKD").string();
    TfrmParameter w(nullptr);
    ModalScript script([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(w.Execute(r), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
