#pragma once
// Makes a file read-only for this process while the object lives: mode 0444 and, when the test
// runs as root (whom modes do not bind), the immutable flag, the one read-only that binds root.

#include <filesystem>

bool runningAsRoot();

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::filesystem::path file);
    // Clears the flag and gives the owner write access again.
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False when running as root on a file system that refuses the immutable flag: the file is
    // then not read-only for this process and the test should skip.
    bool active() const { return active_; }
    // The errno a write meets: EACCES for the mode, EPERM for the flag.
    int writeError() const { return immutable_ ? EPERM : EACCES; }

private:
    bool setImmutable(bool on);

    std::filesystem::path file_;
    bool immutable_ = false;
    bool active_ = false;
};
