#include "ErrorTexts.h"

#include "StringTable.h"
#include "DynamicLibrary.h"
#include "SystemErrorText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct CodeText {
    int32_t code;
    int id;
};

constexpr int32_t ERR_FUNCTION_NOT_SUPPORTED = 0x20010051;
constexpr int ID_FUNCTION_NOT_SUPPORTED = 11187;
constexpr int ID_ERROR_NOT_ASSIGNED = 11168;
constexpr int ID_ERROR_CODE = 11181;
constexpr int ID_REQUEST = 11182;
constexpr int ID_RESPONSE = 11183;
constexpr int ID_USB_LIBRARY_PLACE = 11989;
constexpr int ID_UNREADABLE_APPLICATION = 11994;
constexpr uint32_t DRIVER_FAMILY_BIT = 0x20000000;
constexpr std::size_t TRACE_SHOWN_BYTES = 10;

// Driver, link and port codes.
constexpr CodeText driverTexts[] = {
    {-1, 11149},         {-2, 11156},         {-3, 11155},         {-4, 11154},
    {-5, 11152},         {-10, 11153},        {-11, 11151},        {-12, 11150},
    {0x20000002, 11162}, {0x20000003, 11163}, {0x20000004, 11160}, {0x20000007, 11169},
    {0x20000011, 11186}, {0x20010001, 11177}, {0x20010014, 11157}, {0x20010015, 11158},
    {0x20010016, 11170}, {0x2001001E, 11148}, {0x20010029, 11180}, {0x2001002A, 11159},
    {0x2001002B, 11179}, {0x2001002C, 11161}, {0x2001002D, 11164}, {0x20010032, 11165},
    {0x20010033, 11166}, {0x20010034, 11167}, {0x20010035, 11184}, {0x2001003C, 11171},
    {0x2001003D, 11172}, {0x2001003E, 11173}, {0x2001003F, 11174}, {0x20010040, 11175},
    {0x20010041, 11176}, {0x20010050, 11185}, {0x200E0001, 11178},
    {0x20010043, 11900},  // the user may not open the serial port (not in 'dialout')
    // The codes the driver produces beyond the texts above: said plainly, with what to try.
    {0x20010044, 11995},  // a reply too short or malformed for what it must carry
    {0x20010042, 11996},  // a request that does not fit the frame or block layout
    {0x2001001F, 11997},  // a reply longer than the room for it
    {0x2001002E, 11998},  // the start of a block transfer not accepted
    {0x2001002F, 11999},  // a block not acknowledged
};

// JED677 layer codes.
constexpr CodeText jed677Texts[] = {
    {0x2002000B, 11389}, {0x2002000C, 11390}, {0x2002000D, 11385}, {0x2002000E, 11386},
    {0x2002000F, 11387}, {0x20020010, 11391}, {0x20020011, 11392}, {0x20020012, 11393},
    {0x20020013, 11394}, {0x20020014, 11395}, {0x20020015, 11396}, {0x20020016, 11397},
    {0x20020017, 11404}, {0x20020018, 11398}, {0x20020019, 11399}, {0x2002001A, 11400},
    {0x2002001B, 11401}, {0x2002001C, 11402}, {0x2002001D, 11403},
};

constexpr CodeText keltTexts[] = {
    {KELT_ERR_NOT_SUPPORTED, 30000},
    {KELT_ERR_UNDERVOLTAGE, 30001},
};

template <std::size_t N>
const CodeText* findCode(const CodeText (&table)[N], int32_t code) {
    auto it = std::find_if(std::begin(table), std::end(table),
                           [code](const CodeText& row) { return row.code == code; });
    return it == std::end(table) ? nullptr : it;
}

}  // namespace

DriverTrace exportedDriverTrace() {
    return DriverTrace{&_msgRequest, &_msgResponse, _cFunction, sizeof _cFunction, [] {
                           char file[4096];
                           UnreadableApplicationFile(file, sizeof file);
                           return std::string(file);
                       }};
}

std::string traceText(const DiagTrace& trace) {
    const std::size_t count = std::min<std::size_t>(trace.count, DIAG_TRACE_BYTES);
    const std::size_t shown = std::min(count, TRACE_SHOWN_BYTES);
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        char group[4];
        std::snprintf(group, sizeof group, "%02X ", trace.bytes[i]);
        text += group;
    }
    if (count > TRACE_SHOWN_BYTES) text += "...";
    return text;
}

TNBasisErrorHandlerTexts::TNBasisErrorHandlerTexts(DriverTrace trace) : trace_(trace) {}

std::string TNBasisErrorHandlerTexts::FehlerText(int32_t code) {
    if (code == ERR_FUNCTION_NOT_SUPPORTED)
        return LoadStr(ID_FUNCTION_NOT_SUPPORTED) + "\n\n\nFunktion: " + FunktionText();
    if (const CodeText* row = findCode(driverTexts, code)) return LoadStr(row->id) + whatToDo(code);
    return unlistedCodeText(code);
}

std::string TNBasisErrorHandlerTexts::unlistedCodeText(int32_t code) {
    if (static_cast<uint32_t>(code) & DRIVER_FAMILY_BIT) return LoadStr(ID_ERROR_NOT_ASSIGNED);
    return SystemErrorText(static_cast<uint32_t>(code));
}

std::string TNBasisErrorHandlerTexts::RequestText() const {
    return trace_.request ? traceText(*trace_.request) : std::string();
}

std::string TNBasisErrorHandlerTexts::ResponseText() const {
    return trace_.response ? traceText(*trace_.response) : std::string();
}

std::string TNBasisErrorHandlerTexts::FunktionText() {
    if (!trace_.function || trace_.functionSize == 0) return {};
    // Bounded: the exported buffer need not hold a terminating NUL.
    const void* nul = std::memchr(trace_.function, '\0', trace_.functionSize);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - trace_.function)
            : trace_.functionSize;
    std::string text(trace_.function, length);
    trace_.function[0] = '\0';
    return text;
}

std::string TNBasisErrorHandlerTexts::FehlerCodeText(int32_t code) {
    char text[9];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(static_cast<uint32_t>(code)));
    return text;
}

std::string TNBasisErrorHandlerTexts::FehlerZusammenfassung(int32_t code) {
    std::string text = FehlerText(code);
    text += "\n\n\n" + LoadStr(ID_ERROR_CODE) + "\t: " + FehlerCodeText(code);
    text += "\n\n" + LoadStr(ID_REQUEST) + "\t: " + RequestText();
    text += "\n" + LoadStr(ID_RESPONSE) + "\t: " + ResponseText();
    return text;
}

ErrorDialogTexts TNBasisErrorHandlerTexts::dialogTexts(int32_t code) {
    ErrorDialogTexts texts;
    texts.fehlerText = FehlerText(code);
    texts.fehlerCodeText = FehlerCodeText(code);
    texts.requestText = RequestText();
    texts.responseText = ResponseText();
    return texts;
}

std::string TNJED677ErrorHandlerTexts::FehlerText(int32_t code) {
    if (const CodeText* row = findCode(jed677Texts, code)) return LoadStr(row->id);
    return TNBasisErrorHandlerTexts::FehlerText(code);
}

std::string TNErrorHandlerTexts::FehlerText(int32_t code) {
    if (const CodeText* row = findCode(keltTexts, code)) return LoadStr(row->id);
    return TNJED677ErrorHandlerTexts::FehlerText(code);
}

int runErrorDialog(TNBasisErrorHandlerTexts& texts, int32_t code,
                   const std::function<int(const ErrorDialogTexts&)>& show) {
    if (code == 0) return NoErrorShown;
    return retryAnswerOf(show(texts.dialogTexts(code)));
}

// --- what the technician can do about a code ---------------------------------------------------

std::string usbLibraryPlaceText() { return messageWithSystemText(ID_USB_LIBRARY_PLACE, programFolder().string()); }

std::string TNBasisErrorHandlerTexts::whatToDo(int32_t code) const {
    if (code == DIAG_ERR_USB_LIBRARY) return "\n\n" + usbLibraryPlaceText();
    if ((code == DIAG_ERR_NO_APPLICATION || code == DIAG_ERR_BAD_APPLICATION) && trace_.unreadableApplication) {
        const std::string file = trace_.unreadableApplication();
        if (!file.empty()) return "\n\n" + messageWithSystemText(ID_UNREADABLE_APPLICATION, file);
    }
    return {};
}
