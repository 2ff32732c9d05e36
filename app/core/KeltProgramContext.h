#pragma once
// The program's context for the framework's file code (ProgramContext.h): the framework's
// defaults, plus the connected ECU's identification texts and the system name from
// KELTInterfaceObj, which the framework cannot see. The main window installs it for its lifetime.

#include "ProgramContext.h"

class KeltProgramContext : public ProgramContext {
public:
    // KELTInterfaceObj's texts with the serial "---"; empty texts without a KELTInterfaceObj.
    EcuTexts ecuTexts() const override;
    // KELTInterfaceObj's SystemName; empty without a KELTInterfaceObj.
    std::string systemName() const override;
};
