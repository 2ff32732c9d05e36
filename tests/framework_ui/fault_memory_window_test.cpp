// The framework's fault-memory window under the offscreen platform, with a small derived window
// whose "ECU" is a list of entries.
#include "Fehlerspeicher.h"

#include "FaultProtocol.h"
#include "FspPrint.h"
#include "HtmlHelp.h"
#include "MessageBox.h"
#include "NData.h"
#include "ProgramModes.h"
#include "ProfileFile.h"
#include "ProtocolRecords.h"
#include "ReadOnlyFile.h"
#include "ReportTestSupport.h"
#include "ScriptedMessageBoxes.h"
#include "ScriptedTextQuestion.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TestProgramContext.h"
#include "TextCodec.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kFkd =
    "[Komponente]\r\n"
    "3=Level sensor rear\r\n"
    "10=Supply\r\n"
    "50=Valve block\r\n"
    "[Fehlerart]\r\n"
    "7=Short circuit\r\n"
    "41=Open circuit\r\n"
    "[Hinweis]\r\n"
    "307=Check the sensor cable.\r\n";

FehlerEintrag entry(int32_t komponente, int32_t fehlerart, int32_t status, int32_t nummer = 0) {
    FehlerEintrag e;
    e.KomponentenCode = komponente;
    e.FehlerartCode = fehlerart;
    e.Status = status;
    e.Zaehler = 4;
    e.Timer = 9;
    e.Nummer = nummer;
    return e;
}

// A system's fault-memory window: its "ECU" holds `memory`; a read or clear answers from the
// scripts (true when they are used up).
class TestFsp final : public TNFehlerspeicher {
public:
    TestFsp(const std::string& name, bool fallback, bool warn, const fs::path& folder)
        : TNFehlerspeicher(nullptr, name, fallback, warn, folder) {
        initialize();
    }
    void Voreinstellungen() override {
        ++presets;
        AnzeigeMaskeSetzen(0x1F);
    }
    bool FehlerspeicherLesen() override {
        ++reads;
        if (!readResults.empty()) {
            const bool ok = readResults.front();
            readResults.pop_front();
            if (!ok) return false;
        }
        FehlerTabelleLoeschen();
        for (std::size_t i = 0; i < memory.size() && i < Fehlertabelle.size(); ++i)
            Fehlertabelle[i] = memory[i];
        return true;
    }
    bool FehlerspeicherLoeschen() override {
        ++clears;
        if (!clearResult) return false;
        memory.clear();
        return true;
    }
    void UmweltdatenAnzeigen(const FaultEntryKey& key) override { keys.push_back(key); }
    void ProtokollErgaenzen(ProfileAccess& protokoll) override {
        for (const auto& [key, value] : extraKeys) ASSERT_TRUE(protokoll.writeString(EcuName, key, value));
    }
    void ProtokollGelesen() override { readFiles.push_back(ProtokollDatei); }
    // Printing is recorded; with printForReal the base prints too (the preview).
    void TabelleDrucken(FehlerspeicherProtokoll& record) override {
        if (printForReal) TNFehlerspeicher::TabelleDrucken(record);
        printed.push_back({false, record});
    }
    void ProtokolldatenDrucken(FehlerspeicherProtokoll& record) override {
        if (printForReal) TNFehlerspeicher::ProtokolldatenDrucken(record);
        printed.push_back({true, record});
    }
    using TNFehlerspeicher::ProtokollLesen;

    std::vector<FehlerEintrag> memory;
    std::deque<bool> readResults;
    bool clearResult = true;
    int presets = 0;
    int reads = 0;
    int clears = 0;
    std::vector<FaultEntryKey> keys;
    std::vector<std::pair<std::string, std::string>> extraKeys;
    std::vector<std::string> readFiles;
    struct Printed {
        bool daten;  // ProtokolldatenDrucken
        FehlerspeicherProtokoll record;
    };
    std::vector<Printed> printed;
    bool printForReal = false;
};

class FaultMemoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedAttr = DiagAttr;
        savedTester = TesterName;
        DiagAttr.AppIni = (dir / "APP.INI").string();
        DiagAttr.Anwendungstitel = "Test Diagnostic";
        DiagAttr.FspHilfeDatei = (dir / "Test_Fsp.chm").string();
        DiagAttr.HilfeDatei = (dir / "Test.chm").string();
        TempDir::writeFile(DiagAttr.FspHilfeDatei, "help");
        TempDir::writeFile(DiagAttr.HilfeDatei, "help");
        TempDir::writeFile(dir / "SYSTEM.FKD", kFkd);
        // Every box the window shows carries the application title.
        boxes.answer = [](const ShownBox& box) {
            EXPECT_EQ(box.caption, DiagAttr.Anwendungstitel);
            return IDOK;
        };
    }
    void TearDown() override {
        DiagAttr = savedAttr;
        TesterName = savedTester;
    }

    std::unique_ptr<TestFsp> window(std::vector<FehlerEintrag> memory = {}, bool warn = false) {
        auto w = std::make_unique<TestFsp>("SYSTEM", false, warn, dir.path());
        w->memory = std::move(memory);
        return w;
    }
    // Read and shown without a modal loop, as Ausfuehren shows it.
    std::unique_ptr<TestFsp> shown(std::vector<FehlerEintrag> memory) {
        auto w = window(std::move(memory));
        EXPECT_TRUE(w->FehlerspeicherLesen());
        w->show();
        return w;
    }
    void writeSortOrder(const std::string& value) {
        ProfileFile ini(DiagAttr.AppIni);
        ASSERT_TRUE(ini.writeString("OPTIONEN", "DTC_SORTING", value));
    }
    std::optional<std::string> storedSortOrder() const {
        return ProfileFile(DiagAttr.AppIni).value("OPTIONEN", "DTC_SORTING");
    }

    TempDir dir;
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    DiagAttrStruct savedAttr;
    std::string savedTester;
};

// --- construction and the fault-text file -----------------------------------------------------

TEST_F(FaultMemoryWindowTest, DerivedInitialisationRunsOnce) {
    auto w = window();
    EXPECT_EQ(w->presets, 1);
    EXPECT_EQ(w->AnzeigeMaske, 0x1F);
    EXPECT_EQ(w->FkdDatei, (dir / "SYSTEM.FKD").string());
    EXPECT_TRUE(boxes.shown.empty());
    w->initialize();
    w->show();
    EXPECT_EQ(w->presets, 1);
    EXPECT_EQ(w->windowTitle(), fromAnsi(w->FkdDatei));
}

TEST_F(FaultMemoryWindowTest, BaseWindowInitialisesAtItsFirstUse) {
    TNFehlerspeicher w(nullptr, "SYSTEM", false, false, dir.path());
    EXPECT_FALSE(w.initialized());
    EXPECT_EQ(w.KomponentenText(50), "Valve block");
    EXPECT_TRUE(w.initialized());
    EXPECT_EQ(w.AnzeigeMaske, 15);
    EXPECT_TRUE(w.EintragLeer(0));
    EXPECT_TRUE(w.EintragLeer(99));
    EXPECT_TRUE(w.EintragLeer(200));
}

TEST_F(FaultMemoryWindowTest, MessagesAboutTheFaultTextFile) {
    const fs::path odd = dir / "odd %s%n folder";
    fs::create_directories(odd);
    TempDir::writeFile(odd / "10780127.FKD", kFkd);
    TempDir::writeFile(odd / "10780125.FKD", kFkd);
    struct Case {
        const char* title;
        std::string name;
        bool fallback;
        bool warn;
        std::string fkd;
        std::vector<std::string> texts;
    } cases[] = {
        {"Substitute", "1078012A", true, true, (odd / "10780127.FKD").string(),
         {"The original FKD file could not be found. " + (odd / "10780127.FKD").string() +
          " will be used. The message texts may be displayed incorrectly."}},
        {"SubstituteQuietly", "1078012A", true, false, (odd / "10780127.FKD").string(), {}},
        {"Missing", "1078012A", false, true, (odd / "1078012A.FKD").string(),
         {"File " + (odd / "1078012A.FKD").string() + " not found. Unable to display message texts."}},
        {"ShortNameNoSubstitute", "107801", true, true, (odd / "107801.FKD").string(),
         {"File " + (odd / "107801.FKD").string() + " not found. Unable to display message texts."}},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        TNFehlerspeicher w(nullptr, c.name, c.fallback, c.warn, odd);
        w.initialize();
        EXPECT_EQ(w.FkdDatei, c.fkd) << c.title;
        ASSERT_EQ(boxes.shown.size(), c.texts.size()) << c.title;
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(boxes.shown[i].text, c.texts[i]) << c.title;
            EXPECT_EQ(boxes.shown[i].flags, MB_OK | MB_ICONWARNING) << c.title;
        }
    }
}

TEST_F(FaultMemoryWindowTest, EmptyIniPathIsReportedAndWorkGoesOn) {
    DiagAttr.AppIni.clear();
    auto w = window();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "No entry in the DiagAttr.AppIni file!");
    EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(w->KomponentenText(3), "Level sensor rear");
    EXPECT_EQ(w->ComboBoxSort->currentIndex(), 0);
}

// --- the list ---------------------------------------------------------------------------------

TEST_F(FaultMemoryWindowTest, EmptyMemoryShowsNoMessagePresent) {
    auto w = window();
    ModalScript script([&](QWidget*) {
        ASSERT_EQ(listTexts(w->lbFehlerpfad), QStringList{"No message present"});
        const FaultRowView row = w->rowView(0);
        EXPECT_EQ(row.icon, 0);
        EXPECT_FALSE(row.line2);
        EXPECT_FALSE(w->EintraegeVorhanden);
        EXPECT_EQ(w->AnzahlEintraege, 0);
        EXPECT_EQ(w->Anzeigetabelle[0].KomponentenName, "No message present");
        for (QLabel* label : {w->stxtFehlerhinweis, w->lblFehlerpfadTxt, w->lblFehlerartTxt,
                              w->lblFehlerzaehlerTxt, w->lblFehlerdauerTxt, w->lblFehlernummerTxt})
            EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
        w->btnFehlerInfo->click();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "No message present");
        EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONINFORMATION);
        EXPECT_TRUE(help.locations.empty());
        w->btnUmweltdaten->click();
        EXPECT_TRUE(w->keys.empty());
        w->btnOK->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDOK);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(w->reads, 1);
}

TEST_F(FaultMemoryWindowTest, EntriesWithTextsHintAndDetails) {
    auto w = shown({entry(3, 7, 1, 81), entry(50, 99, 0, 12), entry(77, 41, 0)});
    EXPECT_EQ(listTexts(w->lbFehlerpfad),
              (QStringList{"Level sensor rear", "Valve block", "Unknown"}));
    EXPECT_EQ(w->AnzahlEintraege, 3);
    EXPECT_TRUE(w->AktuelleFehlerVorhanden);
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 0);
    const FaultRowView first = w->rowView(0);
    EXPECT_EQ(first.icon, 1);
    EXPECT_EQ(first.line2, QString("Short circuit"));
    EXPECT_EQ(w->rowView(1).icon, 0);
    EXPECT_EQ(w->rowView(1).line2, QString("Unknown"));
    EXPECT_EQ(w->stxtFehlerhinweis->text(), "Check the sensor cable.");
    EXPECT_EQ(w->lblFehlerpfadTxt->text(), "3");
    EXPECT_EQ(w->lblFehlerartTxt->text(), "7");
    EXPECT_EQ(w->lblFehlerwertigkeitTxt->text(), "0");
    EXPECT_EQ(w->lblFehlerzaehlerTxt->text(), "4");
    EXPECT_EQ(w->lblFehlerdauerTxt->text(), "");
    EXPECT_EQ(w->lblFehlernummerTxt->text(), "81");

    // The user picks row 1: its hint is missing, its number shown.
    w->lbFehlerpfad->setCurrentRow(1);
    EXPECT_TRUE(w->ZeileGewaehlt[1]);
    EXPECT_FALSE(w->ZeileGewaehlt[0]);
    EXPECT_EQ(w->stxtFehlerhinweis->text(), "---");
    EXPECT_EQ(w->lblFehlerpfadTxt->text(), "50");
    EXPECT_EQ(w->lblFehlernummerTxt->text(), "12");

    w->btnFehlerInfo->click();
    EXPECT_EQ(help.locations, std::vector<std::string>{DiagAttr.FspHilfeDatei + "::/5099.htm"});
    w->btnHilfe->click();
    EXPECT_EQ(help.locations.back(), DiagAttr.HilfeDatei);
    EXPECT_TRUE(boxes.shown.empty());

    // Without the fault-information file the user is told which file is missing.
    std::filesystem::remove(DiagAttr.FspHilfeDatei);
    w->btnFehlerInfo->click();
    EXPECT_EQ(help.locations.size(), 2u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, messageWithText(11986, DiagAttr.FspHilfeDatei));
    w->done(IDCANCEL);
}

// The texts are read once per change of the file: a window opened after the file changed, and
// a row chosen after it changed, show the new texts.
TEST_F(FaultMemoryWindowTest, TextsFollowTheFileBetweenOpeningsAndRowChanges) {
    auto first = shown({entry(3, 7, 0), entry(50, 41, 0)});
    EXPECT_EQ(first->stxtFehlerhinweis->text(), "Check the sensor cable.");
    first->done(IDCANCEL);

    TempDir::writeFile(dir / "SYSTEM.FKD",
                       "[Komponente]\r\n3=Height sensor\r\n50=Valves\r\n[Hinweis]\r\n307=Renewed hint.\r\n"
                       "5041=Check the valve plug again.\r\n");
    auto second = shown({entry(3, 7, 0), entry(50, 41, 0)});
    EXPECT_EQ(listTexts(second->lbFehlerpfad), (QStringList{"Height sensor", "Valves"}));
    EXPECT_EQ(second->stxtFehlerhinweis->text(), "Renewed hint.");

    TempDir::writeFile(dir / "SYSTEM.FKD", "[Hinweis]\r\n5041=The newest hint.\r\n");
    second->lbFehlerpfad->setCurrentRow(1);
    EXPECT_EQ(second->stxtFehlerhinweis->text(), "The newest hint.");
    second->done(IDCANCEL);
}

// A long hint scrolls in its own area: the list keeps its rows whatever the hint's length.
TEST_F(FaultMemoryWindowTest, LongHintScrollsInItsOwnArea) {
    std::string longHint;
    while (longHint.size() < 1000) longHint += "Check the sensor cable and its plug. ";
    TempDir::writeFile(dir / "LONG.FKD", "[Komponente]\r\n3=Level sensor rear\r\n[Fehlerart]\r\n7=Short circuit\r\n"
                                         "[Hinweis]\r\n307=" + longHint + "\r\n308=Short.\r\n");
    auto w = std::make_unique<TestFsp>("LONG", false, false, dir.path());
    w->memory = {entry(3, 8, 1), entry(3, 7, 1)};
    ASSERT_TRUE(w->FehlerspeicherLesen());
    w->show();
    w->lbFehlerpfad->setCurrentRow(0);
    QCoreApplication::processEvents();
    const int listHeight = w->lbFehlerpfad->height();
    const QSize windowSize = w->size();
    w->lbFehlerpfad->setCurrentRow(1);
    QCoreApplication::processEvents();
    ASSERT_EQ(w->stxtFehlerhinweis->text().size(), 1023) << "as the window shows it, cut to its field";
    EXPECT_EQ(w->lbFehlerpfad->height(), listHeight);
    EXPECT_EQ(w->size(), windowSize);
    auto* area = w->findChild<QScrollArea*>(QStringLiteral("hintArea"));
    ASSERT_NE(area, nullptr);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0) << "the rest of the hint is scrolled to";
}

// The hint's scroll area paints nothing of its own: beside and below the hint the box's
// background shows, as at the box's edge.
TEST_F(FaultMemoryWindowTest, HintStandsOnItsBoxBackground) {
    auto w = shown({entry(3, 7, 0)});
    w->lbFehlerpfad->setCurrentRow(0);
    QCoreApplication::processEvents();
    auto* area = w->findChild<QScrollArea*>(QStringLiteral("hintArea"));
    ASSERT_NE(area, nullptr);
    ASSERT_EQ(area->verticalScrollBar()->maximum(), 0) << "a short hint";
    const QImage box = w->GroupBox2->grab().toImage();
    const QRect inArea = area->geometry();
    const QColor edge = box.pixelColor(inArea.left() - 2, inArea.bottom() - 2);
    const QColor blank = box.pixelColor(inArea.right() - 2, inArea.bottom() - 2);
    EXPECT_EQ(blank.name().toStdString(), edge.name().toStdString());
}

TEST_F(FaultMemoryWindowTest, NothingSelectedIsSafe) {
    auto w = shown({entry(3, 7, 0), entry(50, 41, 0)});
    w->btnUmweltdaten->setEnabled(true);
    w->lbFehlerpfad->setCurrentRow(-1);
    EXPECT_EQ(std::count(w->ZeileGewaehlt.begin(), w->ZeileGewaehlt.end(), true), 0);
    EXPECT_TRUE(w->stxtFehlerhinweis->text().isEmpty());
    w->btnFehlerInfo->click();
    w->btnUmweltdaten->click();
    emit w->lbFehlerpfad->itemDoubleClicked(w->lbFehlerpfad->item(0));
    EXPECT_TRUE(help.locations.empty());
    EXPECT_TRUE(w->keys.empty());
    EXPECT_TRUE(boxes.shown.empty());

    w->lbFehlerpfad->setCurrentRow(1);
    w->btnUmweltdaten->click();
    ASSERT_EQ(w->keys.size(), 1u);
    EXPECT_EQ(w->keys[0], (FaultEntryKey{50, 41, 0}));
    w->done(IDOK);
}

TEST_F(FaultMemoryWindowTest, EnvironmentDataButtonFollowsTheCaller) {
    auto w = window({entry(3, 7, 0, 5)});
    EXPECT_FALSE(w->btnUmweltdaten->isEnabled());
    ModalScript script([&](QWidget*) {
        EXPECT_TRUE(w->btnUmweltdaten->isEnabled());
        w->btnUmweltdaten->click();
        w->btnOK->click();
    });
    EXPECT_EQ(w->AusfuehrenMitUmweltdaten(true), IDOK);
    EXPECT_EQ(w->keys, std::vector<FaultEntryKey>{(FaultEntryKey{3, 7, 5})});
}

TEST_F(FaultMemoryWindowTest, SelectionKeptAfterRefresh) {
    std::vector<FehlerEintrag> eight;
    for (int i = 0; i < 8; ++i) eight.push_back(entry(i + 1, 1, 0));
    auto w = shown(eight);
    w->lbFehlerpfad->setCurrentRow(5);
    w->btnAktualisieren->click();
    EXPECT_EQ(w->reads, 2);
    EXPECT_EQ(w->lbFehlerpfad->count(), 8);
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 5);
    EXPECT_EQ(w->lblFehlerpfadTxt->text(), "6");

    w->memory.resize(3);
    w->btnAktualisieren->click();
    EXPECT_EQ(w->lbFehlerpfad->count(), 3);
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 0);

    w->memory = eight;
    w->btnAktualisieren->click();
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 5) << "the user's row comes back";
    w->done(IDCANCEL);
}

// A mouse click on a row as the user makes it.
void clickRow(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &release);
}

TEST_F(FaultMemoryWindowTest, ClickOnTheCurrentRowIsTheUsersChoiceToo) {
    std::vector<FehlerEintrag> eight;
    for (int i = 0; i < 8; ++i) eight.push_back(entry(i + 1, 1, 0));
    auto w = shown(eight);
    clickRow(w->lbFehlerpfad, 5);
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 5);
    w->memory.resize(3);
    w->btnAktualisieren->click();
    ASSERT_EQ(w->lbFehlerpfad->currentRow(), 0);

    // Row 0 is current already: the click changes no row but is still the choice.
    clickRow(w->lbFehlerpfad, 0);
    w->memory = eight;
    w->btnAktualisieren->click();
    EXPECT_EQ(w->lbFehlerpfad->currentRow(), 0);
    w->done(IDCANCEL);
}

TEST_F(FaultMemoryWindowTest, FullTableAndEntriesBehindAnEmptyOne) {
    std::vector<FehlerEintrag> full;
    for (int i = 0; i < 100; ++i) full.push_back(entry(i, 1, 0));
    auto w = shown(full);
    EXPECT_EQ(w->lbFehlerpfad->count(), 100);
    EXPECT_EQ(w->AnzahlEintraege, 100);
    w->done(IDOK);

    auto gap = shown({entry(3, 7, 0), entry(256, 0, 1), entry(50, 41, 1)});
    gap->Fehlertabelle[1].Zaehler = 255;  // the second entry is the empty one
    gap->FehlerListeFuellen(false);
    EXPECT_EQ(listTexts(gap->lbFehlerpfad), QStringList{"Level sensor rear"});
    EXPECT_FALSE(gap->AktuelleFehlerVorhanden);
    gap->done(IDOK);
    EXPECT_FALSE(gap->isVisible());
}

TEST_F(FaultMemoryWindowTest, RowsAreDrawnWithTheirIcons) {
    auto w = shown({entry(3, 7, 1), entry(50, 41, 0)});
    w->resize(900, 650);
    w->lbFehlerpfad->setCurrentRow(-1);  // no highlight under the icons
    const QImage image = w->lbFehlerpfad->viewport()->grab().toImage();
    const QRect current = w->lbFehlerpfad->visualItemRect(w->lbFehlerpfad->item(0));
    const QRect stored = w->lbFehlerpfad->visualItemRect(w->lbFehlerpfad->item(1));
    EXPECT_EQ(current.height(), TNFehlerspeicher::kRowHeight);
    const QColor red = image.pixelColor(current.left() + 4 + 12, current.top() + 2 + 30);
    EXPECT_GT(red.red(), 180);
    EXPECT_LT(red.green(), 80);
    const QColor grey = image.pixelColor(stored.left() + 4 + 8, stored.top() + 2 + 20);
    EXPECT_NEAR(grey.red(), 200, 25);
    EXPECT_NEAR(grey.blue(), 215, 25);
    EXPECT_EQ(w->listIcon(0).size(), QSize(40, 40));
    EXPECT_EQ(w->listIcon(1).size(), QSize(40, 40));
    w->done(IDCANCEL);
}

// --- sorting ----------------------------------------------------------------------------------

TEST_F(FaultMemoryWindowTest, StoredSortOrderDecidesTheList) {
    const std::vector<FehlerEintrag> memory = {entry(3, 1, 0), entry(10, 1, 1), entry(50, 1, 0),
                                               entry(77, 1, 2)};
    struct Case {
        const char* stored;
        int index;
        QStringList rows;
    } cases[] = {
        {"1", 1, {"Supply", "Unknown", "Level sensor rear", "Valve block"}},
        {"2", 2, {"Level sensor rear", "Valve block", "Supply", "Unknown"}},
        {"0", 0, {"Level sensor rear", "Supply", "Valve block", "Unknown"}},
        {"7", -1, {"Level sensor rear", "Supply", "Valve block", "Unknown"}},
    };
    for (const Case& c : cases) {
        writeSortOrder(c.stored);
        auto w = shown(memory);
        EXPECT_EQ(w->ComboBoxSort->currentIndex(), c.index) << c.stored;
        EXPECT_EQ(listTexts(w->lbFehlerpfad), c.rows) << c.stored;
        w->done(IDCANCEL);
        EXPECT_EQ(storedSortOrder(), std::string(c.stored)) << "unchanged, so not written back";
    }
}

TEST_F(FaultMemoryWindowTest, ChosenSortOrderIsStoredOnClose) {
    struct Case {
        std::optional<std::string> stored;
        int chosen;
        std::optional<std::string> after;
    } cases[] = {
        {std::nullopt, 0, std::nullopt},
        {std::nullopt, 2, "2"},
        {"1", 0, "0"},
        {"7", 1, "1"},
    };
    for (const Case& c : cases) {
        fs::remove(DiagAttr.AppIni);
        if (c.stored) writeSortOrder(*c.stored);
        auto w = shown({entry(3, 1, 0), entry(10, 1, 1)});
        w->ComboBoxSort->setCurrentIndex(c.chosen);
        EXPECT_EQ(w->lbFehlerpfad->item(0)->text(), c.chosen == 1 ? "Supply" : "Level sensor rear");
        w->btnAbbruch->click();
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(storedSortOrder(), c.after) << c.chosen;
    }
}

// --- closing and the cyclic update ------------------------------------------------------------

TEST_F(FaultMemoryWindowTest, OkRefusedWhileCurrentMessagesAreShown) {
    auto w = window({entry(3, 7, 1)});
    ModalScript script([&](QWidget*) {
        w->CheckBoxZyklischAktualisieren->setChecked(true);
        ASSERT_TRUE(w->Timer1->isActive());
        w->btnOK->click();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Current messages are still available");
        EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(w->Timer1->isActive()) << "the refresh goes on";
        w->btnAbbruch->click();
    });
    EXPECT_EQ(w->Ausfuehren(), IDCANCEL);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->modalResult(), IDCANCEL);
}

TEST_F(FaultMemoryWindowTest, EscapeAndCloseBoxCancel) {
    for (int way = 0; way < 2; ++way) {
        auto w = window({entry(3, 7, 1)});
        ModalScript script([&](QWidget* modal) {
            if (way == 0)
                pressEscape(modal);
            else
                modal->close();
        });
        EXPECT_EQ(w->Ausfuehren(), IDCANCEL) << way;
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST_F(FaultMemoryWindowTest, CyclicUpdate) {
    auto w = shown({entry(3, 7, 0)});
    EXPECT_EQ(w->MaskEdit1->text(), "1000");
    EXPECT_FALSE(w->Timer1->isActive());
    w->CheckBoxZyklischAktualisieren->setChecked(true);
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->Timer1->interval(), 1000);

    // A tick reads again and goes on.
    w->memory.push_back(entry(50, 41, 0));
    w->Timer1Timer();
    EXPECT_EQ(w->reads, 2);
    EXPECT_EQ(w->lbFehlerpfad->count(), 2);
    EXPECT_TRUE(w->Timer1->isActive());

    // Entering the interval field stops the cycle; leaving it sets the interval, never below
    // the minimum.
    w->MaskEdit1Enter();
    EXPECT_FALSE(w->CheckBoxZyklischAktualisieren->isChecked());
    EXPECT_FALSE(w->Timer1->isActive());
    for (const auto& [text, interval] : std::vector<std::pair<QString, int>>{
             {"2500", 2500}, {"", kMinRefreshIntervalMs}, {"0", kMinRefreshIntervalMs}}) {
        w->MaskEdit1->setText(text);
        w->MaskEdit1Exit();
        EXPECT_EQ(w->Timer1->interval(), interval) << text.toStdString();
        EXPECT_EQ(w->MaskEdit1->text(), QString::number(interval));
    }

    // A failed read during a tick closes the window with Cancel and ends the cycle.
    w->CheckBoxZyklischAktualisieren->setChecked(true);
    w->readResults.push_back(false);
    w->Timer1Timer();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->modalResult(), IDCANCEL);
    EXPECT_FALSE(w->Timer1->isActive());
}

TEST_F(FaultMemoryWindowTest, FailedReadDoesNotShowTheWindow) {
    auto w = window({entry(3, 7, 1)});
    w->readResults.push_back(false);
    EXPECT_EQ(w->Ausfuehren(), 0);
    EXPECT_FALSE(w->isVisible());
}

// Clearing asks first (No is the default); only Yes clears and reads again.
TEST_F(FaultMemoryWindowTest, ClearAsksThenReadsAgain) {
    int answer = IDNO;
    boxes.answer = [&](const ShownBox& box) {
        EXPECT_EQ(box.caption, DiagAttr.Anwendungstitel);
        return answer;
    };
    auto w = window({entry(3, 7, 1), entry(50, 41, 0)});
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(w->lbFehlerpfad->count(), 2);
        w->btnFehlerLoeschen->click();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, LoadStr(11990));
        EXPECT_EQ(boxes.shown[0].flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
        EXPECT_EQ(w->clears, 0) << "No cleared";
        EXPECT_EQ(w->reads, 1);
        EXPECT_EQ(w->lbFehlerpfad->count(), 2);

        answer = IDYES;
        w->btnFehlerLoeschen->click();
        EXPECT_EQ(w->clears, 1);
        EXPECT_EQ(w->reads, 2);
        EXPECT_EQ(listTexts(w->lbFehlerpfad), QStringList{"No message present"});
        w->btnOK->click();  // nothing current any more
    });
    EXPECT_EQ(w->Ausfuehren(), IDOK);

    for (bool clearFails : {true, false}) {
        auto failing = window({entry(3, 7, 1)});
        ModalScript fails([&](QWidget*) {
            failing->clearResult = !clearFails;
            if (!clearFails) failing->readResults.push_back(false);
            failing->btnFehlerLoeschen->click();
        });
        EXPECT_EQ(failing->Ausfuehren(), IDCANCEL);
    }
}

TEST_F(FaultMemoryWindowTest, FirstCurrentFaultText) {
    auto w = window({entry(50, 41, 0), entry(3, 7, 2), entry(50, 41, 1)});
    std::string text;
    EXPECT_EQ(w->FehlerTextErmitteln(text), 2);
    EXPECT_EQ(text, "Level sensor rear\nShort circuit");
    w->memory = {entry(99, 7, 1)};
    EXPECT_EQ(w->FehlerTextErmitteln(text), 1);
    EXPECT_EQ(text, "Unknown (99)\nShort circuit");
    w->memory.clear();
    EXPECT_EQ(w->FehlerTextErmitteln(text), 0);
    EXPECT_EQ(text, "No current message stored in the ECU");
    EXPECT_EQ(w->HinweisText(3, 7), "Check the sensor cable.");
    EXPECT_EQ(w->HinweisText(3, 8), "Unknown");
}

TEST_F(FaultMemoryWindowTest, PrintAndSaveButtonsShowWhenAsked) {
    auto w = shown({});
    EXPECT_FALSE(w->bitbtnDrucken->isVisible());
    EXPECT_FALSE(w->bitbtnSpeichern->isVisible());
    w->DruckenSichtbar(true);
    EXPECT_TRUE(w->bitbtnDrucken->isVisible());
    EXPECT_FALSE(w->bitbtnSpeichern->isVisible());
    w->SpeichernSichtbar(true);
    EXPECT_TRUE(w->bitbtnSpeichern->isVisible());
    w->DruckenSichtbar(false);
    EXPECT_FALSE(w->bitbtnDrucken->isVisible());
    for (QPushButton* button : {w->bitbtnDrucken, w->bitbtnSpeichern})
        EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
    EXPECT_EQ(w->bitbtnDrucken->toolTip(), "Print the diagnostic memory content");
    EXPECT_EQ(w->bitbtnSpeichern->toolTip(), "Save the diagnostic memory content");
    EXPECT_FALSE(w->ComboBoxSort->isVisible());
    EXPECT_FALSE(w->MaskEdit1->isVisible());
    EXPECT_TRUE(w->GroupBox1->isVisible());
    w->done(IDOK);
}

TEST_F(FaultMemoryWindowTest, TesterQuery) {
    auto w = window();
    ScriptedTextQuestion question;
    TesterName = "Old";
    struct Case {
        std::optional<std::string> typed;  // nothing: Cancel
        bool answer;
        std::string tester;
    } cases[] = {
        {std::string(40, 'T'), true, std::string(31, 'T')},
        {"M\xfcller", true, "M\xfcller"},
        {std::nullopt, false, "M\xfcller"},
    };
    for (const Case& c : cases) {
        const std::string before = TesterName;
        question.answer = c.typed;
        EXPECT_EQ(w->PrueferAbfragen(), c.answer);
        EXPECT_EQ(TesterName, c.tester);
        ASSERT_FALSE(question.asked.empty());
        const AskedText& asked = question.asked.back();
        EXPECT_EQ(asked.caption, "Tested by");
        EXPECT_EQ(asked.prompt, "Please enter the name of the tester :");
        EXPECT_EQ(asked.value, before);
        EXPECT_EQ(asked.maxLength, 31u);
    }
}

// --- protocols --------------------------------------------------------------------------------

// The window's protocol files and prints with the facts of a test context: the tester question,
// the file dialogs and the message boxes are scripted, the clock stands still.
class FaultMemoryProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedAttr = DiagAttr;
        DiagAttr.AppIni = (dir / "APP.INI").string();
        DiagAttr.Anwendungstitel = "Test Diagnostic";
        context.attr = DiagAttr;
        context.folder = dir / "program";
        fs::create_directories(context.folder);
        TempDir::writeFile(dir / "SYSTEM.FKD", kFkd);
        context.system = "SYSTEM";
        context.ecu = {"10780100", "SW 1", "841 302 115 0", "2009-07-01", "---"};
        context.vehicleTexts = {"MAN", "Lion's City", "WMA12345678901234", "12000"};
        context.question.answer = "Bob";
        previousContext = installProgramContext(&context);
        EcuName = kSection;
    }
    void TearDown() override {
        installProgramContext(previousContext);
        DiagAttr = savedAttr;
        EcuName.clear();
    }

    // Read and shown without a modal loop, as Ausfuehren shows it.
    std::unique_ptr<TestFsp> shown(std::vector<FehlerEintrag> memory) {
        auto w = std::make_unique<TestFsp>("SYSTEM", false, false, dir.path());
        w->memory = std::move(memory);
        EXPECT_TRUE(w->FehlerspeicherLesen());
        w->show();
        return w;
    }
    void setWriteData(const std::string& folder) {
        ASSERT_TRUE(ProfileFile(DiagAttr.AppIni).writeString("Directory", "WriteData", folder));
    }
    std::string saved(const std::string& key) const { return ProfileFile(file).readString(kSection, key); }

    static constexpr const char* kSection = "SYSTEM ERROR RECORD";
    TempDir dir;
    TestProgramContext context;
    ProgramContext* previousContext = nullptr;
    DiagAttrStruct savedAttr;
    fs::path file = dir / "saved.FSP";
};

TEST_F(FaultMemoryProtocolTest, SaveWritesTheShownEntriesInDisplayOrder) {
    ASSERT_TRUE(ProfileFile(DiagAttr.AppIni).writeString("OPTIONEN", "DTC_SORTING", "1"));
    auto w = shown({entry(50, 41, 0, 1), entry(3, 7, 2, 2)});
    w->extraKeys = {{"Workshop", "North"}};
    context.chooser.answers = {file};
    w->SpeichernSichtbar(true);
    w->bitbtnSpeichern->click();

    ASSERT_EQ(context.question.asked.size(), 1u);
    ASSERT_EQ(context.chooser.shown.size(), 1u);
    const FileChoice& choice = context.chooser.shown[0];
    EXPECT_EQ(choice.mode, FileChoice::Mode::Save);
    EXPECT_EQ(choice.folder, context.folder);
    EXPECT_EQ(choice.fileName, "");
    EXPECT_EQ(choice.filters, (std::vector<FileFilter>{{"Diagnostic memory data", "*.FSP"}}));
    EXPECT_EQ(choice.defaultSuffix, "FSP");
    EXPECT_TRUE(context.boxes.shown.empty());
    EXPECT_EQ(w->ProtokollDatei, file.string());
    EXPECT_TRUE(w->isVisible());

    const std::vector<std::string> keys = ProfileFile(file).keyNames(kSection);
    ASSERT_EQ(keys.size(), 11u + 1u + 2u * 7u);
    EXPECT_EQ(keys[11], "Workshop");
    EXPECT_EQ(saved("Tester"), "Bob");
    EXPECT_EQ(saved("System"), "SYSTEM");
    EXPECT_EQ(saved("Date of error record"), "2009-12-04");
    EXPECT_EQ(saved("Error 0 Component"), "Level sensor rear (3)");  // the current one first
    EXPECT_EQ(saved("Error 0 Mode"), "Short circuit (7)");
    EXPECT_EQ(saved("Error 0 Status"), "2");
    EXPECT_EQ(saved("Error 1 Component"), "Valve block (50)");
    w->done(IDCANCEL);
}

TEST_F(FaultMemoryProtocolTest, SavedProtocolPrintsAsTheWindowPrintsIt) {
    for (std::vector<FehlerEintrag> memory :
         {std::vector<FehlerEintrag>{entry(50, 41, 0, 1), entry(3, 7, 2, 2)}, std::vector<FehlerEintrag>{}}) {
        SCOPED_TRACE(memory.size());
        if (!memory.empty()) memory[0].Zaehler = 300;  // printed as its low byte
        auto w = shown(memory);
        context.chooser.answers = {file, file, file};
        w->bitbtnSpeichernClick();  // the second time onto the first one's file: overwrite is OK
        w->DruckenSichtbar(true);
        w->bitbtnDrucken->click();
        w->ProtokollDrucken();
        w->ProtokollLesen(true);
        context.chooser.answers.clear();

        ASSERT_EQ(w->printed.size(), 3u);
        const FehlerspeicherProtokoll& fromWindow = w->printed[0].record;
        EXPECT_EQ(fromWindow.Pruefer, "Bob");
        EXPECT_EQ(fromWindow.Teilenummer, "841 302 115 0");
        EXPECT_EQ(fromWindow.Anzahl, memory.size());
        if (!memory.empty()) {
            EXPECT_EQ(fromWindow.Eintraege[0].Zaehler, 44);
        }
        EXPECT_EQ(w->printed[1].record, fromWindow);
        EXPECT_EQ(w->printed[2].record, fromWindow);
        EXPECT_FALSE(w->printed[1].daten);
        EXPECT_TRUE(w->printed[2].daten);
        EXPECT_EQ(w->readFiles, (std::vector<std::string>{file.string(), file.string()}));
        w->done(IDCANCEL);
    }
}

TEST_F(FaultMemoryProtocolTest, DialogsStartInTheWriteDataFolder) {
    fs::create_directories(context.folder / "out");
    fs::create_directories(dir / "abs");
    struct Case {
        std::optional<std::string> writeData;  // nothing: no key
        fs::path saveFolder;
        fs::path readFolder;
    } cases[] = {
        {std::nullopt, context.folder, context.folder},
        {"", context.folder, context.folder},
        {"out", context.folder / "out", context.folder / "out"},
        {(dir / "abs").string(), dir / "abs", dir / "abs"},
        // A folder that is gone: saving starts in the program's folder, reading where it was set.
        {(dir / "gone").string(), context.folder, dir / "gone"},
    };
    auto w = shown({});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writeData.value_or("(no key)"));
        fs::remove(DiagAttr.AppIni);
        if (c.writeData) setWriteData(*c.writeData);
        context.chooser.shown.clear();
        w->bitbtnSpeichernClick();
        w->ProtokollDrucken();
        ASSERT_EQ(context.chooser.shown.size(), 2u);
        EXPECT_EQ(context.chooser.shown[0].folder, c.saveFolder);
        const FileChoice& read = context.chooser.shown[1];
        EXPECT_EQ(read.folder, c.readFolder);
        EXPECT_EQ(read.mode, FileChoice::Mode::Open);
        EXPECT_EQ(read.filters, (std::vector<FileFilter>{{"Diagnostics files (*.fsp)", "*.fsp"},
                                                         {"All files (*.*)", "*.*"}}));
        EXPECT_EQ(read.defaultSuffix, "FSP");
    }
    EXPECT_TRUE(w->printed.empty());
    EXPECT_TRUE(context.boxes.shown.empty());
    w->done(IDCANCEL);
}

TEST_F(FaultMemoryProtocolTest, NothingIsWrittenWhenTheTechnicianStops) {
    const std::string old = "[" + std::string(kSection) + "]\r\nTester=Old\r\n";
    struct Case {
        const char* name;
        std::optional<std::string> tester;
        bool chooses;
        int overwrite;  // the answer to 11032
        bool written;
    } cases[] = {
        {"tester question cancelled", std::nullopt, true, IDOK, false},
        {"file dialog cancelled", "Bob", false, IDOK, false},
        {"overwrite cancelled", "Bob", true, IDCANCEL, false},
        {"overwrite confirmed", "Bob", true, IDOK, true},
    };
    auto w = shown({entry(50, 41, 0, 1)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::writeFile(file, old);
        context.question.answer = c.tester;
        context.chooser.shown.clear();
        context.chooser.answers = {c.chooses ? std::optional<fs::path>(file) : std::nullopt};
        context.boxes.shown.clear();
        context.boxes.answer = [&](const ShownBox&) { return c.overwrite; };
        w->bitbtnSpeichernClick();
        EXPECT_EQ(context.chooser.shown.size(), c.tester ? 1u : 0u);
        if (c.tester && c.chooses) {
            ASSERT_EQ(context.boxes.shown.size(), 1u);
            EXPECT_EQ(context.boxes.shown[0].text, "The selected file already exists. Overwrite?");
            EXPECT_EQ(context.boxes.shown[0].caption, "Test Diagnostic");
            EXPECT_EQ(context.boxes.shown[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        } else {
            EXPECT_TRUE(context.boxes.shown.empty());
        }
        EXPECT_EQ(TempDir::readFile(file) != old, c.written);
    }
    EXPECT_EQ(saved("Tester"), "Bob");
    w->done(IDCANCEL);
}

TEST_F(FaultMemoryProtocolTest, FailedSaveIsShownAndTheWindowStaysOpen) {
    const std::string old = "[OTHER]\r\nkept=1\r\n";
    TempDir::writeFile(file, old);
    ReadOnlyFile readOnly(file);
    fs::create_directories(dir / "Pr\xC3\xBC" "fung.FSP");
    struct Case {
        fs::path chosen;
        std::string shownName;  // as the message shows it (Windows-1252)
        std::string reason;
    } cases[] = {
        {dir / "Pr\xC3\xBC" "fung.FSP", (dir / "Pr\xFC" "fung.FSP").string(), "it is a folder"},
        {file, file.string(), "read-only"},
    };
    auto w = shown({entry(50, 41, 0, 1)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.string());
        if (c.chosen == file && !readOnly.active()) continue;
        context.chooser.answers = {c.chosen};
        context.boxes.shown.clear();
        w->bitbtnSpeichernClick();
        ASSERT_EQ(context.boxes.shown.size(), 2u);  // the overwrite question, then the failure
        const ShownBox& failure = context.boxes.shown[1];
        EXPECT_EQ(failure.text.rfind("The diagnostic memory protocol could not be saved; the file is unchanged.\n\n", 0), 0u)
            << failure.text;
        EXPECT_NE(failure.text.find(c.shownName), std::string::npos) << failure.text;
        EXPECT_NE(failure.text.find(c.reason), std::string::npos) << failure.text;
        EXPECT_EQ(failure.flags, MB_OK | MB_ICONWARNING);
        EXPECT_TRUE(w->isVisible());
    }
    EXPECT_EQ(TempDir::readFile(file), old);
    EXPECT_TRUE(fs::is_empty(dir / "Pr\xC3\xBC" "fung.FSP"));
    w->done(IDCANCEL);
}

TEST_F(FaultMemoryProtocolTest, ProtocolsThatCannotBePrinted) {
    fs::create_directories(dir / "folder.FSP");
    TempDir::writeFile(dir / "other.FSP", "[OTHER ERROR RECORD]\r\nError 0 Component=A (1)\r\n");
    TempDir::writeFile(dir / "empty.FSP", "[" + std::string(kSection) + "]\r\n[Next]\r\nk=1\r\n");
    const std::string unreadable = "Unable to read the protocol.\n\nThe file may be defective or of the wrong type.";
    const std::string notRead = "The diagnostic memory protocol could not be read.\n\n";
    struct Case {
        const char* name;
        std::optional<fs::path> chosen;
        std::vector<std::string> parts;  // of the one message; none: no message
    } cases[] = {
        {"cancelled", std::nullopt, {}},
        {"missing file", dir / "missing.FSP", {notRead, (dir / "missing.FSP").string(), "No such file"}},
        {"a folder", dir / "folder.FSP", {notRead, (dir / "folder.FSP").string(), "Is a directory"}},
        {"another system's protocol", dir / "other.FSP", {unreadable}},
        {"an empty section", dir / "empty.FSP", {unreadable}},
    };
    TestFsp w("SYSTEM", false, false, dir.path());  // never shown, as the main window's command uses it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.chooser.answers = {c.chosen};
        context.boxes.shown.clear();
        w.ProtokollDrucken();
        if (c.parts.empty()) {
            EXPECT_TRUE(context.boxes.shown.empty());
            continue;
        }
        ASSERT_EQ(context.boxes.shown.size(), 1u);
        const ShownBox& box = context.boxes.shown[0];
        EXPECT_EQ(box.text.rfind(c.parts[0], 0), 0u) << box.text;
        for (const std::string& part : c.parts) EXPECT_NE(box.text.find(part), std::string::npos) << box.text;
        EXPECT_EQ(box.flags, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(box.caption, "Test Diagnostic");
    }
    EXPECT_TRUE(w.printed.empty());
    EXPECT_TRUE(w.readFiles.empty());
}

TEST_F(FaultMemoryProtocolTest, PrintingHandsTheWindowsColumnsToTheReport) {
    struct Case {
        bool daten;
        bool zaehler;
        bool timer;
        uint8_t column;
    } cases[] = {
        {false, false, false, kSpalteAnzahl},  // no timer in the entries: the counter column
        {false, false, true, kSpalteTimer},
        {true, true, false, kSpalteTimer},     // PrintData always shows the timers
    };
    TestFsp w("SYSTEM", false, false, dir.path());
    w.printForReal = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.daten << c.zaehler << c.timer);
        w.ZaehlerSpalteErzwingen = c.zaehler;
        w.TimerSpalteErzwingen = c.timer;
        FehlerspeicherProtokoll record = protocolWith(2);
        ModalScript script([&](QWidget*) {
            Tfrm_Preview* preview = shownPreview();
            ASSERT_TRUE(preview);
            ASSERT_TRUE(FspPrint);
            EXPECT_EQ(FspPrint->Report.record, &record);
            EXPECT_EQ(FspPrint->Report.columnMode, c.column);
            preview->cmd_Exit->click();
        });
        c.daten ? w.ProtokolldatenDrucken(record) : w.TabelleDrucken(record);
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(record.ZaehlerSpalteErzwingen, c.zaehler);
        EXPECT_EQ(record.TimerSpalteErzwingen, c.timer);
    }
}

}  // namespace
