#pragma once
// What the program asks about the "drive" a file lies on: the mount point of its file system
// (two paths are on the same drive when they share it) and whether the device behind it is
// removable (sysfs: /sys/dev/block/MAJ:MIN/removable, for a partition that of its disk).
//
// SystemDriveInfo reads the mount table and sysfs; both places can be given, so tests run the
// real parsing on files of their own. Tests of the callers inject their own DriveInfo.

#include <filesystem>
#include <string>
#include <vector>

class DriveInfo {
public:
    virtual ~DriveInfo() = default;
    // The mount point of the file system that holds path (which need not exist); empty when it
    // cannot be told.
    virtual std::filesystem::path mountPointOf(const std::filesystem::path& path) const = 0;
    // True when that file system lies on a removable block device.
    virtual bool isRemovable(const std::filesystem::path& path) const = 0;

    // Both paths on one known mount point.
    bool sameDrive(const std::filesystem::path& a, const std::filesystem::path& b) const;
};

// Whether folder contains path, both normal and absolute ("/" contains everything).
bool folderContains(const std::filesystem::path& folder, const std::filesystem::path& path);

// One line of a mount table (/proc/self/mountinfo).
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::filesystem::path mountPoint;
};

// The entries of a mountinfo text; malformed lines are skipped. Octal escapes in the mount point
// ("\040" for a blank) are decoded.
std::vector<MountEntry> parseMountInfo(const std::string& text);

class SystemDriveInfo final : public DriveInfo {
public:
    explicit SystemDriveInfo(std::filesystem::path mountInfoFile = "/proc/self/mountinfo",
                             std::filesystem::path sysRoot = "/sys");

    std::filesystem::path mountPointOf(const std::filesystem::path& path) const override;
    bool isRemovable(const std::filesystem::path& path) const override;

    static const SystemDriveInfo& instance();

private:
    // The entry with the longest mount point that contains the path; null when none does.
    const MountEntry* entryOf(const std::filesystem::path& path, std::vector<MountEntry>& table) const;

    std::filesystem::path mountInfoFile_;
    std::filesystem::path sysRoot_;
};
