#pragma once
// Message boxes with the Windows button numbers and style flags the whole program is written
// against. The Qt layer implements MessageBoxService and installs it at start-up; tests install
// a scripted one.

#include <string>

// Buttons a message box answers with.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Button sets (low nibble of the flags).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_TYPEMASK = 0x0F;
// Icons (second nibble).
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
// The second button is the default (Enter answers it): No of Yes/No, Cancel of OK/Cancel.
constexpr unsigned MB_DEFBUTTON2 = 0x100;

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows a modal box owned by the active window and returns the button pressed (IDOK,
    // IDCANCEL, IDYES, IDNO). A box closed without a button answers IDCANCEL when it has a
    // Cancel button, IDNO for Yes/No and IDOK for OK only.
    virtual int MsgBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

// Installs the service the free functions use; returns the one installed before (may be null).
MessageBoxService* installMessageBoxService(MessageBoxService* service);
MessageBoxService* messageBoxService();

// The program's message box. Throws std::logic_error when no service is installed: a box that
// cannot be shown must not be taken as an answer.
int MsgBox(const std::string& text, const std::string& caption, unsigned flags);
// A box with the text, the application title DiagAttr.Anwendungstitel as caption and OK only.
int MsgBoxText(const std::string& text);
// The same on a given service.
int MsgBoxText(MessageBoxService& service, const std::string& text);
