#pragma once
// Interface application files for the tests: images that name their own version, and ".app" /
// ".MHX" texts in both record formats, with every header field open to be spoiled.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace appfiles {

using Bytes = std::vector<uint8_t>;

// An image that starts with its version text (the simulator reports it once flashed), then a
// zero and a pattern seeded by `marker`, so images of one version still differ.
inline Bytes imageOf(const std::string& version, size_t size, uint8_t marker) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(marker + i * 7);
    for (size_t i = 0; i < version.size() && i < size; ++i) image[i] = static_cast<uint8_t>(version[i]);
    if (version.size() < size) image[version.size()] = 0;
    return image;
}

inline std::string hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// One record's bytes as hex, with the sum-complement checksum both formats use in some form.
inline std::string hexBytes(const Bytes& bytes) {
    std::string text;
    for (uint8_t b : bytes) text += hex(b, 2);
    return text;
}

// The header fields as the image demands them: the 16-bit sum of every byte but the last, and
// the address of the last byte.
inline std::string gen1Checksum(const Bytes& image) {
    uint16_t sum = 0;
    for (size_t i = 0; i + 1 < image.size(); ++i) sum = static_cast<uint16_t>(sum + image[i]);
    return hex(sum, 4);
}
inline std::string gen1EndAddress(const Bytes& image, uint32_t address = 0xA000) {
    return hex(static_cast<uint32_t>(address + image.size() - 1), 5);
}

struct Header {
    std::string version;
    std::optional<std::string> checksum = std::nullopt;    // default: the right one
    std::optional<std::string> endAddress = std::nullopt;  // default: the right one
};

inline std::string headerText(const Header& h, const std::string& checksum,
                              const std::string& endAddress, const std::string& eol) {
    std::string text = "[Diagnostic Interface Application]" + eol;
    text += "Version=" + h.version + eol;
    text += "Checksum=" + h.checksum.value_or(checksum) + eol;
    text += "EndAddress=" + h.endAddress.value_or(endAddress) + eol;
    return text;
}

// Intel HEX data records of 16 bytes from `address`, without the end record.
inline std::string intelHexRecords(const Bytes& image, uint32_t address, const std::string& eol) {
    std::string text;
    for (size_t offset = 0; offset < image.size(); offset += 16) {
        const size_t n = std::min<size_t>(16, image.size() - offset);
        const uint32_t at = static_cast<uint32_t>(address + offset);
        Bytes record{static_cast<uint8_t>(n), static_cast<uint8_t>(at >> 8),
                     static_cast<uint8_t>(at), 0x00};
        record.insert(record.end(), image.begin() + static_cast<long>(offset),
                      image.begin() + static_cast<long>(offset + n));
        uint8_t sum = 0;
        for (uint8_t b : record) sum = static_cast<uint8_t>(sum + b);
        text += ":" + hexBytes(record) + hex(static_cast<uint8_t>(-sum), 2) + eol;
    }
    return text;
}

inline const char* kIntelEnd = ":00000001FF";

// A whole generation-1 ".app" text.
inline std::string gen1App(const Header& header, const Bytes& image, const std::string& eol = "\r\n") {
    return headerText(header, gen1Checksum(image), gen1EndAddress(image), eol) + "[Data]" + eol +
           intelHexRecords(image, 0xA000, eol) + kIntelEnd + eol;
}

// S-records: type '3' (4 address bytes) or '2' (3 address bytes), 32 data bytes each.
inline std::string sRecords(const Bytes& image, uint32_t address, char type, const std::string& eol) {
    const size_t addressBytes = type == '2' ? 3 : 4;
    std::string text;
    for (size_t offset = 0; offset < image.size(); offset += 32) {
        const size_t n = std::min<size_t>(32, image.size() - offset);
        const uint32_t at = static_cast<uint32_t>(address + offset);
        Bytes record{static_cast<uint8_t>(addressBytes + n + 1)};
        for (size_t i = addressBytes; i-- > 0;) record.push_back(static_cast<uint8_t>(at >> (8 * i)));
        record.insert(record.end(), image.begin() + static_cast<long>(offset),
                      image.begin() + static_cast<long>(offset + n));
        uint8_t sum = 0;
        for (uint8_t b : record) sum = static_cast<uint8_t>(sum + b);
        text += std::string("S") + type + hexBytes(record) + hex(static_cast<uint8_t>(~sum), 2) + eol;
    }
    return text;
}

inline const char* kS0 = "S00600004844521B";
inline const char* kS7 = "S70500000000FA";

// A generation-2 text: with a header for ".app", without for ".MHX".
inline std::string gen2File(const std::string& version, const Bytes& image, uint32_t base,
                            bool withHeader, const std::string& eol = "\r\n") {
    std::string text;
    if (withHeader)
        text = headerText({version, std::string(), std::string()}, "", "", eol) + "[Data]" + eol;
    return text + kS0 + eol + sRecords(image, base, '3', eol) + kS7 + eol;
}

}  // namespace appfiles
