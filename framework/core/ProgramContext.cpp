#include "ProgramContext.h"

#include "ProgramModes.h"
#include "VehicleTexts.h"

std::string ApplicationTitle;

namespace {
ProgramContext* installedContext = nullptr;
}

std::string ProgramContext::applicationTitle() const { return ApplicationTitle; }

const DiagAttrStruct& ProgramContext::attributes() const { return DiagAttr; }

std::filesystem::path ProgramContext::programFolder() const {
    return SystemApplicationEnvironment::instance().programFile().parent_path();
}

VehicleData ProgramContext::vehicle() const {
    return {VehicleManufacturer, VehicleType, VehicleVIN, VehicleOdometer};
}

EcuTexts ProgramContext::ecuTexts() const { return {}; }

std::string ProgramContext::systemName() const { return {}; }

std::string ProgramContext::testerName() const { return TesterName; }

void ProgramContext::setTesterName(const std::string& name) { TesterName = name; }

int ProgramContext::messageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return MsgBox(text, caption, flags);
}

std::optional<std::string> ProgramContext::askText(const std::string& caption, const std::string& prompt,
                                                   const std::string& value, std::size_t maxLength) {
    return textQuestion().askText(caption, prompt, value, maxLength);
}

std::optional<std::filesystem::path> ProgramContext::chooseFile(const FileChoice& choice) {
    return fileChooser().chooseFile(choice);
}

const WallClock& ProgramContext::clock() const { return SystemWallClock::instance(); }

ProgramContext* installProgramContext(ProgramContext* context) {
    ProgramContext* previous = installedContext;
    installedContext = context;
    return previous;
}

ProgramContext& programContext() {
    static ProgramContext defaults;
    return installedContext ? *installedContext : defaults;
}
