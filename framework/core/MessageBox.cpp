#include "MessageBox.h"

#include "NData.h"

#include <stdexcept>

namespace {
MessageBoxService* installedService = nullptr;
}

MessageBoxService* installMessageBoxService(MessageBoxService* service) {
    MessageBoxService* previous = installedService;
    installedService = service;
    return previous;
}

MessageBoxService* messageBoxService() { return installedService; }

int MsgBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (!installedService) throw std::logic_error("MsgBox: no message box service installed");
    return installedService->MsgBox(text, caption, flags);
}

int MsgBoxText(MessageBoxService& service, const std::string& text) {
    return service.MsgBox(text, DiagAttr.Anwendungstitel, MB_OK);
}

int MsgBoxText(const std::string& text) {
    return MsgBox(text, DiagAttr.Anwendungstitel, MB_OK);
}
