#pragma once
// "Save system data" over the ECU layer: the program's data folder and INI file, our own
// parameter description and fault-text files, the vehicle data and the tester's answer; over the
// real driver, an ECU connected as the start of the diagnosis leaves it. Header-only: the test
// folder compiles only its *_test.cpp files.

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>

#include "DriverTestSupport.h"
#include "FaultMemoryRead.h"
#include "FaultProtocol.h"
#include "FaultTextFile.h"
#include "KeltProgramContext.h"
#include "LevelCalibration.h"
#include "StringTable.h"
#include "SystemData.h"
#include "TestProgramContext.h"

// The scripted dialogs and fixed clock of the tests, with the connected ECU's texts and system
// name as the program's context gives them.
class KeltTestContext : public TestProgramContext {
public:
    EcuTexts ecuTexts() const override { return KeltProgramContext().ecuTexts(); }
    std::string systemName() const override { return KeltProgramContext().systemName(); }
};

// 28 WORD parameters: the 56 bytes of a 10 78 01 00 ECU.
inline std::string wordDescription() {
    std::string text = "[Hinweise]\r\n1=Test description\r\n";
    for (int n = 1; n <= 28; ++n) text += "[" + std::to_string(n) + "]\r\nWORD=1\r\n";
    return text;
}

// Configuration 2, 4, 11, 16 (a pressure sensor), then 5 and 300; the rest zero.
inline SimBytes parameterBlock() {
    SimBytes block(56, 0);
    const uint8_t head[] = {2, 4, 11, 16, 0, 5, 1, 44};
    std::copy(std::begin(head), std::end(head), block.begin());
    return block;
}

inline const char* const kFaultTexts =
    "[Komponente]\r\n10=Supply voltage\r\n50=Valve block\r\n51=Level sensor rear left\r\n"
    "[Fehlerart]\r\n96=Undervoltage\r\n13=Parameter definition\r\n41=Signal implausible\r\n";

// The save's set-up over a fixture of the ECU layer: the program's data folder and INI file, our
// own description and fault-text files, the vehicle data and the tester's answer.
template <class Base>
class SystemDataFixture : public Base {
public:
    KeltTestContext context;
    std::filesystem::path dataFolder;
    std::string previousEcuName;
    std::string previousTimeLocale;
    bool vehicleDataOk = true;
    int vehicleDataShown = 0;

    void SetUp() override {
        Base::SetUp();
        previousTimeLocale = std::setlocale(LC_TIME, nullptr);
        std::setlocale(LC_TIME, "C");
        previousEcuName = EcuName;
        EcuName = "TARVIK ERROR RECORD";
        dataFolder = this->dir / "data";
        std::filesystem::create_directories(dataFolder);
        context.attr = this->attr;
        context.attr.SystemKennung = 16;
        context.attr.SystemUnterKennung = 200;
        context.attr.InterneKennung = 1;
        context.attr.Versionsnummer = 132;
        TempDir::writeFile(this->attr.AppIni, "[Directory]\r\nWriteData=" + dataFolder.string() + "\r\n");
        context.title = "Tarvik Diagnostic Software";
        context.vehicleTexts = {"MAN", "Lion's City", "WDB1", "12000"};
        context.tester = "Bob";
        context.question.answer = "Alice";
        context.chooser.answers = {file()};
        TempDir::writeFile(this->dir / "10780100.PKD", wordDescription());
        TempDir::writeFile(this->dir / "TARVIK.FKD", kFaultTexts);
    }
    void TearDown() override {
        EcuName = previousEcuName;
        std::setlocale(LC_TIME, previousTimeLocale.c_str());
        Base::TearDown();
    }

    std::filesystem::path file() const { return dataFolder / "bus 12"; }
    std::string bytes() const { return TempDir::readFile(file()); }
    structParameter record() const {
        structParameter r;
        r.pDiagnoseAktiv = &this->kelt->DiagnoseAktiv;
        r.PKDDatei = (this->dir / (this->kelt->EcuDiagnosticIdentification + ".PKD")).string();
        return r;
    }
    SystemDataOutcome save(const structParameter& parameters) {
        const FaultTextFile texts = programFaultTextFile(this->dir.path());
        return SystemdatenSpeichern({*this->kelt, parameters, texts,
                                     [this] {
                                         ++vehicleDataShown;
                                         return vehicleDataOk;
                                     }},
                                    context);
    }
    SystemDataOutcome save() { return save(record()); }
    bool savedShown() const {
        for (const ShownBox& box : context.boxes.shown)
            if (box.text == LoadStr(kSystemDataSavedText)) return true;
        return false;
    }
};

class SystemDataThroughTheDriver : public SystemDataFixture<OverTheRealDriver<KeltFixture>> {
public:
    void SetUp() override {
        SystemDataFixture::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ecu->setParameterBlock(parameterBlock());
        const LevelBlock levels = levelBlockOf({50, 55, 84, 87, 20, 18, 250});
        for (uint8_t i = 0; i < 4; ++i)
            ecu->setLocalId(static_cast<uint8_t>(0xC7 + i), {levels[2 * i], levels[2 * i + 1]});
        ecu->setFaultStatus(0, 0x05);
        ecu->setFaultStatus(17, 0xE3);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadIdentification(), 0);
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        kelt->InitSystemName();
        kelt->DiagnoseAktiv = 1;
        ecu->clearLog();
    }
};
