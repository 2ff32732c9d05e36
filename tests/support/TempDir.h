#pragma once
// A fresh folder under the system temp folder, removed with everything in it at the end of a test.

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Whole-file helpers for fixtures: bytes exactly as given, no newline translation.
    static void writeFile(const std::filesystem::path& file, const std::string& bytes);
    static std::string readFile(const std::filesystem::path& file);
    // The bytes with CR and LF spelled out (\r, \n and a line break), so a failing
    // comparison of file contents is readable.
    static std::string visible(const std::string& bytes);

private:
    std::filesystem::path path_;
};
