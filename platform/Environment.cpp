#include "Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>
#include <vector>

Environment::Environment(Lookup lookup) : lookup_(std::move(lookup)) {}

namespace {

std::optional<std::string> homeFromPasswordEntry() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return std::nullopt;
    return std::string(found->pw_dir);
}

}  // namespace

Environment Environment::process() {
    return Environment([](const std::string& name) -> std::optional<std::string> {
        if (const char* value = std::getenv(name.c_str())) return std::string(value);
        // Services and some session starters run without HOME; the folders still belong to
        // the user.
        if (name == "HOME") return homeFromPasswordEntry();
        return std::nullopt;
    });
}

Environment Environment::fromMap(std::map<std::string, std::string> variables) {
    return Environment(
        [variables = std::move(variables)](const std::string& name) -> std::optional<std::string> {
            auto it = variables.find(name);
            if (it == variables.end()) return std::nullopt;
            return it->second;
        });
}

std::optional<std::string> Environment::get(const std::string& name) const {
    return lookup_ ? lookup_(name) : std::nullopt;
}

std::optional<std::string> Environment::nonEmpty(const std::string& name) const {
    auto value = get(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}
