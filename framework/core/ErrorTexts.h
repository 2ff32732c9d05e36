#pragma once
// The words for a status code and the hexadecimal texts the error dialogs show. Each class adds
// the codes of one layer and falls back to its base, so the chain works at every level:
//
//   TNBasisErrorHandlerTexts    driver, link and port codes; then the fallbacks
//   TNJED677ErrorHandlerTexts   + the JED677 layer codes
//   TNErrorHandlerTexts         + the suspension program's own two codes
//
// Fallbacks of every level: a code with bit 29 set gives "Error not assigned", any other code
// is taken as a Windows error number (its system text, "???" when there is none).
//
// The error dialogs of the window layer hold or derive from these classes. The texts read the
// driver's trace through a DriverTrace, by default the driver's exported one.

#include "DiagDr32.h"
#include "ErrorReporter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Where the texts find the last request, the last reply and the driver's function text.
struct DriverTrace {
    const DiagTrace* request = nullptr;   // null reads as an empty trace
    const DiagTrace* response = nullptr;
    char* function = nullptr;             // NUL-terminated text of functionSize bytes, or null
    std::size_t functionSize = 0;
    // The interface application file that could not be read, "" when none (or unknown).
    std::function<std::string()> unreadableApplication{};
};

// The driver's exported _msgRequest, _msgResponse and _cFunction, and its unreadable
// application file.
DriverTrace exportedDriverTrace();

// Where the USB library must be put (text 11989 with the program's folder), added to the
// messages about a missing library.
std::string usbLibraryPlaceText();

// A trace as the dialogs show it: the first min(count, 10) bytes as "%02X " each, then "..."
// when the count is above 10. A count above the 20 stored bytes counts as 20.
std::string traceText(const DiagTrace& trace);

// The four texts of an error dialog, filled in the dialog's order.
struct ErrorDialogTexts {
    std::string fehlerText;      // lblFehlertext
    std::string fehlerCodeText;  // LabelFehlerCode
    std::string requestText;     // LabelRequest
    std::string responseText;    // LabelResponse
};

class TNBasisErrorHandlerTexts {
public:
    explicit TNBasisErrorHandlerTexts(DriverTrace trace = exportedDriverTrace());
    virtual ~TNBasisErrorHandlerTexts() = default;

    // The message for a code. 0x20010051 also shows (and so clears) the driver's function text.
    virtual std::string FehlerText(int32_t code);
    virtual std::string RequestText() const;
    virtual std::string ResponseText() const;
    // The driver's function text; it is cleared afterwards, so a second call gives "".
    virtual std::string FunktionText();
    // Everything the dialog shows as one multi-line text.
    virtual std::string FehlerZusammenfassung(int32_t code);

    // Upper-case hexadecimal of the 32 bits, no prefix, no leading zeros ("FFFFFFFF" for -1).
    static std::string FehlerCodeText(int32_t code);

    // The dialog's four labels: FehlerText, FehlerCodeText, RequestText, ResponseText.
    ErrorDialogTexts dialogTexts(int32_t code);

    const DriverTrace& trace() const { return trace_; }

protected:
    // The fallbacks shared by every level: bit 29 set, else the system's text.
    static std::string unlistedCodeText(int32_t code);
    // Added to a driver code's text: where the USB library goes, which application file failed.
    std::string whatToDo(int32_t code) const;

private:
    DriverTrace trace_;
};

class TNJED677ErrorHandlerTexts : public TNBasisErrorHandlerTexts {
public:
    using TNBasisErrorHandlerTexts::TNBasisErrorHandlerTexts;
    std::string FehlerText(int32_t code) override;
};

// The suspension program's codes.
constexpr int32_t KELT_ERR_NOT_SUPPORTED = 0x10008000;  // function not in this diagnostic version
constexpr int32_t KELT_ERR_UNDERVOLTAGE = 0x10008001;   // the controller reported undervoltage

class TNErrorHandlerTexts : public TNJED677ErrorHandlerTexts {
public:
    using TNJED677ErrorHandlerTexts::TNJED677ErrorHandlerTexts;
    std::string FehlerText(int32_t code) override;
};

// FehlerAnzeigen without the window: code 0 answers NoErrorShown and show is not called;
// otherwise the four texts are filled in the dialog's order and handed to show, and its modal
// result becomes RepeatOperation (1) or GiveUp (anything else).
int runErrorDialog(TNBasisErrorHandlerTexts& texts, int32_t code,
                   const std::function<int(const ErrorDialogTexts&)>& show);
