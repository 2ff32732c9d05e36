#include "ReadOnlyFile.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

bool runningAsRoot() {
    return ::geteuid() == 0;
}

ReadOnlyFile::ReadOnlyFile(std::filesystem::path file) : file_(std::move(file)) {
    std::error_code ec;
    std::filesystem::permissions(file_, std::filesystem::perms(0444), ec);
    if (!runningAsRoot()) {
        active_ = !ec;
        return;
    }
    immutable_ = setImmutable(true);
    active_ = immutable_;
}

ReadOnlyFile::~ReadOnlyFile() {
    if (immutable_) setImmutable(false);
    std::error_code ec;
    std::filesystem::permissions(file_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
}

bool ReadOnlyFile::setImmutable(bool on) {
    const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
