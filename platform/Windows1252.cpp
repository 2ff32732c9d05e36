#include "Windows1252.h"

#include <array>
#include <cstdint>

namespace {

// Windows-1252 at 0x80..0x9F; elsewhere it agrees with Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        // Every Windows-1252 character lies in the basic plane.
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The code point of the UTF-8 sequence at text[pos] and its length; length 0 when the bytes
// there are no valid, shortest-form sequence.
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return {0, 0};
    }
    if (pos + length > text.size()) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return {0, 0};
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {0, 0};
    return {code, length};
}

}  // namespace

char32_t unicodeOfWindows1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

char windows1252OfUnicode(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
    return '?';
}

std::string utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) appendUtf8(out, unicodeOfWindows1252(static_cast<unsigned char>(c)));
    return out;
}

std::string windows1252FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            out.push_back(text[pos++]);
            continue;
        }
        const auto [code, length] = decodeUtf8(text, pos);
        if (length == 0) {
            out.push_back(text[pos++]);
            continue;
        }
        out.push_back(windows1252OfUnicode(code));
        pos += length;
    }
    return out;
}
