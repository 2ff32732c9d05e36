#include "Optionen.h"
#include "FixedEnvironment.h"

#include "Benutzerdaten.h"
#include "BubbleHelp.h"
#include "MessageBox.h"
#include "PortSelection.h"
#include "ScriptedMessageBoxes.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ScriptedFolderBrowser : public FolderBrowser {
public:
    std::optional<QString> chooseFolder(QWidget*, const QString& title, const QString& startFolder) override {
        titles.push_back(title);
        starts.push_back(startFolder);
        return answer;
    }
    std::optional<QString> answer;
    std::vector<QString> titles;
    std::vector<QString> starts;
};

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest() {
        program = dir / "stick" / "TOOLS" / "Tarvik";
        fs::create_directories(program.parent_path());
        fs::create_directories(dir / "app");
        env.program = program;
        env.documents = dir / "docs";
        drives.mountPoints = {"/", dir / "stick"};
        drives.removableMountPoints = {dir / "stick"};
        setApplicationToolTipsEnabled(true);
    }
    ~SettingsDialogTest() override { setApplicationToolTipsEnabled(true); }

    SettingsContext context(bool removable = false) {
        return SettingsContext{
            iniFile,
            DataFolderContext{program, defaultDataFolders(env, "Tarvik"), removable, &drives},
            UserData(removable, iniFile, UserRegistry(registryFile)),
            &attr,
            nullptr,
        };
    }
    std::unique_ptr<TNOptionen> shownDialog(bool removable = false) {
        auto dialog = std::make_unique<TNOptionen>(nullptr, context(removable), &browser, &ports);
        dialog->show();
        return dialog;
    }
    ProfileFile ini() const { return ProfileFile(iniFile); }

    TempDir dir;
    fs::path program;
    fs::path iniFile = dir / "app" / "Tarvik.INI";
    fs::path registryFile = dir / "config" / "registry.ini";
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
    DiagAttrStruct attr;
    ScriptedMessageBoxes messages;
    ScriptedFolderBrowser browser;
    ScriptedPortDialog ports;
};

TEST_F(SettingsDialogTest, PagesAndTheirDefaults) {
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Settings"));
    const QStringList captions = {"Serial port", "Data file location", "Program options", "Printer", "User data"};
    ASSERT_EQ(dialog->pctr_Einst->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i) EXPECT_EQ(dialog->pctr_Einst->tabText(i), captions[i]);
    EXPECT_EQ(dialog->pctr_Einst->currentIndex(), 0);

    EXPECT_EQ(dialog->lblSchnittstelle->text(), QStringLiteral("---"));
    const fs::path read = dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "DATA";
    EXPECT_EQ(dialog->txt_Leseverz->text().toStdString(), read.string());
    EXPECT_EQ(dialog->txt_Schreibverz->text().toStdString(), (read / "WRITE").string());
    EXPECT_FALSE(dialog->cb_Vollbild->isChecked());
    EXPECT_TRUE(dialog->cb_AutoStart->isChecked());
    EXPECT_TRUE(dialog->cb_BubbleHelp->isChecked());
    EXPECT_EQ(dialog->txt_X_Position->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog->txt_Y_Position->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog->btn_Ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(dialog->btn_Uebernehmen->text(), QStringLiteral("&Accept"));
    EXPECT_EQ(dialog->btn_Abbrechen->text(), QStringLiteral("&Cancel"));
    for (int page = 0; page < dialog->pctr_Einst->count(); ++page) {
        dialog->pctr_Einst->setCurrentIndex(page);
        EXPECT_EQ(layoutFaults(dialog.get()), "") << captions[page].toStdString();
    }
}

TEST_F(SettingsDialogTest, StoredValuesAreShownEachTime) {
    TempDir::writeFile(iniFile, "[SelectPort]\r\nInterfacePort=COM4\r\n[Optionen]\r\nVollbild=1\r\n"
                                "[LabelPrinter]\r\nX-Position=5\r\n");
    UserRegistry(registryFile).writeString(kUserInfoKey, "Firma", "Werkstatt M\xFCller");
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->lblSchnittstelle->text(), QStringLiteral("COM4"));
    EXPECT_TRUE(dialog->cb_Vollbild->isChecked());
    EXPECT_EQ(dialog->txt_X_Position->text(), QStringLiteral("5"));
    EXPECT_EQ(dialog->edFirma->text(), QString::fromUtf8("Werkstatt M\u00FCller"));

    // Typed but not accepted; the next showing loads the file again.
    dialog->txt_X_Position->setText(QStringLiteral("99"));
    dialog->hide();
    dialog->show();
    EXPECT_EQ(dialog->txt_X_Position->text(), QStringLiteral("5"));
}

TEST_F(SettingsDialogTest, OkWritesAndCloses) {
    const fs::path currentFolder = fs::current_path();
    auto dialog = shownDialog();
    dialog->cb_AutoStart->setChecked(false);
    dialog->txt_Y_Position->setText(QStringLiteral("abc"));
    dialog->edBenutzername->setText(QString::fromUtf8("J\u00FCrgen"));
    dialog->btn_Ok->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(ini().readString("Optionen", "AutoStart"), "0");
    EXPECT_EQ(ini().readString("LabelPrinter", "Y-Position"), "abc");
    EXPECT_EQ(UserRegistry(registryFile).readString(kUserInfoKey, "Name").value_or(""), "J\xFCrgen");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(fs::current_path(), currentFolder);  // showing and saving leave the process's folder alone
}

TEST_F(SettingsDialogTest, CancelAfterAcceptKeepsWhatAcceptWrote) {
    auto dialog = shownDialog();
    dialog->cb_Vollbild->setChecked(true);
    dialog->btn_Uebernehmen->click();
    EXPECT_TRUE(dialog->isVisible());  // Accept keeps the dialog open
    EXPECT_EQ(ini().readString("Optionen", "Vollbild"), "1");

    dialog->cb_Vollbild->setChecked(false);
    dialog->txt_X_Position->setText(QStringLiteral("42"));
    dialog->btn_Abbrechen->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_EQ(ini().readString("Optionen", "Vollbild"), "1");
    EXPECT_EQ(ini().readString("LabelPrinter", "X-Position"), "1");
}

TEST_F(SettingsDialogTest, EscapeCancelsWithoutWriting) {
    auto dialog = shownDialog();
    dialog->cb_Vollbild->setChecked(true);
    pressEscape(dialog.get());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_FALSE(fs::exists(iniFile));
}

TEST_F(SettingsDialogTest, EmptyPortIsStoredEmpty) {
    auto dialog = shownDialog();
    dialog->btn_Uebernehmen->click();
    EXPECT_EQ(ini().value("SelectPort", "InterfacePort").value_or("missing"), "");
    EXPECT_EQ(attr.Schnittstellenname, "");
}

TEST_F(SettingsDialogTest, ChangedPortIsStoredOnlyWhenAccepted) {
    TempDir::writeFile(iniFile, "[SelectPort]\r\nInterfacePort=COM4\r\n");
    auto dialog = shownDialog();
    ports.result = 1;
    ports.chosen = "COM7";
    dialog->btnSchnittstelleAendern->click();
    ASSERT_EQ(ports.given.size(), 1u);
    EXPECT_EQ(ports.given[0], "COM4");  // preset with the current port
    EXPECT_EQ(dialog->lblSchnittstelle->text(), QStringLiteral("COM7"));
    EXPECT_EQ(ini().readString("SelectPort", "InterfacePort"), "COM4");

    ports.result = 2;
    ports.chosen = "COM9";
    dialog->btnSchnittstelleAendern->click();
    EXPECT_EQ(dialog->lblSchnittstelle->text(), QStringLiteral("COM7"));  // cancelled: unchanged

    dialog->btn_Ok->click();
    EXPECT_EQ(ini().readString("SelectPort", "InterfacePort"), "COM7");
    EXPECT_EQ(attr.Schnittstellenname, "COM7");
}

TEST_F(SettingsDialogTest, FolderButtonsBrowseTheirOwnFolder) {
    auto dialog = shownDialog();
    const QString readBefore = dialog->txt_Leseverz->text();
    const QString writeBefore = dialog->txt_Schreibverz->text();

    browser.answer = QStringLiteral("/srv/in");
    dialog->btn_Leseverz->click();
    EXPECT_EQ(dialog->txt_Leseverz->text(), QStringLiteral("/srv/in"));
    EXPECT_EQ(dialog->txt_Schreibverz->text(), writeBefore);

    browser.answer = std::nullopt;  // cancelled: the edit keeps its folder
    dialog->btn_Schreibverz->click();
    EXPECT_EQ(dialog->txt_Schreibverz->text(), writeBefore);

    ASSERT_EQ(browser.titles.size(), 2u);
    EXPECT_EQ(browser.titles[0], fromAnsi(LoadStr(11044)));
    EXPECT_EQ(browser.titles[1], fromAnsi(LoadStr(11045)));
    EXPECT_EQ(browser.starts[0], readBefore);
    EXPECT_EQ(browser.starts[1], writeBefore);
    EXPECT_EQ(browser.titles[0], QStringLiteral("Select reading directory"));
}

TEST_F(SettingsDialogTest, RemovableDriveKeepsFoldersRelativeAndUserDataInTheIniFile) {
    auto dialog = shownDialog(true);
    dialog->txt_Leseverz->setText(QString::fromStdString((dir / "stick" / "TOOLS" / "DATA").string()));
    dialog->txt_Schreibverz->setText(QStringLiteral("/srv/out"));
    dialog->edFirma->setText(QStringLiteral("Werkstatt"));
    dialog->btn_Ok->click();
    EXPECT_EQ(ini().readString("Directory", "ReadData"), "DATA");
    EXPECT_EQ(ini().readString("Directory", "WriteData"), "/srv/out");
    EXPECT_EQ(ini().readString("User Info", "Firma"), "Werkstatt");
    EXPECT_FALSE(fs::exists(registryFile));

    auto again = shownDialog(true);
    EXPECT_EQ(again->txt_Leseverz->text().toStdString(), (dir / "stick" / "TOOLS" / "DATA").string());
}

TEST_F(SettingsDialogTest, FailedWriteIsReportedAndOkKeepsTheDialogOpen) {
    TempDir::writeFile(dir / "blocked", "x");
    iniFile = dir / "blocked" / "Tarvik.INI";
    auto dialog = shownDialog();
    dialog->btn_Ok->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind(LoadStr(kSettingsNotSavedText), 0), 0u);
    EXPECT_NE(messages.shown[0].text.find("[SelectPort] InterfacePort"), std::string::npos);
    EXPECT_EQ(messages.shown[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(dialog->lastSave().ok());

    dialog->btn_Uebernehmen->click();
    EXPECT_EQ(messages.shown.size(), 2u);  // every failed save is told
    dialog->btn_Abbrechen->click();
    EXPECT_EQ(dialog->result(), 2);
}

TEST_F(SettingsDialogTest, BubbleHelpSwitchesTheToolTipsAtOnce) {
    auto dialog = shownDialog();
    // Each request carries its own text, so a tip still fading out is not taken for a new one.
    int requests = 0;
    auto tipShownFor = [&](QWidget* widget) {
        const QString text = QStringLiteral("tip %1").arg(++requests);
        widget->setToolTip(text);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &help);
        return QToolTip::isVisible() && QToolTip::text() == text;
    };
    EXPECT_TRUE(tipShownFor(dialog->btn_Ok));

    dialog->cb_BubbleHelp->setChecked(false);
    dialog->btn_Uebernehmen->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(applicationToolTipsEnabled());
    EXPECT_FALSE(tipShownFor(dialog->btn_Ok));
    EXPECT_EQ(ini().readString("Optionen", "BubbleHelp"), "0");

    dialog->cb_BubbleHelp->setChecked(true);
    dialog->btn_Uebernehmen->click();
    EXPECT_TRUE(tipShownFor(dialog->btn_Ok));
}

// --- user data --------------------------------------------------------------------------------

TEST(BenutzerdatenDialog, OkCopiesTheTextsBack) {
    AutomationHub hub;
    TNBenutzerdaten dialog(nullptr, &hub);
    std::string firma = "Alt GmbH";
    std::string name = "Anna";
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(dialog.edFirma->text(), QStringLiteral("Alt GmbH"));
        EXPECT_EQ(layoutFaults(&dialog), "");
        dialog.edName->setText(QStringLiteral("Bert"));
        dialog.btn2->click();
    });
    EXPECT_TRUE(dialog.Execute(firma, name));
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(firma, "Alt GmbH");
    EXPECT_EQ(name, "Bert");
    EXPECT_FALSE(hub.closeRequested());
    EXPECT_FALSE(dialog.btn3->isVisible());
}

TEST(BenutzerdatenDialog, CancelEndsTheProgramAndKeepsTheTexts) {
    AutomationHub hub;
    TNBenutzerdaten dialog(nullptr, &hub);
    std::string firma = "Alt GmbH";
    std::string name = "Anna";
    ModalScript script([&](QWidget*) {
        dialog.edName->setText(QStringLiteral("Bert"));
        dialog.btn1->click();
    });
    EXPECT_FALSE(dialog.Execute(firma, name));
    EXPECT_EQ(name, "Anna");
    EXPECT_TRUE(hub.closeRequested());
}

TEST(BenutzerdatenDialog, EscapeDoesNotCloseIt) {
    AutomationHub hub;
    TNBenutzerdaten dialog(nullptr, &hub);
    dialog.prepareExecute("a", "b");
    dialog.show();
    pressEscape(&dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    dialog.btn2->click();
    std::string firma, name;
    EXPECT_TRUE(dialog.finishExecute(firma, name));
    EXPECT_EQ(firma, "a");
}

}  // namespace
