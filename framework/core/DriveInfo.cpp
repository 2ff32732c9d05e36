#include "DriveInfo.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string decodeOctalEscapes(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
                out.push_back(static_cast<char>(std::stoi(digits, nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// An absolute, normal form without following links that may not exist yet.
fs::path normalForm(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute : canonical).lexically_normal();
}

bool readsOne(const fs::path& file) {
    const std::string text = readWhole(file);
    return !text.empty() && text[0] == '1';
}

}  // namespace

bool folderContains(const fs::path& folder, const fs::path& path) {
    auto f = folder.begin();
    auto p = path.begin();
    for (; f != folder.end(); ++f, ++p) {
        if (f->empty()) continue;  // the empty last part of "/mnt/"
        if (p == path.end() || *f != *p) return false;
    }
    return true;
}

bool DriveInfo::sameDrive(const fs::path& a, const fs::path& b) const {
    const fs::path first = mountPointOf(a);
    return !first.empty() && first == mountPointOf(b);
}

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
        const std::size_t colon = device.find(':');
        if (colon == std::string::npos) continue;
        MountEntry entry;
        try {
            std::size_t used = 0;
            entry.major = static_cast<unsigned>(std::stoul(device.substr(0, colon), &used));
            if (used != colon) continue;
            const std::string minor = device.substr(colon + 1);
            entry.minor = static_cast<unsigned>(std::stoul(minor, &used));
            if (used != minor.size()) continue;
        } catch (const std::exception&) {
            continue;
        }
        entry.mountPoint = fs::path(decodeOctalEscapes(mountPoint)).lexically_normal();
        if (!entry.mountPoint.is_absolute()) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

SystemDriveInfo::SystemDriveInfo(fs::path mountInfoFile, fs::path sysRoot)
    : mountInfoFile_(std::move(mountInfoFile)), sysRoot_(std::move(sysRoot)) {}

const MountEntry* SystemDriveInfo::entryOf(const fs::path& path, std::vector<MountEntry>& table) const {
    table = parseMountInfo(readWhole(mountInfoFile_));
    const fs::path target = normalForm(path);
    const MountEntry* best = nullptr;
    std::size_t bestLength = 0;
    // Of equal mount points the later line wins: it is mounted over the earlier one.
    for (const MountEntry& entry : table) {
        if (!folderContains(entry.mountPoint, target)) continue;
        const std::size_t length = entry.mountPoint.native().size();
        if (!best || length >= bestLength) {
            best = &entry;
            bestLength = length;
        }
    }
    return best;
}

fs::path SystemDriveInfo::mountPointOf(const fs::path& path) const {
    std::vector<MountEntry> table;
    const MountEntry* entry = entryOf(path, table);
    return entry ? entry->mountPoint : fs::path();
}

bool SystemDriveInfo::isRemovable(const fs::path& path) const {
    std::vector<MountEntry> table;
    const MountEntry* entry = entryOf(path, table);
    if (!entry) return false;
    const fs::path node = sysRoot_ / "dev" / "block" /
                          (std::to_string(entry->major) + ":" + std::to_string(entry->minor));
    std::error_code ec;
    if (fs::exists(node / "removable", ec)) return readsOne(node / "removable");
    // A partition has no flag of its own; its disk is the folder above it.
    if (!fs::exists(node / "partition", ec)) return false;
    const fs::path device = fs::canonical(node, ec);
    if (ec) return false;
    return readsOne(device.parent_path() / "removable");
}

const SystemDriveInfo& SystemDriveInfo::instance() {
    static const SystemDriveInfo info;
    return info;
}
