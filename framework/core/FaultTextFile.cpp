#include "FaultTextFile.h"

#include "ProfileFile.h"
#include "StringTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <vector>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kUnknownTextId = 11106;
constexpr const char* kExtension = ".FKD";
constexpr std::size_t kBaseNameLength = 6;

std::string cut(std::string text, std::size_t maxLength) {
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

// Characters 7 and 8 of the name as a hexadecimal number; nothing when they are missing or not
// hexadecimal.
std::optional<int> substituteNumberOf(std::string_view name) {
    if (name.size() <= kBaseNameLength) return std::nullopt;
    std::string_view digits = name.substr(kBaseNameLength, 2);
    int value = 0;
    for (char c : digits) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u)) return std::nullopt;
        value = value * 16 + (std::isdigit(u) ? u - '0' : std::toupper(u) - 'A' + 10);
    }
    return value;
}

}  // namespace

// --- FaultTextFile ----------------------------------------------------------------------------

namespace {

// The file in its exact spelling or, when that does not exist, in another spelling of its folder.
fs::path caseMatched(const fs::path& file) {
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) return file;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (auto found = findFileNoCase(folder, file.filename().string())) return *found;
    return file;
}

}  // namespace

// The file's parsed text and the state of the file it was read at.
struct FaultTextFile::Snapshot {
    using State = FileState;

    static State stateOf(const fs::path& file) {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) return {};
        State state;
        state.modified = fs::last_write_time(file, ec);
        if (ec) return {};
        state.size = fs::file_size(file, ec);
        if (ec) return {};
        state.present = true;
        return state;
    }

    Snapshot(fs::path file, State at) : path(std::move(file)), state(at), text(ProfileFile(path)) {
        // Parsed here, so a snapshot shared between objects is only ever read.
        text.hasSection({});
    }

    fs::path path;
    State state;
    ProfileEdit text;
};

namespace {

// A search of the folder for another spelling stands while the folder's modification time stays
// as it was, once that time lay this long before the search: a change within the same tick of
// the time stamps (two seconds on a FAT drive) would not show in it.
constexpr auto kFolderSettled = std::chrono::seconds(2);

// The texts of the files read lately, shared by every object, so each window opened on an
// unchanged file finds it parsed. A few: the program reads one fault-text file.
constexpr std::size_t kFilesKept = 4;

}  // namespace

std::shared_ptr<const FaultTextFile::Snapshot> FaultTextFile::sharedSnapshot(const fs::path& file,
                                                                            const FileState& state) {
    if (!state.present) return std::make_shared<const Snapshot>(file, state);
    static std::mutex lock;
    static std::vector<std::shared_ptr<const Snapshot>> recent;  // the newest last
    const std::lock_guard<std::mutex> guard(lock);
    for (const auto& kept : recent)
        if (kept->path == file && kept->state == state) return kept;
    auto made = std::make_shared<const Snapshot>(file, state);
    std::erase_if(recent, [&](const auto& kept) { return kept->path == file; });
    if (recent.size() >= kFilesKept) recent.erase(recent.begin());
    recent.push_back(made);
    return made;
}

FaultTextFile::FaultTextFile(const fs::path& file) : requested_(file), path_(caseMatched(file)) {}

bool FaultTextFile::exists() const {
    std::error_code ec;
    return fs::is_regular_file(path_, ec);
}

std::string FaultTextFile::unknownText() { return LoadStr(kUnknownTextId); }

std::string FaultTextFile::hintKey(int32_t komponente, int32_t fehlerart) {
    return std::to_string(static_cast<int64_t>(komponente) * 100 + fehlerart);
}

bool FaultTextFile::folderSearchDue() const {
    const fs::path folder = requested_.has_parent_path() ? requested_.parent_path() : fs::path(".");
    const fs::file_time_type now = fs::file_time_type::clock::now();
    std::error_code ec;
    const fs::file_time_type modified = fs::last_write_time(folder, ec);
    if (ec) {
        lastSearch_.reset();
        return true;
    }
    if (lastSearch_ && lastSearch_->modified == modified && lastSearch_->settled) return false;
    lastSearch_ = FolderSearch{modified, now - modified >= kFolderSettled};
    return true;
}

std::string FaultTextFile::lookup(std::string_view section, std::string_view key,
                                  std::string_view def, std::size_t maxLength) const {
    Snapshot::State state = Snapshot::stateOf(path_);
    if (!state.present) {
        // It may have been put beside the program meanwhile, in any spelling: the exact one is
        // one look, the folder is searched again only after it changed.
        path_ = requested_;
        state = Snapshot::stateOf(path_);
        if (!state.present && folderSearchDue()) {
            path_ = caseMatched(requested_);
            state = Snapshot::stateOf(path_);
        }
    }
    // The state is taken before the read: a change while reading is seen at the next lookup.
    if (!snapshot_ || !(snapshot_->state == state) || snapshot_->path != path_)
        snapshot_ = sharedSnapshot(path_, state);
    return cut(snapshot_->text.readString(section, key, def), maxLength);
}

std::string FaultTextFile::KomponentenText(int32_t code) const {
    return lookup("Komponente", std::to_string(code), unknownText(), kMaxNameLength);
}

std::string FaultTextFile::FehlerartText(int32_t code) const {
    return lookup("Fehlerart", std::to_string(code), unknownText(), kMaxNameLength);
}

std::string FaultTextFile::HinweisAnzeige(int32_t komponente, int32_t fehlerart) const {
    return lookup("Hinweis", hintKey(komponente, fehlerart), kNoHint, kMaxShownHintLength);
}

std::string FaultTextFile::HinweisText(int32_t komponente, int32_t fehlerart) const {
    return lookup("Hinweis", hintKey(komponente, fehlerart), unknownText(), kMaxHintLength);
}

// --- locating the file ------------------------------------------------------------------------

std::optional<fs::path> findFileNoCase(const fs::path& folder, std::string_view fileName) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::optional<fs::path> found;
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        if (!equalsNoCase(name, fileName)) continue;
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        if (name == fileName) return entry.path();
        if (!found || name < found->filename().string()) found = entry.path();
    }
    return found;
}

FaultTextFileSearch findFaultTextFile(const fs::path& folder, std::string_view name, bool fallback) {
    FaultTextFileSearch search;
    const std::string fileName = std::string(name) + kExtension;
    search.requested = folder / fileName;
    search.path = search.requested;
    if (auto original = findFileNoCase(folder, fileName)) {
        search.path = *original;
        search.source = FaultTextFileSource::Original;
        return search;
    }
    if (!fallback) return search;
    const std::optional<int> highest = substituteNumberOf(name);
    if (!highest) return search;
    const std::string base(name.substr(0, kBaseNameLength));
    for (int n = *highest; n >= 0; --n) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string digits{kHex[(n >> 4) & 0xF], kHex[n & 0xF]};
        if (auto candidate = findFileNoCase(folder, base + digits + kExtension)) {
            search.path = *candidate;
            search.source = FaultTextFileSource::Substitute;
            return search;
        }
    }
    return search;
}

