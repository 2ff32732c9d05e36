// The vehicle-data window: shows the tester and vehicle texts and copies the edits back on every
// way of closing; the texts cannot outgrow their widths.
#include "Fahrzeugdaten.h"

#include "ProgramModes.h"
#include "UiTestSupport.h"
#include "VehicleTexts.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace {

// The five texts, in the order of the window's rows.
std::array<std::string*, 5> texts() {
    return {&TesterName, &VehicleManufacturer, &VehicleType, &VehicleVIN, &VehicleOdometer};
}

std::array<QLineEdit*, 5> edits(const TfrmFahrzeugdaten& dialog) {
    return {dialog.edPruefername, dialog.edHersteller, dialog.edFahrzeugtyp, dialog.edFahrgestellnummer,
            dialog.edKilometerstand};
}

constexpr std::array<std::size_t, 5> kWidths = {kTesterNameWidth, kVehicleManufacturerWidth, kVehicleTypeWidth,
                                                kVehicleVINWidth, kVehicleOdometerWidth};

class VehicleDataDialog : public ::testing::Test {
protected:
    VehicleDataDialog() {
        for (std::size_t i = 0; i < saved_.size(); ++i) saved_[i] = *texts()[i];
        TesterName = "M\xFCller";  // Windows-1252
        VehicleManufacturer = "Tarvik Coaches";
        VehicleType = "City 12";
        VehicleVIN = "WTA12345678901234";
        VehicleOdometer = "123456 km";
    }
    ~VehicleDataDialog() override {
        for (std::size_t i = 0; i < saved_.size(); ++i) *texts()[i] = saved_[i];
    }

private:
    std::array<std::string, 5> saved_;
};

TEST_F(VehicleDataDialog, LayoutAndTheTextsShown) {
    TfrmFahrzeugdaten dialog;
    EXPECT_EQ(dialog.windowTitle(), "Save system data");
    EXPECT_EQ(dialog.minimumSize(), QSize(440, 350));
    EXPECT_EQ(dialog.placement(), TfrmCOMBasisDialog::Placement::MainFormCentre);
    EXPECT_EQ(dialog.pnlUeberschrift->text(), "Please enter the following information for documentation :");
    EXPECT_EQ(dialog.btnOk->text(), "&OK");
    EXPECT_EQ(dialog.btnAbbruch->text(), "&Cancel");

    const std::array<const char*, 5> captions = {"Tested by", "Manufacturer", "Vehicle type", "Vehicle ident. no",
                                                 "Odometer reading"};
    auto* form = dialog.findChild<QFormLayout*>();
    ASSERT_NE(form, nullptr);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        SCOPED_TRACE(captions[i]);
        QLineEdit* edit = edits(dialog)[i];
        auto* label = qobject_cast<QLabel*>(form->labelForField(edit));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), captions[i]);
    }
    EXPECT_EQ(dialog.edPruefername->text(), QString::fromUtf8("M\u00FCller"));
    EXPECT_EQ(dialog.edHersteller->text(), "Tarvik Coaches");
    EXPECT_EQ(dialog.edFahrzeugtyp->text(), "City 12");
    EXPECT_EQ(dialog.edFahrgestellnummer->text(), "WTA12345678901234");
    EXPECT_EQ(dialog.edKilometerstand->text(), "123456 km");
}

struct CloseCase {
    const char* name;
    std::function<void(TfrmFahrzeugdaten&)> close;
    int answer;
};

class ClosingWays : public VehicleDataDialog, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosingWays, KeepTheTypedTextsAndAnswer) {
    TfrmFahrzeugdaten dialog;
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &dialog);
        dialog.edPruefername->setText(QString::fromUtf8("J\u00FCrgen Berg"));
        dialog.edHersteller->setText("Norden Bus");
        dialog.edFahrzeugtyp->setText("");
        dialog.edFahrgestellnummer->setText("NB-0042");
        dialog.edKilometerstand->setText("98 765");
        // Nothing is copied while the window is open.
        EXPECT_EQ(VehicleManufacturer, "Tarvik Coaches");
        GetParam().close(dialog);
    });
    EXPECT_EQ(dialog.exec(), GetParam().answer);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(TesterName, "J\xFC" "rgen Berg");
    EXPECT_EQ(VehicleManufacturer, "Norden Bus");
    EXPECT_EQ(VehicleType, "");
    EXPECT_EQ(VehicleVIN, "NB-0042");
    EXPECT_EQ(VehicleOdometer, "98 765");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ClosingWays,
    ::testing::Values(CloseCase{"Ok", [](TfrmFahrzeugdaten& d) { d.btnOk->click(); }, 1},
                      CloseCase{"Cancel", [](TfrmFahrzeugdaten& d) { d.btnAbbruch->click(); }, 2},
                      CloseCase{"CloseBox", [](TfrmFahrzeugdaten& d) { d.close(); }, 2},
                      CloseCase{"Escape", [](TfrmFahrzeugdaten& d) { pressEscape(&d); }, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VehicleDataDialog, UnchangedTextsComeBackUnchanged) {
    TfrmFahrzeugdaten dialog;
    ModalScript script([&](QWidget*) { dialog.btnOk->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(TesterName, "M\xFCller");
    EXPECT_EQ(VehicleVIN, "WTA12345678901234");
}

TEST_F(VehicleDataDialog, TextsStayWithinTheirWidths) {
    // Stored texts longer than their widths, with a mark at the last place that fits.
    for (std::size_t i = 0; i < kWidths.size(); ++i) {
        std::string text(kWidths[i] + 20, 'A' + static_cast<char>(i));
        text[kWidths[i] - 2] = '#';
        *texts()[i] = text;
    }
    TfrmFahrzeugdaten dialog;
    for (std::size_t i = 0; i < kWidths.size(); ++i) {
        SCOPED_TRACE(i);
        QLineEdit* edit = edits(dialog)[i];
        EXPECT_EQ(edit->maxLength(), static_cast<int>(kWidths[i] - 1));
        EXPECT_EQ(edit->text().size(), static_cast<qsizetype>(kWidths[i] - 1));
        EXPECT_TRUE(edit->text().endsWith('#'));
        // Typing at the end of a full edit adds nothing.
        edit->end(false);
        edit->insert("zz");
        EXPECT_EQ(edit->text().size(), static_cast<qsizetype>(kWidths[i] - 1));
    }
    ModalScript script([&](QWidget*) { dialog.btnOk->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    for (std::size_t i = 0; i < kWidths.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(texts()[i]->size(), kWidths[i] - 1);
        EXPECT_EQ(texts()[i]->back(), '#');
    }
}

TEST_F(VehicleDataDialog, TextThatJustFitsIsKeptWhole) {
    VehicleVIN = std::string(kVehicleVINWidth - 1, '7');
    TfrmFahrzeugdaten dialog;
    EXPECT_EQ(dialog.edFahrgestellnummer->text().toStdString(), VehicleVIN);
    ModalScript script([&](QWidget*) { dialog.btnAbbruch->click(); });
    EXPECT_EQ(dialog.exec(), 2);
    EXPECT_EQ(VehicleVIN, std::string(kVehicleVINWidth - 1, '7'));
}

}  // namespace
