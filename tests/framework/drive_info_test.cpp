#include "DriveInfo.h"
#include "FixedEnvironment.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(MountInfo, ParsesDeviceAndDecodesTheMountPoint) {
    const std::string text =
        "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
        "30 28 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "41 30 8:17 / /media/usb\\040stick rw,nosuid - vfat /dev/sdb1 rw\n"
        "malformed line\n"
        "42 30 x:1 / /bad rw - ext4 /dev/x rw\n"
        "43 30 8:1 / relative rw - ext4 /dev/y rw\n"
        "44 30 8:2x / /bad2 rw - ext4 /dev/z rw\n";
    const auto entries = parseMountInfo(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].mountPoint, fs::path("/proc"));
    EXPECT_EQ(entries[1].major, 254u);
    EXPECT_EQ(entries[1].minor, 0u);
    EXPECT_EQ(entries[2].mountPoint, fs::path("/media/usb stick"));
    EXPECT_EQ(entries[2].major, 8u);
    EXPECT_EQ(entries[2].minor, 17u);
}

// A mount table and a sysfs tree of our own: a fixed disk at "/", a USB stick partition and a
// card reader whose whole device is mounted.
class SystemDriveInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        TempDir::writeFile(dir / "mountinfo",
                           "30 1 254:0 / / rw - ext4 /dev/vda rw\n"
                           "41 30 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
                           "42 30 179:0 / /media/card rw - vfat /dev/mmcblk0 rw\n"
                           "43 30 0:40 / /run/user rw - tmpfs tmpfs rw\n");
        const fs::path sys = dir / "sys";
        fs::create_directories(sys / "dev" / "block");
        fs::create_directories(sys / "devices" / "vda");
        TempDir::writeFile(sys / "devices" / "vda" / "removable", "0\n");
        fs::create_directory_symlink("../../devices/vda", sys / "dev" / "block" / "254:0");
        // A partition carries no flag; its disk, the folder above it, does.
        fs::create_directories(sys / "devices" / "usb" / "sdb" / "sdb1");
        TempDir::writeFile(sys / "devices" / "usb" / "sdb" / "removable", "1\n");
        TempDir::writeFile(sys / "devices" / "usb" / "sdb" / "sdb1" / "partition", "1\n");
        fs::create_directory_symlink("../../devices/usb/sdb/sdb1", sys / "dev" / "block" / "8:17");
        fs::create_directories(sys / "devices" / "mmc");
        TempDir::writeFile(sys / "devices" / "mmc" / "removable", "1\n");
        fs::create_directory_symlink("../../devices/mmc", sys / "dev" / "block" / "179:0");
    }

    TempDir dir;
    SystemDriveInfo drives{dir / "mountinfo", dir / "sys"};
};

TEST_F(SystemDriveInfoTest, MountPointIsTheLongestContainingOne) {
    const struct {
        const char* path;
        const char* mountPoint;
    } cases[] = {
        {"/media/usb stick/TOOLS/Tarvik", "/media/usb stick"},
        {"/media/usb stick", "/media/usb stick"},
        {"/media/card/a/../b", "/media/card"},
        {"/media/cardx/file", "/"},  // a longer name is not inside the mount point
        {"/home/user/doc", "/"},
        {"/run/user/1000", "/run/user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(drives.mountPointOf(c.path), fs::path(c.mountPoint));
    }
}

TEST_F(SystemDriveInfoTest, RemovableFromTheDeviceOrItsDisk) {
    const struct {
        const char* path;
        bool removable;
    } cases[] = {
        {"/media/usb stick/TOOLS/Tarvik", true},   // partition: flag of the disk
        {"/media/card/Tarvik", true},              // whole device
        {"/home/user/Tarvik", false},              // fixed disk
        {"/run/user/1000/Tarvik", false},          // no block device at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(drives.isRemovable(c.path), c.removable);
    }
}

TEST_F(SystemDriveInfoTest, SameDriveComparesMountPoints) {
    EXPECT_TRUE(drives.sameDrive("/media/card/a", "/media/card/b/c"));
    EXPECT_FALSE(drives.sameDrive("/media/card/a", "/home/a"));
}

TEST(SystemDriveInfo, MissingMountTableKnowsNothing) {
    TempDir dir;
    SystemDriveInfo drives(dir / "no-mountinfo", dir / "no-sys");
    EXPECT_EQ(drives.mountPointOf("/home/user"), fs::path());
    EXPECT_FALSE(drives.isRemovable("/home/user"));
    // Unknown drives are never "the same": nothing is made relative on a guess.
    EXPECT_FALSE(drives.sameDrive("/home/a", "/home/b"));
}

TEST(SystemDriveInfo, RunningSystemHasARootMount) {
    const SystemDriveInfo& drives = SystemDriveInfo::instance();
    EXPECT_EQ(drives.mountPointOf("/proc/self/status"), fs::path("/proc"));
    EXPECT_FALSE(drives.isRemovable("/proc/self/status"));
    EXPECT_FALSE(drives.mountPointOf("/").empty());
}

TEST(FixedDriveInfo, LongestMountPointAndRemovableList) {
    FixedDriveInfo drives;
    drives.mountPoints = {"/", "/media/stick"};
    drives.removableMountPoints = {"/media/stick"};
    EXPECT_EQ(drives.mountPointOf("/media/stick/TOOLS"), fs::path("/media/stick"));
    EXPECT_EQ(drives.mountPointOf("/media/stickier"), fs::path("/"));
    EXPECT_TRUE(drives.isRemovable("/media/stick/TOOLS/prog"));
    EXPECT_FALSE(drives.isRemovable("/home/prog"));
}

}  // namespace
