#include "GetToken.h"

std::string GetToken(std::string_view text, std::string_view delimiters, uint16_t index) {
    std::size_t pos = 0;
    for (unsigned n = 0;; ++n) {
        pos = text.find_first_not_of(delimiters, pos);
        if (pos == std::string_view::npos) return {};
        const std::size_t end = text.find_first_of(delimiters, pos);
        if (n == index) return std::string(text.substr(pos, end - pos));
        if (end == std::string_view::npos) return {};
        pos = end;
    }
}

int SplitKeyValue(std::string_view line, std::string& key, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return 1;
    key = std::string(line.substr(0, eq));
    value = std::string(line.substr(eq + 1));
    return 0;
}
