#include "ProfileFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

// ---- parsing -------------------------------------------------------------------------------

struct Line {
    std::string text;    // the line without its end
    std::string ending;  // "\r\n", "\n", or "" for a last line without one
};

enum class Kind { Other, Comment, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

Parsed classify(std::string_view text) {
    Parsed p;
    std::string_view t = trim(text);
    if (t.empty()) return p;
    if (t.front() == ';') {
        p.kind = Kind::Comment;
        return p;
    }
    if (t.front() == '[') {
        size_t close = t.find(']');
        if (close == std::string_view::npos) return p;
        p.kind = Kind::Section;
        p.name = trim(t.substr(1, close - 1));
        return p;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return p;
    std::string_view name = trim(t.substr(0, eq));
    if (name.empty()) return p;
    p.kind = Kind::Key;
    p.name = name;
    p.value = trim(t.substr(eq + 1));
    return p;
}

std::vector<Line> splitLines(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            // A lone CR at the very end is a line end cut short, not part of the value.
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.ending = "\r";
            }
            pos = bytes.size();
        } else {
            size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') --end;
            line.text = bytes.substr(pos, end - pos);
            line.ending = bytes.substr(end, nl + 1 - end);
            pos = nl + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string joinLines(const std::vector<Line>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i].text;
        // Every line but the last needs an end; a cut-short one gets the one we write.
        const std::string& e = lines[i].ending;
        if (i + 1 < lines.size() && (e.empty() || e == "\r"))
            out += "\r\n";
        else
            out += e;
    }
    return out;
}

// One section of the file: its header line and the lines up to the next header.
struct Span {
    size_t header;
    size_t end;  // one past its last line
};

// The lines of the first section named `section`, if there is one.
std::optional<Span> findSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        Parsed p = classify(lines[i].text);
        if (p.kind != Kind::Section || !equalsNoCase(p.name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && classify(lines[end].text).kind != Kind::Section) ++end;
        return Span{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> findKey(const std::vector<Line>& lines, const Span& span,
                              std::string_view key) {
    for (size_t i = span.header + 1; i < span.end; ++i) {
        Parsed p = classify(lines[i].text);
        if (p.kind == Kind::Key && equalsNoCase(p.name, key)) return i;
    }
    return std::nullopt;
}

// Names hashed as the profile files compare them: without regard to (ASCII) case.
uint32_t hashNoCase(std::string_view s) {
    uint64_t h = 14695981039346656037ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(lowerAscii(c));
        h *= 1099511628211ull;
    }
    return static_cast<uint32_t>(h ^ (h >> 32));
}

// equalsNoCase, quicker for the usual case of the same spelling.
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a == b || equalsNoCase(a, b));
}

// The first occurrence of each of many names, found by hashing (open addressing, no allocation
// per name). The names stay where they are: `nameOf(i)` gives name i.
class NameTable {
public:
    static constexpr uint32_t npos = UINT32_MAX;

    // Indexes names 0..count-1; `repeated(i)` is called for each name that an earlier one
    // equals. Fewer than npos names.
    template <class NameOf, class Repeated>
    void build(size_t count, NameOf nameOf, Repeated repeated) {
        size_t size = 8;
        while (size < count * 2) size <<= 1;
        slots_.assign(size, Slot{npos, 0});
        mask_ = size - 1;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string_view name = nameOf(i);
            const uint32_t hash = hashNoCase(name);
            for (size_t at = hash & mask_;; at = (at + 1) & mask_) {
                Slot& slot = slots_[at];
                if (slot.index == npos) {
                    slot = {i, hash};
                    break;
                }
                if (slot.hash == hash && sameName(nameOf(slot.index), name)) {
                    repeated(i);  // the first one stays
                    break;
                }
            }
        }
    }

    bool empty() const { return slots_.empty(); }

    // The first name equal to `name`, or npos.
    template <class NameOf>
    uint32_t find(std::string_view name, NameOf nameOf) const {
        const uint32_t hash = hashNoCase(name);
        for (size_t at = hash & mask_;; at = (at + 1) & mask_) {
            const Slot& slot = slots_[at];
            if (slot.index == npos) return npos;
            if (slot.hash == hash && sameName(nameOf(slot.index), name)) return slot.index;
        }
    }

private:
    struct Slot {
        uint32_t index;
        uint32_t hash;
    };
    std::vector<Slot> slots_;
    size_t mask_ = 0;
};

// At most how many key lines a text holds: no more than it has lines, nor "=" characters.
// Counted in blocks of a fixed size so that the compiler can count many bytes at once.
size_t keyLinesAtMost(std::string_view text) {
    constexpr size_t kBlock = 64;
    size_t lines = 1, equals = 0, at = 0;
    for (; at + kBlock <= text.size(); at += kBlock) {
        uint8_t blockLines = 0, blockEquals = 0;
        for (size_t i = 0; i < kBlock; ++i) {
            blockLines += text[at + i] == '\n';
            blockEquals += text[at + i] == '=';
        }
        lines += blockLines;
        equals += blockEquals;
    }
    for (; at < text.size(); ++at) {
        lines += text[at] == '\n';
        equals += text[at] == '=';
    }
    return std::min(lines, equals);
}

// A text parsed once for reading: its section and key lines classified in one pass, names and
// values pointing into the text it keeps. Many sections, or many keys in one section, get a
// hash index of their first occurrences, so a look-up costs the same in a section of 300 000 keys
// as in one of ten, and listing names stays linear. The text never changes: a change makes a
// new one.
class IndexedLines {
public:
    struct Key {
        std::string_view name;
        std::string_view value;
        uint32_t hash = 0;      // hashNoCase(name)
        bool repeated = false;  // an earlier key of the section has that name (indexed ones)
    };
    struct Section {
        std::string_view name;
        size_t firstKey = 0;  // its key lines: keys_[firstKey, endKey)
        size_t endKey = 0;
        bool repeated = false;  // an earlier section has that name (when indexed)
        NameTable keyIndex;     // only for many keys: position in the section
    };

    explicit IndexedLines(std::string text) : text_(std::move(text)) {
        // Room for every key line at once: a growing table of a large file is copied and its
        // memory taken and given back again and again. A key line holds a "=" and ends its line,
        // so this never asks for more than a file of that size full of keys needs.
        keys_.reserve(keyLinesAtMost(text_));
        std::string_view rest = text_;
        while (!rest.empty()) {
            const size_t nl = rest.find('\n');
            std::string_view line = rest.substr(0, nl);
            rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
            // CRLF, and a lone CR that cuts the last line short, end a line as LF does.
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            const Parsed p = classify(line);
            if (p.kind == Kind::Section) {
                if (!sections_.empty()) sections_.back().endKey = keys_.size();
                Section& s = sections_.emplace_back();
                s.name = p.name;
                s.firstKey = s.endKey = keys_.size();
            } else if (p.kind == Kind::Key && !sections_.empty()) {
                keys_.push_back({p.name, p.value, hashNoCase(p.name)});
            }
        }
        if (!sections_.empty()) sections_.back().endKey = keys_.size();

        if (sections_.size() > kScanAtMost && sections_.size() < NameTable::npos)
            sectionIndex_.build(sections_.size(), SectionNameOf{sections_.data()},
                                [this](size_t i) { sections_[i].repeated = true; });
        for (Section& s : sections_) {
            const size_t count = s.endKey - s.firstKey;
            if (count <= kScanAtMost || count >= NameTable::npos) continue;
            Key* keys = keys_.data() + s.firstKey;
            s.keyIndex.build(count, KeyNameOf{keys}, [keys](size_t k) { keys[k].repeated = true; });
        }
    }
    IndexedLines(const IndexedLines&) = delete;
    IndexedLines& operator=(const IndexedLines&) = delete;

    // The first section of that name (trimmed), or null.
    const Section* find(std::string_view section) const {
        section = trim(section);
        if (!sectionIndex_.empty()) {
            const uint32_t i = sectionIndex_.find(section, SectionNameOf{sections_.data()});
            return i == NameTable::npos ? nullptr : &sections_[i];
        }
        for (const Section& s : sections_)
            if (sameName(s.name, section)) return &s;
        return nullptr;
    }

    // The first key line of that name (trimmed) in the section, or null.
    const Key* findKey(const Section& section, std::string_view key) const {
        key = trim(key);
        const Key* keys = keys_.data() + section.firstKey;
        if (!section.keyIndex.empty()) {
            const uint32_t k = section.keyIndex.find(key, KeyNameOf{keys});
            return k == NameTable::npos ? nullptr : &keys[k];
        }
        const uint32_t hash = hashNoCase(key);
        for (size_t k = 0; k < section.endKey - section.firstKey; ++k)
            if (keys[k].hash == hash && sameName(keys[k].name, key)) return &keys[k];
        return nullptr;
    }

    // Section names in file order, first spelling, duplicates dropped.
    std::vector<std::string> sectionNames() const {
        std::vector<std::string> names;
        for (size_t i = 0; i < sections_.size(); ++i) {
            const Section& s = sections_[i];
            bool first = !s.repeated;
            if (sectionIndex_.empty())
                for (size_t j = 0; j < i && first; ++j) first = !sameName(sections_[j].name, s.name);
            if (first) names.emplace_back(s.name);
        }
        return names;
    }

    // The section's key lines in file order, the first of each name only.
    template <class Visit>
    void forEachFirstKey(const Section& section, Visit visit) const {
        for (size_t k = section.firstKey; k < section.endKey; ++k) {
            const Key& key = keys_[k];
            bool first = !key.repeated;
            if (section.keyIndex.empty())
                for (size_t j = section.firstKey; j < k && first; ++j)
                    first = !(keys_[j].hash == key.hash && sameName(keys_[j].name, key.name));
            if (first) visit(key);
        }
    }

    // Key names of the section in file order, first spelling, duplicates dropped.
    std::vector<std::string> keyNames(const Section& section) const {
        std::vector<std::string> names;
        forEachFirstKey(section, [&](const Key& key) { names.emplace_back(key.name); });
        return names;
    }

private:
    // Up to this many names are compared one by one; more are looked up in an index.
    static constexpr size_t kScanAtMost = 16;

    struct KeyNameOf {
        const Key* keys;
        std::string_view operator()(size_t k) const { return keys[k].name; }
    };
    struct SectionNameOf {
        const Section* sections;
        std::string_view operator()(size_t i) const { return sections[i].name; }
    };

    std::string text_;
    std::vector<Key> keys_;          // the key lines of every section, in file order
    std::vector<Section> sections_;  // in file order, duplicates included
    NameTable sectionIndex_;         // only for many sections
};

std::optional<std::string> lookup(const IndexedLines& text, std::string_view section,
                                  std::string_view key) {
    const IndexedLines::Section* s = text.find(section);
    if (!s) return std::nullopt;
    const IndexedLines::Key* k = text.findKey(*s, key);
    if (!k) return std::nullopt;
    return std::string(k->value);
}

std::vector<std::string> listSections(const IndexedLines& text) { return text.sectionNames(); }

std::vector<std::string> listKeys(const IndexedLines& text, std::string_view section) {
    const IndexedLines::Section* s = text.find(section);
    return s ? text.keyNames(*s) : std::vector<std::string>{};
}

void visitKeys(const IndexedLines& text, std::string_view section, const ProfileAccess::KeyVisitor& visit) {
    if (const IndexedLines::Section* s = text.find(section))
        text.forEachFirstKey(*s, [&](const IndexedLines::Key& key) { visit(key.name, key.value); });
}

// GetPrivateProfileInt on a value that may be missing.
int leadingInt(const std::optional<std::string>& v, int def) {
    // An empty value counts as missing, as with the Windows call.
    if (!v || v->empty()) return def;
    std::string_view s = *v;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Held as a magnitude up to INT_MAX + 1; larger numbers stop at the int range.
    const long long limit = negative ? -(long long)INT_MIN : (long long)INT_MAX;
    long long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > limit) {
            n = limit;
            break;
        }
    }
    return int(negative ? -n : n);
}

// ---- edits on the lines (names already trimmed and checked); each says whether it changed them

bool setKey(std::vector<Line>& lines, std::string_view section, std::string_view key,
            std::string_view value) {
    std::optional<Span> span = findSection(lines, section);
    if (!span) {
        lines.push_back({"[" + std::string(section) + "]", "\r\n"});
        lines.push_back({std::string(key) + "=" + std::string(value), "\r\n"});
        return true;
    }
    if (std::optional<size_t> at = findKey(lines, *span, key)) {
        // The first spelling of the key stays.
        std::string name(classify(lines[*at].text).name);
        lines[*at] = {name + "=" + std::string(value), "\r\n"};
        return true;
    }
    size_t insertAt = span->header + 1;
    for (size_t i = span->header + 1; i < span->end; ++i)
        if (classify(lines[i].text).kind == Kind::Key) insertAt = i + 1;
    lines.insert(lines.begin() + std::ptrdiff_t(insertAt),
                 Line{std::string(key) + "=" + std::string(value), "\r\n"});
    return true;
}

bool removeKey(std::vector<Line>& lines, std::string_view section, std::string_view key) {
    std::optional<Span> span = findSection(lines, section);
    if (!span) return false;
    bool changed = false;
    for (size_t i = span->end; i-- > span->header + 1;) {
        Parsed p = classify(lines[i].text);
        if (p.kind == Kind::Key && equalsNoCase(p.name, key)) {
            lines.erase(lines.begin() + std::ptrdiff_t(i));
            changed = true;
        }
    }
    return changed;
}

bool removeSection(std::vector<Line>& lines, std::string_view section) {
    bool changed = false;
    while (std::optional<Span> span = findSection(lines, section)) {
        lines.erase(lines.begin() + std::ptrdiff_t(span->header),
                    lines.begin() + std::ptrdiff_t(span->end));
        changed = true;
    }
    return changed;
}

// ---- file access ---------------------------------------------------------------------------

std::string errnoText(int err) {
    return std::error_code(err, std::generic_category()).message();
}

ProfileWriteResult failure(int err, std::string what) {
    ProfileWriteResult r;
    r.error = err ? err : EIO;
    r.message = std::move(what) + " (" + errnoText(r.error) + ")";
    return r;
}

std::string quoted(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

// Whole file into `out`; returns 0 or the errno of the failing call.
int readAll(const fs::path& path, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            out.clear();
            return err;
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return 0;
}

// Contents as the readers see them: a missing or unreadable file is empty.
std::string readText(const fs::path& path) {
    std::string bytes;
    readAll(path, bytes);
    return bytes;
}

// Follows symbolic links, so a write changes the file a link points to instead of replacing
// the link with a plain file.
int resolveLinks(fs::path& p) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        fs::file_status st = fs::symlink_status(p, ec);
        if (ec || !fs::is_symlink(st)) return 0;  // missing or a real file: stat tells later
        fs::path target = fs::read_symlink(p, ec);
        if (ec) return ec.value();
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return ELOOP;
}

bool writeAllFd(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// ---- temporary files ----------------------------------------------------------------------
//
// The new contents are written to ".<name>.tmp-<pid>-<n>" beside the file. A process that dies
// while writing leaves its temporary file behind; the next write of the same file removes those
// whose writer is gone.

// Room for "-<pid>-<n>" after ".tmp": both at most ten digits.
constexpr size_t TemporarySuffixRoom = 5 + 10 + 1 + 10;

uint64_t nameHash(std::string_view name) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a: the same in every process and build
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    return h;
}

// The start of every temporary name of the file `name` in a folder whose names take at most
// `nameMax` bytes: "." and the name, or, where that leaves no room for the suffix, the name's
// start and a hash of all of it, so the temporary name fits whenever the name fits.
std::string temporaryStem(const std::string& name, size_t nameMax) {
    if (1 + name.size() + TemporarySuffixRoom <= nameMax) return "." + name;
    static const char digits[] = "0123456789abcdef";
    std::string hash = "~";
    for (uint64_t h = nameHash(name), i = 0; i < 16; ++i, h >>= 4) hash += digits[h & 15];
    const size_t fixed = 1 + hash.size() + TemporarySuffixRoom;
    const size_t room = nameMax > fixed ? nameMax - fixed : 0;
    size_t keep = std::min(room, name.size());
    // Never half a UTF-8 character.
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + name.substr(0, keep) + hash;
}

size_t folderNameMax(const fs::path& folder) {
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? size_t(max) : size_t(NAME_MAX);
}

// The writer's pid when `entry` is one of the file's temporary names, else 0.
pid_t temporaryWriter(std::string_view entry, std::string_view stem) {
    const std::string_view mark = ".tmp-";
    if (entry.size() <= stem.size() + mark.size() || entry.substr(0, stem.size()) != stem ||
        entry.substr(stem.size(), mark.size()) != mark)
        return 0;
    entry.remove_prefix(stem.size() + mark.size());
    const size_t dash = entry.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == entry.size()) return 0;
    auto allDigits = [](std::string_view s) {
        return s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!allDigits(entry.substr(0, dash)) || !allDigits(entry.substr(dash + 1)) || dash > 10)
        return 0;
    const long long pid = std::stoll(std::string(entry.substr(0, dash)));
    return pid > 0 && pid <= INT_MAX ? pid_t(pid) : 0;
}

// Removes what writers of this file left when they died: the pid runs no more, and no one holds
// the file's lock (a writer keeps it while it writes; this also covers a writer whose pid we
// cannot see, in another pid namespace or on another host). Our own process is never asked: its
// other threads may be writing now. Anything else (other files' temporaries, names of another
// shape, files we may not open) stays.
void removeLeftovers(const fs::path& folder, const std::string& stem) {
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    const int listFd = ::dup(dfd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) ::close(listFd);
        ::close(dfd);
        return;
    }
    std::vector<std::string> gone;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = temporaryWriter(entry->d_name, stem);
        if (writer == 0 || writer == ::getpid()) continue;
        if (::kill(writer, 0) == 0 || errno != ESRCH) continue;
        gone.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : gone) {
        const int fd = ::openat(dfd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dfd, name.c_str(), 0);
        ::close(fd);
    }
    ::close(dfd);
}

// Writes the new contents beside the file and renames them over it, so the file is either the
// old one or the new one, never a half-written mix. `old` is the stat of the existing file.
ProfileWriteResult replaceFile(const fs::path& target, const std::string& bytes,
                               const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const std::string stem = temporaryStem(target.filename().string(), folderNameMax(folder));
    removeLeftovers(folder, stem);
    const std::string base = stem + ".tmp-";

    fs::path tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = folder / (base + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        // 0666 for a new file, so the umask decides as for any file the program creates.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    // Held while writing: a cleanup of another process leaves the file alone.
    if (fd >= 0) (void)::flock(fd, LOCK_EX | LOCK_NB);
    if (fd < 0) {
        int err = errno;
        if (err == ENOENT)
            return failure(err, "Cannot write " + quoted(target) + ": the folder " +
                                    quoted(folder) + " does not exist");
        if (err == ENOTDIR)
            return failure(
                err, "Cannot write " + quoted(target) + ": " + quoted(folder) + " is not a folder");
        return failure(err, "Cannot write " + quoted(target) +
                                ": cannot create a file in the folder " + quoted(folder));
    }

    auto abandon = [&](int err, const std::string& what) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return failure(err, "Cannot write " + quoted(target) + ": " + what);
    };

    if (old) {
        // Same owner and permissions as before. Giving the file away fails unless we may; it
        // then stays ours, as any file we create.
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
            (void)!::fchown(fd, old->st_uid, old->st_gid);
        if (::fchmod(fd, old->st_mode & 07777) != 0) return abandon(errno, "cannot set its mode");
    }
    if (!writeAllFd(fd, bytes)) return abandon(errno, "writing failed");
    if (::fsync(fd) != 0) return abandon(errno, "writing failed");
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return failure(err, "Cannot write " + quoted(target) + ": writing failed");
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return failure(err, "Cannot write " + quoted(target) + ": cannot replace the file");
    }
    // Make the rename itself durable; a failure here no longer loses anything.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

// Read, change and write back the file under one lock, so two writers of this process never
// lose each other's change. `edit` returns false when it has nothing to change.
template <typename Edit>
ProfileWriteResult editFile(const fs::path& path, bool createIfMissing, Edit edit) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);

    fs::path target = path;
    if (int err = resolveLinks(target))
        return failure(err, "Cannot write " + quoted(path) + ": cannot follow the link");

    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists) {
        int err = errno;
        if (err != ENOENT && err != ENOTDIR) return failure(err, "Cannot write " + quoted(target));
        if (!createIfMissing) return {};
    }

    std::string oldBytes;
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return failure(EISDIR, "Cannot write " + quoted(target) + ": it is a folder");
        if (!S_ISREG(st.st_mode))
            return failure(EINVAL, "Cannot write " + quoted(target) + ": not a regular file");
        // What cannot be read cannot be written back: refuse rather than lose it.
        if (int err = readAll(target, oldBytes))
            return failure(err, "Cannot write " + quoted(target) + ": cannot read it");
    }

    std::vector<Line> lines = splitLines(oldBytes);
    if (!edit(lines)) return {};
    std::string newBytes = joinLines(lines);
    // The file already says what was asked: nothing to write.
    if (exists && newBytes == oldBytes) return {};
    // rename() would replace a read-only file without asking; the file's own permission decides.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failure(errno, "Cannot write " + quoted(target) + ": the file is read-only");
    return replaceFile(target, newBytes, exists ? &st : nullptr);
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

ProfileWriteResult invalid(std::string what) {
    ProfileWriteResult r;
    r.error = EINVAL;
    r.message = std::move(what);
    return r;
}

// Trims the names and the value as a write stores them; names and values that would read back
// as something else are refused, not written.
ProfileWriteResult checkWrite(std::string_view& section, std::string_view& key,
                              std::string_view& value) {
    section = trim(section);
    key = trim(key);
    value = trim(value);
    if (section.empty() || hasLineBreak(section) || section.find(']') != std::string_view::npos)
        return invalid("Invalid section name \"" + std::string(section) + "\"");
    if (key.empty() || hasLineBreak(key) || key.find('=') != std::string_view::npos ||
        key.front() == ';' || key.front() == '[')
        return invalid("Invalid key name \"" + std::string(key) + "\"");
    if (hasLineBreak(value))
        return invalid("The value of \"" + std::string(key) + "\" must not contain a line break");
    return {};
}

}  // namespace

ProfileWriteResult writeWholeFile(const fs::path& target, const std::string& bytes) {
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return failure(EINVAL, "Cannot write " + quoted(target) + ": not a regular file");
    return replaceFile(target, bytes, exists ? &st : nullptr);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

std::string ProfileAccess::readString(std::string_view section, std::string_view key,
                                      std::string_view def) const {
    std::optional<std::string> v = value(section, key);
    return v ? std::move(*v) : std::string(def);
}

int ProfileAccess::readInt(std::string_view section, std::string_view key, int def) const {
    return leadingInt(value(section, key), def);
}

ProfileWriteResult ProfileAccess::writeInt(std::string_view section, std::string_view key,
                                           long long value) {
    return writeString(section, key, std::to_string(value));
}

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

bool ProfileFile::exists() const {
    std::error_code ec;
    return fs::exists(path_, ec);
}

std::optional<std::string> ProfileFile::value(std::string_view section,
                                              std::string_view key) const {
    return lookup(IndexedLines(readText(path_)), section, key);
}

std::vector<std::string> ProfileFile::sectionNames() const {
    return listSections(IndexedLines(readText(path_)));
}

std::vector<std::string> ProfileFile::keyNames(std::string_view section) const {
    return listKeys(IndexedLines(readText(path_)), section);
}

void ProfileFile::forEachKey(std::string_view section, const KeyVisitor& visit) const {
    visitKeys(IndexedLines(readText(path_)), section, visit);
}

bool ProfileFile::hasSection(std::string_view section) const {
    return IndexedLines(readText(path_)).find(section) != nullptr;
}

ProfileWriteResult ProfileFile::writeString(std::string_view section, std::string_view key,
                                            std::string_view value) {
    if (ProfileWriteResult bad = checkWrite(section, key, value); !bad) return bad;
    return editFile(path_, true, [&](std::vector<Line>& lines) {
        return setKey(lines, section, key, value);
    });
}

ProfileWriteResult ProfileFile::deleteKey(std::string_view section, std::string_view key) {
    section = trim(section);
    key = trim(key);
    return editFile(path_, false, [&](std::vector<Line>& lines) {
        return removeKey(lines, section, key);
    });
}

ProfileWriteResult ProfileFile::deleteSection(std::string_view section) {
    section = trim(section);
    return editFile(path_, false, [&](std::vector<Line>& lines) {
        return removeSection(lines, section);
    });
}

// ---- ProfileEdit ---------------------------------------------------------------------------

struct ProfileEdit::Lines : IndexedLines {
    using IndexedLines::IndexedLines;
};

const ProfileEdit::Lines& ProfileEdit::lines() const {
    if (!lines_) lines_ = std::make_shared<const Lines>(text_);
    return *lines_;
}

ProfileEdit::ProfileEdit(ProfileFile file) : file_(std::move(file)) {
    if (int err = readAll(file_.path(), text_)) {
        text_.clear();
        readResult_ = failure(err, "Cannot read " + quoted(file_.path()));
    }
}

std::optional<std::string> ProfileEdit::value(std::string_view section,
                                              std::string_view key) const {
    return lookup(lines(), section, key);
}

std::vector<std::string> ProfileEdit::sectionNames() const {
    return listSections(lines());
}

std::vector<std::string> ProfileEdit::keyNames(std::string_view section) const {
    return listKeys(lines(), section);
}

void ProfileEdit::forEachKey(std::string_view section, const KeyVisitor& visit) const {
    lines();
    // A visitor that writes to the edit leaves this text in use until the walk ends.
    const std::shared_ptr<const Lines> walked = lines_;
    visitKeys(*walked, section, visit);
}

bool ProfileEdit::hasSection(std::string_view section) const {
    return lines().find(section) != nullptr;
}

ProfileWriteResult ProfileEdit::writeString(std::string_view section, std::string_view key,
                                            std::string_view value) {
    if (ProfileWriteResult bad = checkWrite(section, key, value); !bad) return bad;
    record({Change::Set, std::string(section), std::string(key), std::string(value)});
    return {};
}

ProfileWriteResult ProfileEdit::deleteKey(std::string_view section, std::string_view key) {
    record({Change::EraseKey, std::string(trim(section)), std::string(trim(key)), {}});
    return {};
}

ProfileWriteResult ProfileEdit::deleteSection(std::string_view section) {
    record({Change::EraseSection, std::string(trim(section)), {}, {}});
    return {};
}

namespace {

bool applyChange(std::vector<Line>& lines, const ProfileEdit::Change& c) {
    switch (c.kind) {
    case ProfileEdit::Change::Set: return setKey(lines, c.section, c.key, c.value);
    case ProfileEdit::Change::EraseKey: return removeKey(lines, c.section, c.key);
    case ProfileEdit::Change::EraseSection: return removeSection(lines, c.section);
    }
    return false;
}

}  // namespace

void ProfileEdit::record(Change change) {
    std::vector<Line> lines = splitLines(text_);
    if (applyChange(lines, change)) {
        text_ = joinLines(lines);
        lines_.reset();
    }
    changes_.push_back(std::move(change));
}

ProfileWriteResult ProfileEdit::commit() {
    if (changes_.empty()) return {};
    bool creates = false;
    for (const Change& c : changes_) creates = creates || c.kind == Change::Set;
    // The changes go onto the file as it is now, so a write made meanwhile is not lost.
    ProfileWriteResult result = editFile(file_.path(), creates, [&](std::vector<Line>& lines) {
        bool changed = false;
        for (const Change& c : changes_) changed = applyChange(lines, c) || changed;
        return changed;
    });
    if (!result) return result;
    changes_.clear();
    std::string now;
    if (int err = readAll(file_.path(), now)) {
        readResult_ = failure(err, "Cannot read " + quoted(file_.path()));
        now.clear();
    } else {
        readResult_ = {};
    }
    text_ = std::move(now);
    lines_.reset();
    return result;
}
