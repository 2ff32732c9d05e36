#include "MessageBox.h"

#include "InstalledService.h"
#include "NData.h"

using InstalledBoxes = InstalledService<MessageBoxService>;

MessageBoxService* installMessageBoxService(MessageBoxService* service) {
    return InstalledBoxes::install(service);
}

MessageBoxService* messageBoxService() { return InstalledBoxes::get(); }

int MsgBox(const std::string& text, const std::string& caption, unsigned flags) {
    return InstalledBoxes::require("MsgBox: no message box service installed").MsgBox(text, caption, flags);
}

int MsgBoxText(MessageBoxService& service, const std::string& text) {
    return service.MsgBox(text, DiagAttr.Anwendungstitel, MB_OK);
}

int MsgBoxText(const std::string& text) {
    return MsgBox(text, DiagAttr.Anwendungstitel, MB_OK);
}
