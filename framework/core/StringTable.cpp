#include "StringTable.h"

#include <charconv>

#include "StringTableData.h"
#include "Windows1252.h"

namespace {

std::string unescape(std::string_view text, int line, std::vector<StringTableProblem>& problems) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 == text.size()) {
            problems.push_back({line, "text ends in a lone backslash"});
            out += '\\';
            break;
        }
        char next = text[++i];
        switch (next) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '\\': out += '\\'; break;
            default:
                // Kept as written, so a typo shows in the text instead of silently vanishing.
                problems.push_back({line, std::string("unknown escape \\") + next});
                out += '\\';
                out += next;
                break;
        }
    }
    return out;
}

const ParsedStringTable& compiledTable() {
    static const ParsedStringTable table = parseStringTable(std::string_view(
        reinterpret_cast<const char*>(kelt_string_table_data), kelt_string_table_data_size));
    return table;
}

}  // namespace

ParsedStringTable parseStringTable(std::string_view source) {
    ParsedStringTable result;
    int lineNumber = 0;
    while (!source.empty()) {
        ++lineNumber;
        std::size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            result.problems.push_back({lineNumber, "no tab between id and text"});
            continue;
        }
        std::string_view idText = line.substr(0, tab);
        int id = 0;
        auto [ptr, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
        if (idText.empty() || ec != std::errc() || ptr != idText.data() + idText.size() || id < 0) {
            result.problems.push_back({lineNumber, "bad id '" + std::string(idText) + "'"});
            continue;
        }
        std::string text = unescape(line.substr(tab + 1), lineNumber, result.problems);
        if (!result.texts.emplace(id, std::move(text)).second) {
            result.problems.push_back({lineNumber, "duplicate id " + std::to_string(id)});
        }
    }
    return result;
}

std::string LoadStr(int id) {
    const auto& texts = compiledTable().texts;
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
}

bool HasStr(int id) { return compiledTable().texts.count(id) != 0; }

std::string messageWithText(int stringId, std::string_view text) {
    std::string message = LoadStr(stringId);
    const std::size_t at = message.find("%s");
    if (at != std::string::npos) message.replace(at, 2, text);
    return message;
}

std::string messageWithSystemText(int stringId, std::string_view utf8Text) {
    return messageWithText(stringId, windows1252FromUtf8(utf8Text));
}
