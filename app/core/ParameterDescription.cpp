#include "ParameterDescription.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>
#include <numeric>

#include "FaultTextFile.h"
#include "IniInteger.h"
#include "Numbers.h"
#include "ProfileFile.h"
#include "StringTable.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNotesSection = "Hinweise";
constexpr std::string_view kEcuListSection = "ECUListe";
constexpr std::string_view kEndOfTexts = "----";
constexpr std::string_view kNoBitText = "---";
constexpr int kMaxDecimals = 3;
// A fraction up to this size counts as none.
constexpr double kNoFraction = 0.0001;
// Binary rounding leaves a product of decimal steps (0.29 x 10 x 10) this far below the whole
// number it stands for; a fraction that close to 1 is none either. A real fraction such as the
// 0.99999 of 1.99999 is far larger.
constexpr double kRoundingNoise = 1e-9;

bool isParameterSection(std::string_view name) {
    return !equalsNoCase(name, kNotesSection) && !equalsNoCase(name, kEcuListSection);
}

std::optional<uint16_t> parameterNumber(std::string_view sectionName) {
    const std::optional<int32_t> number = parseIniInteger(sectionName);
    if (!number || *number < 0 || *number > UINT16_MAX) return std::nullopt;
    return static_cast<uint16_t>(*number);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether a key is `name` (given in lower case), without regard to case.
bool isKey(std::string_view key, std::string_view name) {
    if (key.size() != name.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (lowerAscii(key[i]) != name[i]) return false;
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The line number of a description line's key after its "Text": 0 for nothing, n for n as
// std::to_string writes it (no leading zero, no sign), else nothing. Numbers beyond any
// section's length could never be reached and are not taken.
std::optional<uint32_t> descriptionLineNumber(std::string_view rest) {
    if (rest.empty()) return 0u;
    if (rest.size() > 9 || rest[0] == '0') return std::nullopt;
    uint32_t n = 0;
    for (char c : rest) {
        if (!isDigit(c)) return std::nullopt;
        n = n * 10 + static_cast<uint32_t>(c - '0');
    }
    return n;
}

// A parameter read from one walk over its section's keys. The walk gives the first key of each
// name only, the one a look-up of that name finds; its texts live only during the walk, so
// numbers are read and texts copied as they pass.
struct ParameterReader {
    explicit ParameterReader(structParaInfo& parameter) : p(parameter) {}

    structParaInfo& p;
    bool bits = false, word = false;  // a non-empty "Bit", "WORD"
    uint16_t bitTexts = 0;            // which of p.BitTexte were given: bit b's state s is 1 << (2b + s)
    // Description lines with their numbers, as met; put in order at the end.
    std::vector<std::pair<uint32_t, std::string>> lines;

    void take(std::string_view key, std::string_view value) {
        if (key.size() >= 4 && isKey(key.substr(0, 4), "text")) {
            const std::string_view rest = key.substr(4);
            if (rest.size() == 2 && rest[0] >= '0' && rest[0] <= '7') {
                const char state = lowerAscii(rest[1]);
                if (state == 'l' || state == 'h') {
                    const int b = rest[0] - '0', s = state == 'h';
                    p.BitTexte[b][s] = value;
                    bitTexts |= static_cast<uint16_t>(1u << (2 * b + s));
                    return;
                }
            }
            if (const std::optional<uint32_t> n = descriptionLineNumber(rest)) lines.emplace_back(*n, value);
            return;
        }
        switch (key.size()) {
        case 3:
            if (isKey(key, "bit")) bits = !value.empty();
            break;
        case 4:
            if (isKey(key, "word")) word = !value.empty();
            break;
        case 6:
            if (isKey(key, "faktor"))
                p.Faktor = parameterFactor(value);
            else if (isKey(key, "offset"))
                p.Offset = parseIniInteger(value).value_or(0);
            break;
        case 7:
            if (isKey(key, "einheit")) p.Einheit = value;
            break;
        }
    }

    // "Text", "Text1", "Text2", ... up to the first missing key or a line "----".
    void takeLines() {
        const auto byNumber = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(lines.begin(), lines.end(), byNumber)) std::sort(lines.begin(), lines.end(), byNumber);
        for (auto& [n, line] : lines) {
            if (n != p.Texte.size() || line == kEndOfTexts) break;
            p.Texte.push_back(std::move(line));
        }
    }

    void finish() {
        if (bits)
            p.Art = ArtBits;
        else if (word)
            p.Art = ArtWord;
        p.Format = AnzeigeformatErmitteln(p.Faktor);
        for (int b = 0; b < 8; ++b)
            for (int s = 0; s < 2; ++s) {
                std::string& text = p.BitTexte[b][s];
                if (p.Art != ArtBits)
                    text.clear();  // only a bit-coded parameter has captions
                else if (!(bitTexts & (1u << (2 * b + s))))
                    text = kNoBitText;
            }
        if (p.Art != ArtBits) takeLines();
    }
};

structParaInfo readParameter(const ProfileEdit& file, const std::string& section, uint16_t number) {
    structParaInfo p;
    p.Nummer = number;
    ParameterReader reader{p};
    file.forEachKey(section, [&reader](std::string_view key, std::string_view value) { reader.take(key, value); });
    reader.finish();
    return p;
}

}  // namespace

uint16_t _ParaKonf::AnzahlBytes() const {
    return static_cast<uint16_t>(std::accumulate(
        Parameter.begin(), Parameter.end(), std::size_t{0},
        [](std::size_t sum, const structParaInfo& p) { return sum + p.bytes(); }));
}

double parameterFactor(std::string_view text) {
    const std::optional<double> factor = numbers::parseDouble(text);
    if (!factor || *factor == 0 || !std::isfinite(*factor)) return 1.0;
    return *factor;
}

int AnzeigeformatErmitteln(double Faktor) {
    double f = std::fabs(Faktor);
    // Finer than the last decimal shown: as many decimals as are shown at all.
    if (f < std::pow(10.0, -kMaxDecimals)) return kMaxDecimals;
    int decimals = 0;
    for (; decimals < kMaxDecimals; ++decimals) {
        const double fraction = f - std::floor(f);
        if (fraction <= kNoFraction || 1 - fraction <= kRoundingNoise * std::max(1.0, f)) break;
        f *= 10;
    }
    return decimals;
}

std::string missingDescriptionMessage(const fs::path& lookedFor) {
    std::error_code error;
    fs::path shown = fs::absolute(lookedFor, error);
    if (error) shown = lookedFor;
    return LoadStr(kNoDescriptionText) + "\n\n" +
           messageWithSystemText(kDescriptionLookedForText, shown.lexically_normal().string());
}

std::optional<ParameterDescription> readParameterDescription(const fs::path& path) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::optional<fs::path> found = findFileNoCase(folder, path.filename().string());
    if (!found) return std::nullopt;
    // One reading of the file for all its keys.
    const ProfileEdit file{ProfileFile(*found)};
    if (!file.readResult()) return std::nullopt;

    ParameterDescription description;
    description.file = *found;
    // The name asked for, not the one found: "1078a100.PKD" stays the ECU's identifier when the
    // file on disk is spelt "1078A100.pkd".
    description.DiagnoseKennung = path.stem().string();
    const std::vector<std::string> sections = file.sectionNames();
    description.ParaKonf.Parameter.reserve(std::min(sections.size(), kMaxParameters));
    for (const std::string& section : sections) {
        if (!isParameterSection(section)) continue;
        const std::optional<uint16_t> number = parameterNumber(section);
        if (!number) continue;
        if (description.ParaKonf.Parameter.size() == kMaxParameters) return std::nullopt;
        description.ParaKonf.Parameter.push_back(readParameter(file, section, *number));
    }
    file.forEachKey(kNotesSection,
                    [&](std::string_view, std::string_view value) { description.Hinweise.emplace_back(value); });
    return description;
}

namespace {

bool lessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::vector<ECU_PKD_Liste> listParameterDescriptions(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& file = it->path();
        if (equalsNoCase(file.extension().string(), ".PKD") && it->is_regular_file(error))
            names.push_back(file.filename().string());
    }
    std::sort(names.begin(), names.end(), lessNoCase);

    std::vector<ECU_PKD_Liste> entries;
    for (const std::string& name : names) {
        const ProfileEdit file{ProfileFile(folder / name)};
        const std::vector<std::string> keys = file.keyNames(kEcuListSection);
        for (const std::string& key : keys)
            entries.push_back({name, file.readString(kEcuListSection, key)});
        if (keys.empty()) entries.push_back({name, "?"});
    }
    return entries;
}

std::string pkdListLine(const ECU_PKD_Liste& entry) {
    return entry.Steuergeraet + "   /   " + entry.Datei.substr(0, 8);
}
