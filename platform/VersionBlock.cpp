#include "VersionBlock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

// A read-only file whose reads never reach past its end.
class BoundedFile {
public:
    explicit BoundedFile(const std::filesystem::path& path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return;
        struct stat st{};
        // Only regular files: a FIFO or device could block or never end.
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        size_ = static_cast<uint64_t>(st.st_size);
    }
    ~BoundedFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    BoundedFile(const BoundedFile&) = delete;
    BoundedFile& operator=(const BoundedFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    uint64_t size() const { return size_; }

    // Whether [offset, offset + length) lies inside the file, without overflow.
    bool contains(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool read(uint64_t offset, void* out, std::size_t length) const {
        if (!contains(offset, length)) return false;
        auto* dest = static_cast<unsigned char*>(out);
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pread(fd_, dest + done, length - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // the file shrank under us, or an I/O error
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

uint64_t le(const unsigned char* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// The fields of the ELF layouts that the search needs.
struct Layout {
    bool is64;
    std::size_t headerSize;        // size of the file header
    std::size_t sectionEntrySize;  // minimum size of one section header
};

struct SectionHeader {
    uint32_t name = 0;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t link = 0;
};

constexpr uint32_t kSectionNoBits = 8;      // SHT_NOBITS: occupies no file space
constexpr uint32_t kExtendedIndex = 0xffff;  // SHN_XINDEX

bool readSectionHeader(const BoundedFile& f, const Layout& layout, uint64_t at,
                       SectionHeader& out) {
    unsigned char h[64];
    if (!f.read(at, h, layout.sectionEntrySize)) return false;
    out.name = static_cast<uint32_t>(le(h + 0, 4));
    out.type = static_cast<uint32_t>(le(h + 4, 4));
    if (layout.is64) {
        out.offset = le(h + 24, 8);
        out.size = le(h + 32, 8);
        out.link = static_cast<uint32_t>(le(h + 40, 4));
    } else {
        out.offset = le(h + 16, 4);
        out.size = le(h + 20, 4);
        out.link = static_cast<uint32_t>(le(h + 24, 4));
    }
    return true;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

}  // namespace

std::optional<std::string> readElfSection(const std::filesystem::path& file,
                                          std::string_view sectionName, std::size_t maxSize) {
    BoundedFile f(file);
    if (!f.isOpen()) return std::nullopt;

    unsigned char ident[64];
    if (!f.read(0, ident, 16)) return std::nullopt;
    if (ident[0] != 0x7f || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F')
        return std::nullopt;
    if (ident[5] != 1) return std::nullopt;  // little-endian only
    Layout layout{};
    if (ident[4] == 1)
        layout = {false, 52, 40};
    else if (ident[4] == 2)
        layout = {true, 64, 64};
    else
        return std::nullopt;
    if (!f.read(0, ident, layout.headerSize)) return std::nullopt;

    uint64_t shoff = layout.is64 ? le(ident + 40, 8) : le(ident + 32, 4);
    const unsigned char* tail = ident + (layout.is64 ? 58 : 46);
    uint64_t shentsize = le(tail + 0, 2);
    uint64_t shnum = le(tail + 2, 2);
    uint64_t shstrndx = le(tail + 4, 2);
    if (shoff == 0 || shentsize < layout.sectionEntrySize) return std::nullopt;

    // More than 0xff00 sections, or a string-table index that big, live in section 0.
    if (shnum == 0 || shstrndx == kExtendedIndex) {
        SectionHeader first;
        if (!readSectionHeader(f, layout, shoff, first)) return std::nullopt;
        if (shnum == 0) shnum = first.size;
        if (shstrndx == kExtendedIndex) shstrndx = first.link;
    }
    if (shnum == 0 || !f.contains(shoff, 0) || shnum > (f.size() - shoff) / shentsize)
        return std::nullopt;
    if (shstrndx == 0 || shstrndx >= shnum) return std::nullopt;

    SectionHeader names;
    if (!readSectionHeader(f, layout, shoff + shstrndx * shentsize, names)) return std::nullopt;
    if (names.type == kSectionNoBits || !f.contains(names.offset, names.size))
        return std::nullopt;

    // A name matches when its bytes and the NUL after them lie inside the string table.
    std::string wanted(sectionName);
    wanted.push_back('\0');
    std::string candidate(wanted.size(), '\0');
    for (uint64_t i = 1; i < shnum; ++i) {
        SectionHeader s;
        if (!readSectionHeader(f, layout, shoff + i * shentsize, s)) return std::nullopt;
        if (s.name >= names.size || wanted.size() > names.size - s.name) continue;
        if (!f.read(names.offset + s.name, candidate.data(), candidate.size()))
            return std::nullopt;
        if (candidate != wanted) continue;

        if (s.type == kSectionNoBits || s.size > maxSize || !f.contains(s.offset, s.size))
            return std::nullopt;
        std::string contents(static_cast<std::size_t>(s.size), '\0');
        if (!f.read(s.offset, contents.data(), contents.size())) return std::nullopt;
        return contents;
    }
    return std::nullopt;
}

std::optional<VersionBlock> VersionBlock::readFile(const std::filesystem::path& file) {
    auto contents = readElfSection(file, kVersionSectionName);
    if (!contents) return std::nullopt;
    return parse(*contents);
}

VersionBlock VersionBlock::parse(std::string_view text) {
    VersionBlock block;
    text = text.substr(0, text.find('\0'));
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        std::string_view key = line.substr(0, eq);
        if (block.has(key)) continue;
        block.entries_.emplace_back(std::string(key), std::string(line.substr(eq + 1)));
    }
    return block;
}

std::string VersionBlock::value(std::string_view key) const {
    for (const auto& [k, v] : entries_)
        if (sameNoCase(k, key)) return v;
    return {};
}

bool VersionBlock::has(std::string_view key) const {
    for (const auto& entry : entries_)
        if (sameNoCase(entry.first, key)) return true;
    return false;
}
