#include "FaultTextFile.h"

#include "ProfileFile.h"
#include "StringTable.h"

#include <cctype>
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
    struct State {
        bool present = false;
        fs::file_time_type modified{};
        std::uintmax_t size = 0;
        bool operator==(const State&) const = default;
    };

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

    State state;
    ProfileEdit text;
};

FaultTextFile::FaultTextFile(const fs::path& file) : requested_(file), path_(caseMatched(file)) {}

bool FaultTextFile::exists() const {
    std::error_code ec;
    return fs::is_regular_file(path_, ec);
}

std::string FaultTextFile::unknownText() { return LoadStr(kUnknownTextId); }

std::string FaultTextFile::hintKey(int32_t komponente, int32_t fehlerart) {
    return std::to_string(static_cast<int64_t>(komponente) * 100 + fehlerart);
}

std::string FaultTextFile::lookup(std::string_view section, std::string_view key,
                                  std::string_view def, std::size_t maxLength) const {
    Snapshot::State state = Snapshot::stateOf(path_);
    if (!state.present) {
        // It may have been put beside the program meanwhile, in any spelling.
        path_ = caseMatched(requested_);
        state = Snapshot::stateOf(path_);
    }
    // The state is taken before the read: a change while reading is seen at the next lookup.
    if (!snapshot_ || !(snapshot_->state == state))
        snapshot_ = std::make_shared<const Snapshot>(Snapshot{state, ProfileEdit(ProfileFile(path_))});
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

