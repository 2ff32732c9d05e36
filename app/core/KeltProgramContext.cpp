#include "KeltProgramContext.h"

#include "KELTInterface.h"

EcuTexts KeltProgramContext::ecuTexts() const {
    EcuTexts texts;
    if (!KELTInterfaceObj) return texts;
    texts.DiagnosticIdentification = KELTInterfaceObj->EcuDiagnosticIdentification;
    texts.SoftwareVersion = KELTInterfaceObj->EcuSoftwareVersion;
    texts.ProductNumber = KELTInterfaceObj->EcuProductNumber;
    texts.DateOfProduction = KELTInterfaceObj->EcuDateOfProduction;
    return texts;
}

std::string KeltProgramContext::systemName() const {
    return KELTInterfaceObj ? KELTInterfaceObj->SystemName : std::string();
}
