#include "CommaLocale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const char* const kCandidates[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"};

bool decimalIsComma() {
    const std::lconv* conv = std::localeconv();
    return conv && conv->decimal_point && std::string(conv->decimal_point) == ",";
}

bool trySystemLocales() {
    for (const char* name : kCandidates) {
        if (std::setlocale(LC_ALL, name) && decimalIsComma()) return true;
    }
    return false;
}

// A folder that lives until the process ends, then goes with its contents.
struct ProcessFolder {
    std::filesystem::path path;
    ~ProcessFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

// Compiles de_DE once per process.
bool tryCompiledLocale() {
    static const ProcessFolder folder = [] {
        ProcessFolder made;
        made.path = std::filesystem::temp_directory_path() / ("kelt-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made.path);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (made.path / "de_DE.UTF-8").string() +
                                    "' >/dev/null 2>&1";
        // localedef warns (exit 1) about some charset details yet writes a usable locale.
        (void)std::system(command.c_str());
        return made;
    }();
    if (!std::filesystem::exists(folder.path / "de_DE.UTF-8")) return false;
    ::setenv("LOCPATH", folder.path.c_str(), 1);
    const bool ok = std::setlocale(LC_ALL, "de_DE.UTF-8") && decimalIsComma();
    return ok;
}

}  // namespace

CommaLocale::CommaLocale() {
    if (const char* current = std::setlocale(LC_ALL, nullptr)) previous_ = current;
    active_ = trySystemLocales() || tryCompiledLocale();
    if (!active_) std::setlocale(LC_ALL, previous_.c_str());
}

CommaLocale::~CommaLocale() {
    std::setlocale(LC_ALL, previous_.empty() ? "C" : previous_.c_str());
}
