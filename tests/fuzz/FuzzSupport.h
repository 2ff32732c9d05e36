#pragma once
// Shared by the fuzz targets: an invariant check that makes libFuzzer keep the input that broke
// it, and a scratch folder for the targets that go through real files.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>

#include "ProfileFile.h"
#include "TempDir.h"

// An invariant of the code under test; a violation aborts, so libFuzzer saves the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace fuzz {

// The process's scratch folder, emptied for each input. In memory where the system has a
// tmpfs: every file save syncs to disk, which would slow fuzzing down a hundredfold.
inline const std::filesystem::path& freshFolder() {
    static TempDir dir = [] {
        std::error_code ec;
        if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", ec))
            setenv("TMPDIR", "/dev/shm", 0);
        return TempDir();
    }();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path(), ec))
        std::filesystem::remove_all(entry.path(), ec);
    return dir.path();
}

// Every key of every section of a profile file with the value a read gives.
using ProfileValues = std::map<std::pair<std::string, std::string>, std::string>;
inline ProfileValues everyValue(const ProfileAccess& file) {
    ProfileValues values;
    for (const std::string& section : file.sectionNames())
        for (const std::string& key : file.keyNames(section)) {
            const std::optional<std::string> value = file.value(section, key);
            FUZZ_CHECK(value.has_value());
            values[{section, key}] = *value;
        }
    return values;
}

// Whether every key of `before` outside the sections `skip` accepts reads the same in `after`.
template <typename Skip>
bool keptExcept(const ProfileValues& before, const ProfileValues& after, Skip skip) {
    for (const auto& [name, value] : before) {
        if (skip(name.first, name.second)) continue;
        const auto found = after.find(name);
        if (found == after.end() || found->second != value) return false;
    }
    return true;
}

}  // namespace fuzz
