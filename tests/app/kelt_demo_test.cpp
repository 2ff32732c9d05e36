// Demo mode: every operation answers with the sample data and the driver sees no call.
#include <tuple>

#include "KeltTestSupport.h"

namespace {

class Demo : public InDemoMode<KeltFixture> {
protected:
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        EXPECT_TRUE(errors.shownCodes().empty());
        EXPECT_TRUE(ecu->messages().empty());
        InDemoMode::TearDown();
    }
};

TEST_F(Demo, StartOfTheDiagnosis) {
    EXPECT_EQ(OpenDiagInterface("COM1"), 0);
    ScriptedStartDialog start;
    EXPECT_EQ(kelt->ConnectEcuAtStart(start), 0);
    EXPECT_TRUE(start.shown.empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(kelt->KommunikationGestartet, 1);
    EXPECT_EQ(kelt->EcuIdentBytes, (std::array<uint8_t, 4>{0x10, 0x78, 0x01, 0x00}));
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
    EXPECT_TRUE(kelt->CheckEcuSupported());
    EXPECT_TRUE(boxes.shown.empty());
    kelt->DeriveEcuType();
    EXPECT_EQ(kelt->EcuTyp, 0x107801u);
    EXPECT_EQ(kelt->ReportLastError(7), 0);

    EXPECT_EQ(kelt->ReadIdentification(), 0);
    EXPECT_EQ(kelt->EcuProductNumber, "841 302 117 0");
    EXPECT_EQ(kelt->EcuDateOfProduction, "24 / 2004");
    EXPECT_EQ(kelt->EcuSoftwareVersion, "7.6.0.0");
    EXPECT_EQ(vehicleVIN, "1234567890");

    kelt->LetzterFehlercode = DIAG_ERR_TIMEOUT;  // a stale code is not shown
    EXPECT_EQ(kelt->ReadConfiguration(), 0);
    EXPECT_EQ(kelt->AsianStyle, 0);
    EXPECT_EQ(kelt->ReadConfigurationTexts(),
              "Air suspension front and rear axle\nSensed 2-distance sensor axle\nSensed "
              "1-distance sensor axle\nPressure sensor\nTilt function");
    const uint8_t KELTInterface::*set[] = {
        &KELTInterface::CfgFrontAxle,      &KELTInterface::CfgRearSensorLeft,
        &KELTInterface::CfgRearSensorRight, &KELTInterface::CfgValve1WSLeft,
        &KELTInterface::CfgValve1WSRight,  &KELTInterface::CfgValve2WSLeft,
        &KELTInterface::CfgValve2WSRight,  &KELTInterface::CfgMainThrottle,
        &KELTInterface::CfgCrossThrottle,  &KELTInterface::CfgPressureSensor,
        &KELTInterface::CfgTiltSensor,     &KELTInterface::CfgOutputs,
        &KELTInterface::CfgMeasuredValues, &KELTInterface::CfgLampTest,
        &KELTInterface::CfgSwitches,       &KELTInterface::CfgPressureData,
        &KELTInterface::CfgLeftRightDifference};
    for (auto flag : set) EXPECT_EQ(kelt.get()->*flag, 1);
    const uint8_t KELTInterface::*clear[] = {
        &KELTInterface::CfgAxleInputsSwapped, &KELTInterface::CfgPeripheryDetection,
        &KELTInterface::CfgKneelingAutoManual, &KELTInterface::CfgDoorContactUbatt,
        &KELTInterface::CfgSidewalkMakeContact, &KELTInterface::CfgAlbValve};
    for (auto flag : clear) EXPECT_EQ(kelt.get()->*flag, 0);
}

TEST_F(Demo, FaultMemory) {
    FaultEntryTable entries{};
    entries[2].Status = 1;
    EXPECT_EQ(kelt->ReadFaultMemory(entries), 0);
    const FehlerEintrag& a = entries[0];
    const FehlerEintrag& b = entries[1];
    EXPECT_EQ(std::tie(a.KomponentenCode, a.FehlerartCode, a.Prioritaet, a.Status, a.Zaehler,
                       a.Timer, a.ZaehlerArt),
              std::make_tuple(50, 41, 5, 1, 17, 0, 0));
    EXPECT_EQ(std::tie(b.KomponentenCode, b.FehlerartCode, b.Prioritaet, b.Status, b.Zaehler,
                       b.Timer, b.ZaehlerArt),
              std::make_tuple(50, 92, 5, 0, 17, 0, 0));
    EXPECT_EQ(entries[2].Status, 0);
    EXPECT_EQ(entries[2].Zaehler, 255);

    EXPECT_EQ(kelt->UpdateCurrentFault(), 0);
    EXPECT_EQ(kelt->CurrentComponent, 50);
    EXPECT_EQ(kelt->CurrentMode, 41);

    EXPECT_EQ(kelt->ClearFaultMemory(), 0);
    EXPECT_EQ(kelt->RestartEcuSession(), 0);
    EXPECT_EQ(waitDialog.waits, std::vector<int32_t>{10000});
    EXPECT_EQ(opener.calls, 0);
}

TEST_F(Demo, RequestsTouchNothing) {
    EcuMessage m = EcuMessage::request({0x48});
    EXPECT_EQ(kelt->SendRequest(m), 0);
    EXPECT_EQ(m.length, 2);
    EXPECT_EQ(m[0], 0x48);
    EXPECT_EQ(kelt->RequestLocalId(m, 0xD1), 0);
    std::array<uint8_t, 4> block{7, 7, 7, 7};
    uint16_t position = 0;
    EXPECT_EQ(kelt->ReadLocalId(0xD1, position, block), 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(block, (std::array<uint8_t, 4>{7, 7, 7, 7}));
    EXPECT_EQ(kelt->WriteLocalId(0xD1, 2, position, block), 0);
}

TEST_F(Demo, Disconnect) {
    kelt->KommunikationGestartet = 1;
    EXPECT_EQ(kelt->StopDiagnosis(), 0);
    EXPECT_EQ(kelt->DisconnectEcu(), 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
}

}  // namespace
