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

std::vector<std::string> descriptionLines(const ProfileEdit& file, const std::string& section) {
    std::vector<std::string> lines;
    for (int n = 0;; ++n) {
        const std::string key = n == 0 ? "Text" : "Text" + std::to_string(n);
        std::optional<std::string> line = file.value(section, key);
        if (!line || *line == kEndOfTexts) break;
        lines.push_back(std::move(*line));
    }
    return lines;
}

structParaInfo readParameter(const ProfileEdit& file, const std::string& section, uint16_t number) {
    structParaInfo p;
    p.Nummer = number;
    if (!file.readString(section, "Bit").empty())
        p.Art = ArtBits;
    else if (!file.readString(section, "WORD").empty())
        p.Art = ArtWord;
    p.Faktor = parameterFactor(file.readString(section, "Faktor", "1"));
    p.Format = AnzeigeformatErmitteln(p.Faktor);
    p.Einheit = file.readString(section, "Einheit");
    p.Offset = parseIniInteger(file.readString(section, "Offset")).value_or(0);
    if (p.Art == ArtBits) {
        for (int b = 0; b < 8; ++b) {
            const std::string key = "Text" + std::to_string(b);
            p.BitTexte[b] = {file.readString(section, key + "l", kNoBitText),
                             file.readString(section, key + "h", kNoBitText)};
        }
    } else {
        p.Texte = descriptionLines(file, section);
    }
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
