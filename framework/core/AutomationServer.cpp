#include "AutomationServer.h"

#include "AutomationRequests.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace automation {

namespace {

// Exec is split into words by the bus as a shell would: a path with a blank, a quote, a backslash
// or a shell sign is put in double quotes, inside which ", \, $ and ` need a backslash.
std::string execWord(const std::string& path) {
    if (path.find_first_of(" \t\"'\\$`;&|<>()*?#~") == std::string::npos) return path;
    std::string word = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\' || c == '$' || c == '`') word += '\\';
        word += c;
    }
    return word + "\"";
}

ProfileWriteResult failure(int error, std::string message) {
    ProfileWriteResult result;
    result.error = error ? error : EIO;
    result.message = std::move(message);
    return result;
}

}  // namespace

ServerSwitches parseServerSwitches(const std::vector<std::string>& arguments) {
    ServerSwitches switches;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty() || (argument[0] != '-' && argument[0] != '/')) continue;
        const std::string_view name = std::string_view(argument).substr(1);
        if (equalsNoCase(name, "regserver")) switches.regServer = true;
        if (equalsNoCase(name, "unregserver")) switches.unregServer = true;
        if (equalsNoCase(name, "automation")) switches.automation = true;
        if (equalsNoCase(name, "embedding")) switches.embedding = true;
    }
    return switches;
}

fs::path activationFilePath(const fs::path& dataHome) {
    return dataHome / "dbus-1" / "services" / (std::string(BusName) + ".service");
}

std::optional<std::string> activationFileText(const fs::path& programFile) {
    const std::string path = programFile.string();
    if (!programFile.is_absolute() || path.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    return "# COM Outproc Server Tarvik\n"
           "[D-BUS Service]\n"
           "Name=" + std::string(BusName) + "\n"
           "Exec=" + execWord(path) + " /Automation\n";
}

ProfileWriteResult registerServer(const fs::path& dataHome, const fs::path& programFile) {
    if (dataHome.empty())
        return failure(ENOENT, "Cannot register the automation server: no data folder (neither XDG_DATA_HOME nor "
                               "HOME is set)");
    const std::optional<std::string> text = activationFileText(programFile);
    if (!text)
        return failure(EINVAL, "Cannot register the automation server: the program file \"" + programFile.string() +
                                   "\" cannot be named in an activation file");
    const fs::path file = activationFilePath(dataHome);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return failure(ec.value(), "Cannot register the automation server: cannot create the folder \"" +
                                       file.parent_path().string() + "\" (" + ec.message() + ")");
    ProfileWriteResult written = writeWholeFile(file, *text);
    if (!written.ok()) written.message = "Cannot register the automation server: " + written.message;
    return written;
}

ProfileWriteResult unregisterServer(const fs::path& dataHome) {
    if (dataHome.empty())
        return failure(ENOENT, "Cannot unregister the automation server: no data folder (neither XDG_DATA_HOME nor "
                               "HOME is set)");
    const fs::path file = activationFilePath(dataHome);
    // A file that is not there (nor its folder) is unregistered already.
    if (::unlink(file.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) {
        const int error = errno;
        return failure(error, "Cannot unregister the automation server: cannot remove \"" + file.string() + "\" (" +
                                  std::strerror(error) + ")");
    }
    return {};
}

void ServerLifetime::clientInitialized(const std::string& client) { clients_.insert(client); }

bool ServerLifetime::clientLeft(const std::string& client) {
    if (clients_.erase(client) == 0) return false;
    return startedByBus_ && clients_.empty();
}

}  // namespace automation
