#pragma once
// Fixed facts for the framework's environment seams: the program file, its version texts and
// its folders (ApplicationEnvironment), and the drives behind paths (DriveInfo). Header-only:
// the tests that use them link the framework anyway.

#include "DriveInfo.h"
#include "NData.h"

#include <filesystem>
#include <vector>

class FixedApplicationEnvironment final : public ApplicationEnvironment {
public:
    std::filesystem::path program;
    VersionTextMap texts;
    std::filesystem::path documents;
    std::filesystem::path data;

    std::filesystem::path programFile() const override { return program; }
    VersionTextMap versionTexts() const override { return texts; }
    std::filesystem::path documentsFolder() const override { return documents; }
    std::filesystem::path dataFolder() const override { return data; }
};

// The listed mount points (the longest one that contains a path is its drive) and which of them
// are removable.
class FixedDriveInfo final : public DriveInfo {
public:
    std::vector<std::filesystem::path> mountPoints;
    std::vector<std::filesystem::path> removableMountPoints;

    std::filesystem::path mountPointOf(const std::filesystem::path& path) const override {
        const std::filesystem::path target = path.lexically_normal();
        std::filesystem::path best;
        for (const std::filesystem::path& mountPoint : mountPoints) {
            const std::filesystem::path normal = mountPoint.lexically_normal();
            if (folderContains(normal, target) && normal.native().size() >= best.native().size())
                best = normal;
        }
        return best;
    }
    bool isRemovable(const std::filesystem::path& path) const override {
        const std::filesystem::path mountPoint = mountPointOf(path);
        if (mountPoint.empty()) return false;
        for (const std::filesystem::path& removable : removableMountPoints)
            if (removable.lexically_normal() == mountPoint) return true;
        return false;
    }
};
