#include "VersionBlock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

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

SectionHeader sectionHeaderAt(const Layout& layout, const unsigned char* h) {
    SectionHeader out;
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
    return out;
}

// A part of the file that lies inside it, read whole in one read when it is at most kWhole bytes
// (the section table and name table of any usual program). A larger part is read where it is
// needed, `readAhead` bytes at a time (a table read in order) or only the bytes asked for (names
// anywhere in their table), so a huge or damaged table costs neither much memory nor much reading.
class FilePart {
public:
    static constexpr uint64_t kWhole = 64 * 1024;

    FilePart(const BoundedFile& file, uint64_t offset, uint64_t length, uint64_t readAhead)
        : file_(file), offset_(offset), length_(length), readAhead_(readAhead) {}

    // The `length` bytes at `at` (from the start of the part); nothing when they reach past the
    // part's end or the file cannot be read.
    const unsigned char* bytes(uint64_t at, std::size_t length) {
        if (at > length_ || length > length_ - at) return nullptr;
        if (at < start_ || at - start_ + length > buffer_.size()) {
            const uint64_t from = length_ <= kWhole ? 0 : at;
            const uint64_t size = length_ <= kWhole
                                      ? length_
                                      : std::min(std::max<uint64_t>(length, readAhead_), length_ - from);
            buffer_.resize(static_cast<std::size_t>(size));
            start_ = from;
            if (!file_.read(offset_ + from, buffer_.data(), buffer_.size())) {
                buffer_.clear();
                return nullptr;
            }
        }
        return buffer_.data() + (at - start_);
    }

private:
    const BoundedFile& file_;
    uint64_t offset_;
    uint64_t length_;
    uint64_t readAhead_;
    uint64_t start_ = 0;
    std::vector<unsigned char> buffer_;
};

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

    // The identification and the file header in one read; the header's size depends on its class.
    unsigned char ident[64];
    const std::size_t start = static_cast<std::size_t>(std::min<uint64_t>(sizeof ident, f.size()));
    if (start < 16 || !f.read(0, ident, start)) return std::nullopt;
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
    if (start < layout.headerSize) return std::nullopt;

    uint64_t shoff = layout.is64 ? le(ident + 40, 8) : le(ident + 32, 4);
    const unsigned char* tail = ident + (layout.is64 ? 58 : 46);
    uint64_t shentsize = le(tail + 0, 2);
    uint64_t shnum = le(tail + 2, 2);
    uint64_t shstrndx = le(tail + 4, 2);
    if (shoff == 0 || shentsize < layout.sectionEntrySize) return std::nullopt;

    // More than 0xff00 sections, or a string-table index that big, live in section 0.
    if (shnum == 0 || shstrndx == kExtendedIndex) {
        unsigned char h[64];
        if (!f.read(shoff, h, layout.sectionEntrySize)) return std::nullopt;
        const SectionHeader first = sectionHeaderAt(layout, h);
        if (shnum == 0) shnum = first.size;
        if (shstrndx == kExtendedIndex) shstrndx = first.link;
    }
    // The whole section table lies inside the file.
    if (shnum == 0 || !f.contains(shoff, 0) || shnum > (f.size() - shoff) / shentsize)
        return std::nullopt;
    if (shstrndx == 0 || shstrndx >= shnum) return std::nullopt;
    FilePart table(f, shoff, shnum * shentsize, FilePart::kWhole);
    auto section = [&](uint64_t index) -> std::optional<SectionHeader> {
        const unsigned char* h = table.bytes(index * shentsize, layout.sectionEntrySize);
        if (!h) return std::nullopt;
        return sectionHeaderAt(layout, h);
    };

    const std::optional<SectionHeader> names = section(shstrndx);
    if (!names || names->type == kSectionNoBits || !f.contains(names->offset, names->size))
        return std::nullopt;
    FilePart nameTable(f, names->offset, names->size, 0);

    // A name matches when its bytes and the NUL after them lie inside the string table.
    std::string wanted(sectionName);
    wanted.push_back('\0');
    for (uint64_t i = 1; i < shnum; ++i) {
        const std::optional<SectionHeader> s = section(i);
        if (!s) return std::nullopt;
        if (s->name >= names->size || wanted.size() > names->size - s->name) continue;
        const unsigned char* candidate = nameTable.bytes(s->name, wanted.size());
        if (!candidate) return std::nullopt;
        if (std::memcmp(candidate, wanted.data(), wanted.size()) != 0) continue;

        if (s->type == kSectionNoBits || s->size > maxSize || !f.contains(s->offset, s->size))
            return std::nullopt;
        std::string contents(static_cast<std::size_t>(s->size), '\0');
        if (!f.read(s->offset, contents.data(), contents.size())) return std::nullopt;
        return contents;
    }
    return std::nullopt;
}

std::optional<VersionBlock> VersionBlock::readFile(const std::filesystem::path& file) {
    const auto read = [](const std::filesystem::path& path) -> std::optional<VersionBlock> {
        auto contents = readElfSection(path, kVersionSectionName);
        if (!contents) return std::nullopt;
        return parse(*contents);
    };
    // The running program's file cannot change while it runs (writing to it is refused; a file
    // put in its place is another program), so its block, asked for several times at every
    // start, is read once.
    static const std::filesystem::path self = [] {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::filesystem::path() : path;
    }();
    if (self.empty() || file != self) return read(file);
    static const std::optional<VersionBlock> own = read(self);
    return own;
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
