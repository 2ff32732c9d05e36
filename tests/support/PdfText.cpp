#include "PdfText.h"

#include <cstdio>
#include <stdexcept>

namespace {

std::string quoted(const std::filesystem::path& path) {
    std::string out = "'";
    for (char c : path.string()) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string outputOf(const std::string& command) {
    FILE* child = ::popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("cannot run: " + command);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, child)) > 0;) out.append(buffer, n);
    if (::pclose(child) != 0) throw std::runtime_error("failed: " + command);
    return out;
}

}  // namespace

std::string pdfInfo(const std::filesystem::path& pdf, const std::string& field) {
    const std::string info = outputOf("pdfinfo " + quoted(pdf) + " 2>/dev/null");
    const std::string key = field + ":";
    for (std::size_t at = 0; at < info.size();) {
        const std::size_t end = std::min(info.find('\n', at), info.size());
        const std::string line = info.substr(at, end - at);
        if (line.rfind(key, 0) == 0) {
            const std::size_t value = line.find_first_not_of(' ', key.size());
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        at = end + 1;
    }
    return {};
}

int pdfPageCount(const std::filesystem::path& pdf) {
    const std::string pages = pdfInfo(pdf, "Pages");
    return pages.empty() ? 0 : std::stoi(pages);
}

std::string pdfPageText(const std::filesystem::path& pdf, int page) {
    const std::string n = std::to_string(page);
    const std::string raw =
        outputOf("pdftotext -raw -enc UTF-8 -f " + n + " -l " + n + " " + quoted(pdf) + " - 2>/dev/null");
    std::string text;
    for (char c : raw) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
        if (!blank)
            text += c;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    if (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}
