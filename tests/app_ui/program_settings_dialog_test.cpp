// The program's settings dialog: the framework's pages without the printer page, and the ECU
// address page, which stores what is typed when it is an address and refuses anything else.
#include "Einstellungen.h"
#include "FixedEnvironment.h"

#include "EcuAddress.h"
#include "MessageBox.h"
#include "PortSelection.h"
#include "ScriptedMessageBoxes.h"
#include "StringTable.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Neither the folder browser nor the port dialog may open in these tests.
class NoFolderBrowser : public FolderBrowser {
public:
    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override {
        ADD_FAILURE() << "folder browser opened";
        return std::nullopt;
    }
};

class NoPortDialog : public PortSelectionDialog {
public:
    int ShowPortDialog(std::string&) override {
        ADD_FAILURE() << "port dialog opened";
        return 2;
    }
};

class ProgramSettingsDialog : public ::testing::Test {
protected:
    ProgramSettingsDialog() {
        fs::create_directories(iniFile.parent_path());
        env.program = dir / "bin" / "KeltDiag";
        env.documents = dir / "docs";
        drives.mountPoints = {"/"};
        savedTitle = DiagAttr.Anwendungstitel;
        DiagAttr.Anwendungstitel = "KELT Diagnostic";
    }
    ~ProgramSettingsDialog() override { DiagAttr.Anwendungstitel = savedTitle; }

    std::unique_ptr<TNEinstellungen> shownDialog() {
        SettingsContext context{
            iniFile,
            DataFolderContext{env.program, defaultDataFolders(env, "KeltDiag"), false, &drives},
            UserData(false, iniFile, UserRegistry(dir / "config" / "registry.ini")),
            &attr,
            nullptr,
        };
        auto dialog = std::make_unique<TNEinstellungen>(nullptr, std::move(context), &browser, &ports);
        dialog->show();
        return dialog;
    }
    std::optional<std::string> storedAddress() const { return ProfileFile(iniFile).value("Diagnose", "ECUAdress"); }

    TempDir dir;
    fs::path iniFile = dir / "app" / "KeltDiag.INI";
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
    DiagAttrStruct attr;
    ScriptedMessageBoxes messages;
    std::string savedTitle;
    NoFolderBrowser browser;
    NoPortDialog ports;
};

TEST_F(ProgramSettingsDialog, AddressPageAndNoPrinterPage) {
    auto dialog = shownDialog();
    QTabWidget* tabs = dialog->pctr_Einst;
    const int page = tabs->indexOf(dialog->tabISOAdresse);
    ASSERT_GE(page, 0);
    EXPECT_EQ(tabs->tabText(page), "ISO address");
    EXPECT_TRUE(tabs->isTabVisible(page));
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(dialog->tab_Drucker)));
    for (QWidget* other : {dialog->tab_Seriell, dialog->tab_Ablage, dialog->tab_Optionen, dialog->tab_Benutzer})
        EXPECT_TRUE(tabs->isTabVisible(tabs->indexOf(other))) << other->objectName().toStdString();
    EXPECT_EQ(tabs->currentIndex(), 0);

    QStringList labels;
    for (QLabel* label : dialog->tabISOAdresse->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("Set the ISO address of the ECU"));
    EXPECT_TRUE(labels.contains("Address   :"));
    EXPECT_TRUE(dialog->mmHinweis->isReadOnly());
    EXPECT_EQ(dialog->mmHinweis->toPlainText(),
              "NOTE: Input decimal or \nhexadecimal in the format 0x00!\n\nStandard values for busses:\n"
              "Front section: 16\nRear section     : 17 or 19");
    EXPECT_EQ(dialog->edAdresse->text(), "16");  // nothing stored yet
}

// Five tabs (the printer page is not shown), each readable: the dialog is as wide as its tab
// row, no scroll arrows hide "ISO address".
TEST_F(ProgramSettingsDialog, EveryTabIsVisible) {
    auto dialog = shownDialog();
    QTabBar* tabs = dialog->pctr_Einst->tabBar();
    int visible = 0;
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i)) continue;
        ++visible;
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << tabs->tabText(i).toStdString();
        // The whole caption fits: never cut short.
        EXPECT_GT(tabs->tabRect(i).width(), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)))
            << tabs->tabText(i).toStdString();
    }
    EXPECT_EQ(visible, 5);
    for (QToolButton* arrow : tabs->findChildren<QToolButton*>()) EXPECT_FALSE(arrow->isVisible());
}

TEST_F(ProgramSettingsDialog, ShowsTheStoredTextEachTime) {
    TempDir::writeFile(iniFile, "[Diagnose]\r\nECUAdress=0x13\r\n");
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->edAdresse->text(), "0x13");

    // Typed but not accepted; the next showing reads the file again.
    dialog->edAdresse->setText("20");
    dialog->hide();
    TempDir::writeFile(iniFile, "[Diagnose]\r\nECUAdress=rear\r\n");
    dialog->show();
    EXPECT_EQ(dialog->edAdresse->text(), "rear");  // shown as stored, even when it is no address
    EXPECT_FALSE(dialog->pctr_Einst->isTabVisible(dialog->pctr_Einst->indexOf(dialog->tab_Drucker)));
}

struct StoreCase {
    const char* name;
    const char* typed;
    bool ok;      // OK, else Accept
    int address;  // as the connection reads it back
};

class AddressesStored : public ProgramSettingsDialog, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(AddressesStored, AsTypedWithTheFrameworkSettings) {
    const StoreCase& c = GetParam();
    auto dialog = shownDialog();
    dialog->cb_Vollbild->setChecked(true);
    dialog->edAdresse->setText(c.typed);
    (c.ok ? dialog->btn_Ok : dialog->btn_Uebernehmen)->click();

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(storedAddress(), c.typed);
    EXPECT_EQ(readEcuAddress(ProfileFile(iniFile)), c.address);
    EXPECT_EQ(ProfileFile(iniFile).readString("Optionen", "Vollbild"), "1");
    if (c.ok) {
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), 1);
    } else {
        EXPECT_TRUE(dialog->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(Typed, AddressesStored,
                         ::testing::Values(StoreCase{"HexadecimalOk", "0x11", true, 17},
                                           StoreCase{"HexadecimalAccept", "0x11", false, 17},
                                           StoreCase{"DecimalOk", "17", true, 17},
                                           StoreCase{"DecimalAccept", "17", false, 17},
                                           StoreCase{"UpperCaseHexadecimal", "0X13", true, 19},
                                           StoreCase{"Highest", "255", true, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefuseCase {
    const char* name;
    const char* typed;
    bool ok;
};

class AddressesRefused : public ProgramSettingsDialog, public ::testing::WithParamInterface<RefuseCase> {};

TEST_P(AddressesRefused, WithTheMessageAndTheDialogStaysOpen) {
    const RefuseCase& c = GetParam();
    TempDir::writeFile(iniFile, "[Diagnose]\r\nECUAdress=19\r\n");
    auto dialog = shownDialog();
    dialog->pctr_Einst->setCurrentIndex(0);
    dialog->cb_Vollbild->setChecked(true);
    dialog->edAdresse->setText(c.typed);
    (c.ok ? dialog->btn_Ok : dialog->btn_Uebernehmen)->click();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadStr(kInvalidEcuAddressText));
    EXPECT_EQ(messages.shown[0].caption, "KELT Diagnostic");
    EXPECT_EQ(messages.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(TempDir::readFile(iniFile), "[Diagnose]\r\nECUAdress=19\r\n")
        << "nothing is stored, on no page, while a page is refused";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->pctr_Einst->currentWidget(), dialog->tabISOAdresse);
    EXPECT_EQ(dialog->edAdresse->text(), c.typed);  // left for correcting

    // Corrected, it is stored.
    messages.shown.clear();
    dialog->edAdresse->setText("0x11");
    dialog->btn_Ok->click();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(storedAddress(), "0x11");
    EXPECT_EQ(ProfileFile(iniFile).readString("Optionen", "Vollbild"), "1");
    EXPECT_EQ(dialog->result(), 1);
}

// A refused address, then Cancel: the settings are as they were before the dialog.
TEST_F(ProgramSettingsDialog, CancelAfterARefusedAddressLeavesEverythingAsItWas) {
    TempDir::writeFile(iniFile, "[Diagnose]\r\nECUAdress=19\r\n");
    auto dialog = shownDialog();
    dialog->cb_AutoStart->setChecked(false);
    dialog->edFirma->setText("Workshop");
    dialog->edAdresse->setText("front");
    dialog->btn_Ok->click();
    ASSERT_EQ(messages.texts(), std::vector<std::string>{LoadStr(kInvalidEcuAddressText)});
    dialog->btn_Abbrechen->click();
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_EQ(TempDir::readFile(iniFile), "[Diagnose]\r\nECUAdress=19\r\n");
    EXPECT_FALSE(fs::exists(dir / "config" / "registry.ini"));
}

// Ctrl+Tab and Ctrl+Shift+Tab walk the shown pages only; the printer page is never reached.
TEST_F(ProgramSettingsDialog, CtrlTabNeverReachesThePrinterPage) {
    auto dialog = shownDialog();
    QTabWidget* tabs = dialog->pctr_Einst;
    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                            Qt::ControlModifier | Qt::ShiftModifier}) {
        QStringList seen;
        for (int step = 0; step < 2 * tabs->count() + 2; ++step) {
            QKeyEvent key(QEvent::KeyPress, modifiers.testFlag(Qt::ShiftModifier) ? Qt::Key_Backtab : Qt::Key_Tab,
                          modifiers);
            QCoreApplication::sendEvent(tabs, &key);
            EXPECT_NE(tabs->currentWidget(), dialog->tab_Drucker) << "step " << step;
            EXPECT_FALSE(dialog->tab_Drucker->isVisible());
            ASSERT_GE(tabs->currentIndex(), 0);
            EXPECT_TRUE(tabs->isTabVisible(tabs->currentIndex()));
            seen << tabs->tabText(tabs->currentIndex());
        }
        seen.removeDuplicates();
        EXPECT_EQ(seen.size(), 5) << seen.join(", ").toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Typed, AddressesRefused,
                         ::testing::Values(RefuseCase{"EmptyOk", "", true}, RefuseCase{"EmptyAccept", "", false},
                                           RefuseCase{"Word", "front", true}, RefuseCase{"Zero", "0", true},
                                           RefuseCase{"TooHigh", "256", false}, RefuseCase{"BareHexPrefix", "0x", true},
                                           RefuseCase{"Negative", "-17", true}, RefuseCase{"Trailing", "17x", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramSettingsDialog, CancelStoresNothing) {
    auto dialog = shownDialog();
    dialog->edAdresse->setText("0x11");
    dialog->btn_Abbrechen->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_FALSE(fs::exists(iniFile));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
