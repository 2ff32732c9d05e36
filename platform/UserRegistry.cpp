#include "UserRegistry.h"

#include <cerrno>
#include <system_error>
#include <utility>

#include "ShellFolders.h"

UserRegistry::UserRegistry(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path UserRegistry::userFile(const Environment& environment) {
    std::filesystem::path config = ShellFolders(environment, nullptr).config();
    if (config.empty()) return {};
    return config / "NORVA" / "registry.ini";
}

UserRegistry UserRegistry::forUser(const Environment& environment) {
    return UserRegistry(userFile(environment));
}

std::string UserRegistry::normalizeKeyPath(std::string_view keyPath) {
    std::string out;
    for (char c : keyPath) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

std::optional<std::string> UserRegistry::readString(std::string_view keyPath,
                                                    std::string_view valueName) const {
    std::string key = normalizeKeyPath(keyPath);
    if (file_.empty() || key.empty() || valueName.empty()) return std::nullopt;
    return ProfileFile(file_).value(key, valueName);
}

ProfileWriteResult UserRegistry::writeString(std::string_view keyPath, std::string_view valueName,
                                             std::string_view value) {
    std::string key = normalizeKeyPath(keyPath);
    if (key.empty() || valueName.empty()) {
        return {EINVAL, "Invalid registry key \"" + std::string(keyPath) + "\" or value name \"" +
                            std::string(valueName) + "\""};
    }
    if (file_.empty()) {
        return {ENOENT, "No folder for the registry file: neither XDG_CONFIG_HOME nor HOME is set"};
    }
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    if (ec) {
        return {ec.value() ? ec.value() : EIO, "Cannot create the folder \"" +
                                                   file_.parent_path().string() +
                                                   "\": " + ec.message()};
    }
    return ProfileFile(file_).writeString(key, valueName, value);
}
