// Bringing the interface application up to date: the choice of the newest application, the two
// application file formats, and the flash sequences of both interface generations.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

#include "DiagDriver.h"
#include "ProfileFile.h"

namespace {

constexpr const char* kHeaderSection = "Diagnostic Interface Application";
// The version of a file is compared as the interface reports its own: at most 31 characters.
constexpr size_t kMaxFileVersion = 31;
constexpr size_t kAppVersionSize = 32;

constexpr uint8_t kCmdFlashBlock = 0x03;
constexpr uint8_t kCmdVersionCheck = 0x06;
constexpr uint8_t kCmdDebug = 0x08;
constexpr uint8_t kCmdSession = 0x10;
constexpr uint8_t kCmdRequestDownload = 0x34;
constexpr uint8_t kCmdTransferData = 0x36;
constexpr uint8_t kCmdTransferExit = 0x37;

// Generation 1: the application lives at 0xA000..0xFFFF and is flashed in 64-byte blocks.
constexpr uint32_t kGen1Base = 0xA000;
constexpr size_t kGen1BufferSize = 0x6000;
constexpr size_t kGen1BlockSize = 64;
constexpr uint16_t kGen1FirstBlock = 0x80;
// Generation 2: up to 0xFFFFF bytes from the base, sent in chunks of 128; addresses and lengths
// travel in 24 bits.
constexpr size_t kGen2BufferSize = 0xFFFFF;
constexpr size_t kGen2ChunkSize = 128;
constexpr uint32_t kMax24Bit = 0xFFFFFF;
constexpr uint32_t kS2Window = 0x10000;

std::string trimEnd(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r'))
        text.pop_back();
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           equalsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

// A text file as lines; CRLF and LF end a line alike.
class TextLines {
public:
    // 0, DIAG_ERR_NO_APPLICATION when the file cannot be read, DIAG_ERR_NO_MEMORY.
    int32_t open(const std::filesystem::path& file) {
        try {
            std::ifstream in(file, std::ios::binary);
            if (!in) return DIAG_ERR_NO_APPLICATION;
            content_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (in.bad()) return DIAG_ERR_NO_APPLICATION;
        } catch (const std::bad_alloc&) {
            return DIAG_ERR_NO_MEMORY;
        } catch (const std::ios_base::failure&) {
            return DIAG_ERR_NO_APPLICATION;
        }
        return 0;
    }
    bool next(std::string& line) {
        if (pos_ >= content_.size()) return false;
        size_t end = content_.find('\n', pos_);
        if (end == std::string::npos) end = content_.size();
        line.assign(content_, pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos_ = end + 1;
        return true;
    }
    // Skips the header up to the line "[Data]"; false at the end of the file.
    bool skipToData() {
        std::string line;
        while (next(line))
            if (line == "[Data]") return true;
        return false;
    }

private:
    std::string content_;
    size_t pos_ = 0;
};

// A record line from `from` on as bytes: pairs of hex digits and nothing else (trailing blanks
// aside). Every tool writes its records so; anything else is a damaged line.
bool recordBytes(const std::string& line, size_t from, std::vector<uint8_t>& bytes) {
    size_t end = line.size();
    while (end > from && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    if (end < from || (end - from) % 2 != 0) return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = from; i < end; i += 2) {
        const int high = digit(line[i]);
        const int low = digit(line[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

uint8_t sumOf(const std::vector<uint8_t>& bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum);
}

// An Intel HEX record: count, address (2 bytes), type, count data bytes and a checksum that
// brings the sum of all of them to 0.
bool intelHexRecord(const std::string& line, std::vector<uint8_t>& bytes) {
    return !line.empty() && line[0] == ':' && recordBytes(line, 1, bytes) && bytes.size() >= 5 &&
           bytes.size() == bytes[0] + 5u && sumOf(bytes) == 0;
}

// An S-record after "S" and its type: a count of the bytes that follow, then the address, the
// data and a checksum that brings the sum of all of them to 0xFF.
bool sRecord(const std::string& line, std::vector<uint8_t>& bytes) {
    return recordBytes(line, 2, bytes) && !bytes.empty() && bytes.size() == bytes[0] + 1u &&
           sumOf(bytes) == 0xFF;
}

std::vector<uint8_t>* allocate(std::vector<uint8_t>& buffer, size_t size) {
    try {
        buffer.assign(size, 0xFF);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return &buffer;
}

// A generation-1 ".app" file: header, "[Data]", Intel HEX records. The image comes back without
// the 0xFF beyond its last byte.
int32_t loadIntelHexApp(const std::filesystem::path& file, std::vector<uint8_t>& image) {
    TextLines lines;
    int32_t status = lines.open(file);
    if (status != 0) return status;
    if (!allocate(image, kGen1BufferSize)) return DIAG_ERR_NO_MEMORY;
    if (!lines.skipToData()) return DIAG_ERR_BAD_APPLICATION;

    bool written = false;
    size_t highest = 0;
    std::string line;
    std::vector<uint8_t> record;
    for (;;) {
        if (!lines.next(line) || !intelHexRecord(line, record)) return DIAG_ERR_BAD_APPLICATION;
        const uint32_t count = record[0];
        const uint32_t address = static_cast<uint32_t>(record[1] << 8 | record[2]);
        const uint8_t type = record[3];
        if (type == 1) break;
        if (type == 3) continue;  // the start address: nothing for the image
        if (type != 0) return DIAG_ERR_BAD_APPLICATION;
        // Data outside 0xA000..0xFFFF has no place in the image.
        if (address < kGen1Base || address + count > kGen1Base + kGen1BufferSize)
            return DIAG_ERR_BAD_APPLICATION;
        std::copy_n(record.begin() + 4, count, image.begin() + (address - kGen1Base));
        if (count != 0) {
            highest = std::max<size_t>(highest, address - kGen1Base + count - 1);
            written = true;
        }
    }
    // An application without a single data byte is no application.
    if (!written) return DIAG_ERR_BAD_APPLICATION;

    // The file's checksum covers the image up to, not including, its last byte.
    uint16_t sum = 0;
    for (size_t i = 0; i < highest; ++i) sum = static_cast<uint16_t>(sum + image[i]);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04X", sum);
    const ProfileFile header(file);
    if (header.readString(kHeaderSection, "Checksum") != expected) return DIAG_ERR_BAD_APPLICATION;
    std::snprintf(expected, sizeof expected, "%05X", static_cast<unsigned>(highest + kGen1Base));
    if (header.readString(kHeaderSection, "EndAddress") != expected)
        return DIAG_ERR_BAD_APPLICATION;
    image.resize(highest + 1);
    return 0;
}

// A generation-2 file of Motorola S-records: ".MHX" holds only records, ".APP" a header and
// "[Data]" first. The image starts at the base (the first S3 address, else 0).
int32_t loadSRecordFile(const std::filesystem::path& file, std::vector<uint8_t>& image,
                        uint32_t& base) {
    const std::string name = file.filename().string();
    const bool withHeader = endsWithNoCase(name, ".APP");
    if (!withHeader && !endsWithNoCase(name, ".MHX")) return DIAG_ERR_NO_APPLICATION;
    TextLines lines;
    int32_t status = lines.open(file);
    if (status != 0) return status;
    if (!allocate(image, kGen2BufferSize)) return DIAG_ERR_NO_MEMORY;
    if (withHeader && !lines.skipToData()) return DIAG_ERR_BAD_APPLICATION;

    base = 0;
    bool baseSet = false;
    bool written = false;
    size_t highest = 0;
    std::string line;
    std::vector<uint8_t> record;
    for (;;) {
        if (!lines.next(line) || line.size() < 2 || line[0] != 'S') return DIAG_ERR_BAD_APPLICATION;
        const char type = line[1];
        size_t addressBytes = 0;
        switch (type) {
            case '0': addressBytes = 2; break;
            case '2': case '8': addressBytes = 3; break;
            case '3': case '7': addressBytes = 4; break;
            default: return DIAG_ERR_BAD_APPLICATION;
        }
        if (!sRecord(line, record) || record.size() < addressBytes + 2)
            return DIAG_ERR_BAD_APPLICATION;
        if (type == '7' || type == '8') break;
        if (type == '0') continue;  // the header record's data is not used
        uint32_t address = 0;
        for (size_t i = 1; i <= addressBytes; ++i) address = address << 8 | record[i];
        const size_t dataCount = record.size() - addressBytes - 2;
        if (type == '3' && !baseSet) {
            base = address;
            baseSet = true;
        }
        if (address < base) return DIAG_ERR_BAD_APPLICATION;
        const size_t offset = address - base;
        // S2 data lands within the first 64 KiB from the base; beyond it a record would be
        // written over data already loaded.
        if (type == '2' && offset + dataCount > kS2Window) return DIAG_ERR_BAD_APPLICATION;
        if (offset + dataCount > kGen2BufferSize) return DIAG_ERR_BAD_APPLICATION;
        std::copy_n(record.begin() + static_cast<long>(addressBytes) + 1, dataCount,
                    image.begin() + static_cast<long>(offset));
        if (dataCount != 0) {
            highest = std::max<size_t>(highest, offset + dataCount - 1);
            written = true;
        }
    }
    if (!written) return DIAG_ERR_BAD_APPLICATION;
    image.resize(highest + 1);
    return 0;
}

// The "*.app" files of a folder (any case of the extension), in name order.
std::vector<std::filesystem::path> applicationFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    for (auto it = std::filesystem::directory_iterator(where, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (endsWithNoCase(it->path().filename().string(), ".app")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// --- the built-in images ------------------------------------------------------------------------

void DiagDriver::setBuiltInImage(BuiltInImageKind kind, const uint8_t* data, size_t length,
                                 uint32_t loadAddress, std::string version) {
    BuiltInImage& image = builtInImages_[static_cast<size_t>(kind)];
    image.bytes.assign(data, data + (data ? length : 0));
    image.loadAddress = loadAddress;
    if (version.size() > kMaxImageVersion) version.resize(kMaxImageVersion);
    image.version = std::move(version);
}

const DiagDriver::BuiltInImage& DiagDriver::builtInImage(BuiltInImageKind kind) const {
    return builtInImages_[static_cast<size_t>(kind)];
}

void DiagDriver::selectBuiltInImage(BuiltInImageKind kind) {
    currentImage_ = &builtInImages_[static_cast<size_t>(kind)];
}

const DiagDriver::BuiltInImage& DiagDriver::currentImage() const {
    static const BuiltInImage none;
    return currentImage_ ? *currentImage_ : none;
}

std::string DiagDriver::builtInCandidate() const {
    const BuiltInImage& image = currentImage();
    return image.bytes.empty() ? std::string() : trimEnd(image.version);
}

// --- choosing the application -------------------------------------------------------------------

int32_t DiagDriver::Download(const std::filesystem::path& folder, const std::string& prefix,
                             uint8_t& flag, uint8_t compare, uint8_t fileOnly) {
    unreadableApplication_.clear();
    if (generation_ == 2) {
        // An interface that does not answer "Z" wants the built-in image, whatever its version.
        const uint8_t ask[4] = {0x80, 0x00, 0x45, 0x01};
        if (workRequest(kCmdVersionCheck, ask, sizeof ask) == 0 &&
            !(workLength() >= 1 && workData()[0] == 'Z'))
            compare = 0;
    }
    char text[kAppVersionSize];
    int32_t status = AppVersion(text, sizeof text);
    if (status != 0) return lastStatus_ = status;
    const std::string current = trimEnd(text);

    std::string best = (fileOnly == 0 && startsWith(current, prefix)) ? current : std::string();
    std::filesystem::path bestFile;
    for (const std::filesystem::path& file : applicationFiles(folder)) {
        std::string version = ProfileFile(file).readString(kHeaderSection, "Version");
        if (version.size() > kMaxFileVersion) version.resize(kMaxFileVersion);
        if (startsWith(version, prefix) && version > best) {
            best = version;
            bestFile = file;
        }
    }
    const std::string builtIn = builtInCandidate();
    bool bestIsBuiltIn = false;
    if (builtIn > best) {
        best = builtIn;
        bestFile.clear();
        bestIsBuiltIn = true;
    }
    if (best.empty()) return lastStatus_ = DIAG_ERR_NO_APPLICATION;

    const BuiltInImage& image = currentImage();
    if (compare != 0) {
        if (best == current) return 0;
        if (flag == 0) {
            flag = 1;
            return 0;
        }
        if (!bestIsBuiltIn) return AppDownload(bestFile);
        BiosStart();
        return AppDownloadFromBuf(image.bytes.data(), image.bytes.size(), image.loadAddress);
    }
    // Compare 0: the built-in image is flashed, whatever the interface holds. Without one there
    // is nothing to flash and nothing is due.
    if (flag == 0) {
        if (!builtIn.empty() && current != builtIn) flag = 1;
        return 0;
    }
    if (builtIn.empty() || !startsWith(builtIn, prefix)) return 0;
    BiosStart();
    return AppDownloadFromBuf(image.bytes.data(), image.bytes.size(), image.loadAddress);
}

// --- application files --------------------------------------------------------------------------

int32_t DiagDriver::AppDownload(const std::filesystem::path& file) {
    // The whole file is read and checked before the interface leaves its application, so a bad
    // file never leaves an interface without one.
    std::vector<uint8_t> image;
    unreadableApplication_.clear();
    if (generation_ == 1) {
        const int32_t status = loadIntelHexApp(file, image);
        if (status != 0) {
            unreadableApplication_ = file;
            return lastStatus_ = status;
        }
        if (BiosStart() == 0) {
            const uint8_t begin[1] = {0};
            workRequest(kCmdDebug, begin, 1);
        }
        const int32_t flashed = AppDownloadFromBuf(image.data(), image.size(), kGen1Base);
        if (flashed == 0) {
            const uint8_t end[1] = {1};
            workRequest(kCmdDebug, end, 1);
        }
        return lastStatus_ = flashed;
    }
    uint32_t base = 0;
    const int32_t status = loadSRecordFile(file, image, base);
    if (status != 0) {
        unreadableApplication_ = file;
        return lastStatus_ = status;
    }
    BiosStart();
    return AppDownloadFromBuf(image.data(), image.size(), base);
}

// --- flashing -------------------------------------------------------------------------------------

int32_t DiagDriver::AppDownloadFromBuf(const uint8_t* image, size_t length, uint32_t loadAddress) {
    // Nothing to flash is never flashed: an interface must not be overwritten with filler.
    if (!image || length == 0) return lastStatus_ = DIAG_ERR_NO_APPLICATION;
    if (generation_ == 1) {
        if (length > kGen1BufferSize) return lastStatus_ = DIAG_ERR_BAD_APPLICATION;
        return flashGeneration1(image, length);
    }
    // Address and length travel in 24 bits; an image beyond them would land elsewhere.
    if (loadAddress > kMax24Bit || length - 1 > kMax24Bit - loadAddress)
        return lastStatus_ = DIAG_ERR_BAD_APPLICATION;
    return flashGeneration2(image, length, loadAddress);
}

int32_t DiagDriver::flashGeneration1(const uint8_t* image, size_t length) {
    uint8_t block[2 + kGen1BlockSize];
    for (size_t offset = 0;; offset += kGen1BlockSize) {
        const uint16_t number = static_cast<uint16_t>(kGen1FirstBlock + offset / kGen1BlockSize);
        block[0] = static_cast<uint8_t>(number >> 8);
        block[1] = static_cast<uint8_t>(number & 0xFF);
        const size_t n = std::min(kGen1BlockSize, length - offset);
        std::memcpy(block + 2, image + offset, n);
        std::memset(block + 2 + n, 0xFF, kGen1BlockSize - n);
        const int32_t status = workRequest(kCmdFlashBlock, block, sizeof block);
        if (status != 0) return status;
        if (offset + kGen1BlockSize >= length) return 0;
    }
}

int32_t DiagDriver::flashGeneration2(const uint8_t* image, size_t length, uint32_t loadAddress) {
    const uint8_t session[2] = {0x10, 0x85};
    int32_t status = workRequest(kCmdSession, session, sizeof session);
    if (status != 0) return status;
    const uint8_t request[6] = {
        static_cast<uint8_t>(loadAddress >> 16), static_cast<uint8_t>(loadAddress >> 8),
        static_cast<uint8_t>(loadAddress),       static_cast<uint8_t>(length >> 16),
        static_cast<uint8_t>(length >> 8),       static_cast<uint8_t>(length)};
    if ((status = workRequest(kCmdRequestDownload, request, sizeof request)) != 0) return status;
    for (size_t offset = 0; offset < length; offset += kGen2ChunkSize) {
        const size_t n = std::min(kGen2ChunkSize, length - offset);
        if ((status = workRequest(kCmdTransferData, image + offset, static_cast<uint16_t>(n))) != 0)
            return status;
    }
    if ((status = workRequest(kCmdTransferExit)) != 0) return status;

    const uint32_t area = loadAddress & 0xF0000;
    const uint8_t selector = area == 0x40000 ? 0 : area == 0x60000 ? 1 : 2;
    const uint8_t finish[3] = {0x31, 0xFA, selector};
    if ((status = workRequest(kCmdSession, finish, sizeof finish)) != 0) return status;
    // The outcome is reply byte 2; a shorter reply carries none.
    if (workLength() < 3) return lastStatus_ = DIAG_ERR_BAD_REPLY;
    if (workData()[2] != 0) return lastStatus_ = DIAG_STATUS_FRAME + 0x04;
    return 0;
}
