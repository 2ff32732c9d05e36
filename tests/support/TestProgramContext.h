#pragma once
// A ProgramContext of plain fields for tests: no process-wide text is read or changed. Message
// boxes, the tester question and the file chooser are scripted ones (installed for the test's
// length too); the clock is fixed. Header-only, like ScriptedMessageBoxes.

#include "ProgramContext.h"
#include "ScriptedFileChooser.h"
#include "ScriptedMessageBoxes.h"
#include "ScriptedTextQuestion.h"
#include "WallClock.h"

class TestProgramContext : public ProgramContext {
public:
    TestProgramContext() { attr.Anwendungstitel = "Test Diagnostic"; }

    std::string applicationTitle() const override { return title; }
    const DiagAttrStruct& attributes() const override { return attr; }
    std::filesystem::path programFolder() const override { return folder; }
    VehicleData vehicle() const override { return vehicleTexts; }
    EcuTexts ecuTexts() const override { return ecu; }
    std::string systemName() const override { return system; }
    std::string testerName() const override { return tester; }
    void setTesterName(const std::string& name) override { tester = name; }
    int messageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return boxes.MsgBox(text, caption, flags);
    }
    std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                       const std::string& value, std::size_t maxLength) override {
        return question.askText(caption, prompt, value, maxLength);
    }
    std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override {
        return chooser.chooseFile(choice);
    }
    const WallClock& clock() const override { return wallClock; }

    std::string title = "Test Diagnostic Software";
    DiagAttrStruct attr;
    std::filesystem::path folder;
    VehicleData vehicleTexts;
    EcuTexts ecu;
    std::string system;
    std::string tester;
    ScriptedMessageBoxes boxes;
    ScriptedTextQuestion question;
    ScriptedFileChooser chooser;
    FixedWallClock wallClock{{2009, 12, 4, 14, 5, 33}};
};
