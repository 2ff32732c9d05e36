#include "FileChooser.h"

#include "InstalledService.h"

std::vector<FileFilter> filterPairs(std::string_view joined) {
    std::vector<FileFilter> filters;
    std::vector<std::string> parts;
    while (!joined.empty()) {
        const std::size_t bar = joined.find('|');
        parts.emplace_back(joined.substr(0, bar));
        if (bar == std::string_view::npos) break;
        joined.remove_prefix(bar + 1);
    }
    // A description without its pattern is left out.
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back({parts[i], parts[i + 1]});
    return filters;
}

FileChooser* installFileChooser(FileChooser* chooser) {
    return InstalledService<FileChooser>::install(chooser);
}

FileChooser& fileChooser() {
    return InstalledService<FileChooser>::require("fileChooser: no file chooser installed");
}
