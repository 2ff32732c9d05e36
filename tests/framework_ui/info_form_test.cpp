// The information window: the program's version texts, the user data through the same store
// the settings use, the interface application's and the driver's versions.
#include "InfoForm.h"

#include "DiagDriver.h"
#include "ProgramModes.h"
#include "SimUsbBus.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

class InfoFormTest : public ::testing::Test {
protected:
    TempDir dir;
    DiagAttrStruct savedAttr;
    std::optional<std::string> savedConfig;
    uint8_t savedRemovable = 0;

    void SetUp() override {
        savedAttr = DiagAttr;
        savedRemovable = WechsellaufwerkAktiv;
        if (const char* c = std::getenv("XDG_CONFIG_HOME")) savedConfig = c;
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        DiagAttr.AppIni = (dir / "Tarvik.INI").string();
        SimUsbBus::instance().reset();
        DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    }
    void TearDown() override {
        DiagDriver::instance().setUsbLibraryName("");
        DiagAttr = savedAttr;
        WechsellaufwerkAktiv = savedRemovable;
        if (savedConfig) setenv("XDG_CONFIG_HOME", savedConfig->c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
    }
};

TEST_F(InfoFormTest, ShowsProgramUserAndVersions) {
    DiagAttr.SchnittstellenAppVersion = "JED677 V1.07";
    WechsellaufwerkAktiv = 0;
    ASSERT_TRUE(UserData::forProgram().write({"Busworks Ltd", "A. Tester"}));

    TNInfoForm form;  // the running program: this test carries a version block
    EXPECT_EQ(form.windowTitle(), "Info about diagnostic software");
    EXPECT_EQ(form.lbl_Interface->text(), "---");  // until shown
    EXPECT_EQ(form.btn_OK->text(), "OK");

    int result = -1;
    {
        ModalScript script([&](QWidget* modal) {
            ASSERT_EQ(modal, &form);
            EXPECT_EQ(layoutFaults(&form), "");
            form.btn_OK->click();
        });
        result = form.exec();
        EXPECT_TRUE(script.ran());
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(form.RichEdit1->toPlainText(),
              "(c) Info Test Makers\nInfo Test Makers\n\nInformation window test\nVersion : 7.12");
    EXPECT_TRUE(form.RichEdit1->isReadOnly());
    EXPECT_EQ(form.lbl_Interface->text(), "JED677 V1.07");
    EXPECT_EQ(form.lbl_Name->text(), "A. Tester");
    EXPECT_EQ(form.lbl_Firma->text(), "Busworks Ltd");
    char lib[100] = {};
    DiagLibVersion(lib, sizeof lib);
    EXPECT_EQ(toAnsi(form.lblDiaglibVersion->text()), lib);
    EXPECT_EQ(form.lblUSBDLLVersion->text(), SimUsbBus::kVersionText);
    EXPECT_EQ(form.NAbout1.ProduktName, "Info Test Diagnostic Software");
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    EXPECT_FALSE(form.Image2->pixmap().isNull());
}

TEST_F(InfoFormTest, RemovableDriveReadsTheIniFileAndABlocklessFileShowsEmptyVersion) {
    WechsellaufwerkAktiv = 1;
    ASSERT_TRUE(UserData::forProgram().write({"Portable Co", "P. User"}));
    DiagDriver::instance().setUsbLibraryName((dir / "libndiusb3.so").string());  // no library
    TempDir::writeFile(dir / "plain.bin", "no version block here");

    TNInfoForm form(nullptr, (dir / "plain.bin").string());
    form.FormShow();
    EXPECT_EQ(form.RichEdit1->toPlainText(), "\n\nVersion : ");
    EXPECT_EQ(form.lbl_Name->text(), "P. User");
    EXPECT_EQ(form.lbl_Firma->text(), "Portable Co");
    EXPECT_EQ(form.lbl_Interface->text(), "");
    EXPECT_EQ(form.lblUSBDLLVersion->text(), "");
    EXPECT_EQ(form.NAbout1.FileName, "plain");
    EXPECT_EQ(form.NAbout1.FileExt, ".bin");
}

}  // namespace
