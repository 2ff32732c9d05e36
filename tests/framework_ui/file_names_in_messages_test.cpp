// File names in messages, as the technician sees them in the real message box: the messages are
// Windows-1252, file names UTF-8. A name the code page can hold shows as it is; a character it
// lacks shows as '?', never as a run of odd characters.
#include "Fehlerspeicher.h"
#include "HtmlHelp.h"
#include "NData.h"
#include "ProfileFile.h"
#include "QtMessageBoxService.h"
#include "SettingsModel.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct NameCase {
    const char* title;
    const char* folder;  // UTF-8, as the file system has it
    const char* shown;   // UTF-8, as the box shows it
    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.title; }
};

const NameCase kNames[] = {
    {"Windows1252", "Prüfung ä€", "Prüfung ä€"},
    {"OutsideTheCodePage", "Bus 中 🚌", "Bus ? ?"},
};

class FileNamesInMessages : public ::testing::TestWithParam<NameCase> {
protected:
    void SetUp() override {
        previous_ = installMessageBoxService(&service_);
        savedAttr_ = DiagAttr;
        DiagAttr.AppIni = (dir.path() / "APP.INI").string();
        DiagAttr.Anwendungstitel = "Test Diagnostic";
        folder = dir.path() / GetParam().folder;
        fs::create_directories(folder);
    }
    void TearDown() override {
        DiagAttr = savedAttr_;
        installMessageBoxService(previous_);
    }

    // The text of the one box `action` shows, as the box shows it (UTF-8).
    std::string shownBy(const std::function<void()>& action) {
        std::string text;
        ModalScript script([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text().toStdString();
            box->button(QMessageBox::Ok)->click();
        });
        action();
        EXPECT_TRUE(script.ran());
        return text;
    }
    // `path` under the case's folder as the box must show it.
    std::string shownPath(const std::string& rest) const {
        return (dir.path() / GetParam().shown).string() + rest;
    }

    TempDir dir;
    fs::path folder;

private:
    QtMessageBoxService service_;
    MessageBoxService* previous_ = nullptr;
    DiagAttrStruct savedAttr_;
};

TEST_P(FileNamesInMessages, AMissingFaultTextFile) {
    const std::string text = shownBy([&] {
        TNFehlerspeicher w(nullptr, "1078012A", false, true, folder);
        w.initialize();
    });
    EXPECT_EQ(text, "File " + shownPath("/1078012A.FKD") + " not found. Unable to display message texts.");
}

TEST_P(FileNamesInMessages, ASubstituteFaultTextFile) {
    TempDir::writeFile(folder / "10780127.FKD", "[Komponente]\r\n");
    const std::string text = shownBy([&] {
        TNFehlerspeicher w(nullptr, "1078012A", true, true, folder);
        w.initialize();
    });
    EXPECT_EQ(text, "The original FKD file could not be found. " + shownPath("/10780127.FKD") +
                        " will be used. The message texts may be displayed incorrectly.");
}

TEST_P(FileNamesInMessages, AMissingHelpFile) {
    RecordingHelpViewer viewer;
    const std::string text = shownBy([&] { showHelpForUser((folder / "Tarvik.chm").string()); });
    EXPECT_EQ(text, "The help file " + shownPath("/Tarvik.chm") +
                        " could not be found or opened.\n\nPut the help file beside the program.");
}

TEST_P(FileNamesInMessages, ASettingNotSaved) {
    // The settings file's folder is gone: the write says which file it could not write.
    const ProfileWriteResult written =
        ProfileFile(folder / "gone" / "Tarvik.INI").writeString("SelectPort", "InterfacePort", "COM2");
    ASSERT_FALSE(written.ok());
    const std::string text = shownBy([&] {
        MsgBox(settingNotSavedMessage("SelectPort", "InterfacePort", written), DiagAttr.Anwendungstitel, MB_OK);
    });
    EXPECT_NE(text.find(shownPath("/gone/Tarvik.INI")), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Names, FileNamesInMessages, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.title); });

}  // namespace
