#include "About.h"

#include "DiagDr32.h"
#include "VersionBlock.h"

#include <array>
#include <filesystem>

namespace {

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// A driver text read as the window did: into a 100-byte buffer, cut at its first NUL.
std::string driverText(int32_t (*read)(char*, uint32_t)) {
    std::array<char, 100> buffer{};
    read(buffer.data(), static_cast<uint32_t>(buffer.size()));
    buffer.back() = '\0';
    return std::string(buffer.data());
}

}  // namespace

void TNAbout::SetAppFileName(const std::string& name) {
    *this = TNAbout();
    appFileName = upperAscii(name);

    const std::size_t slash = name.rfind('/');
    FilePfad = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    const std::filesystem::path file(slash == std::string::npos ? name : name.substr(slash + 1));
    FileName = file.stem().string();
    FileExt = file.extension().string();

    const std::optional<VersionBlock> block = VersionBlock::readFile(name);
    if (block) takeVersionTexts(versionTextsOf(*block), *this);
}

namespace {

// Each version text: its key, its field in the about component and in NData.
struct VersionField {
    std::string_view key;
    std::string TNAbout::*about;
    std::string NData::*data;
};

constexpr VersionField kVersionFields[] = {
    {"CompanyName", &TNAbout::Firmenname, &NData::CompanyName},
    {"FileDescription", &TNAbout::Beschreibung, &NData::FileDescription},
    {"FileVersion", &TNAbout::Dateiversion, &NData::FileVersion},
    {"InternalName", &TNAbout::InternerName, &NData::InternalName},
    {"LegalCopyright", &TNAbout::Copyright, &NData::LegalCopyright},
    {"LegalTrademarks", &TNAbout::Warenzeichen, &NData::LegalTrademarks},
    {"OriginalFilename", &TNAbout::OriginalDateiname, &NData::OriginalFilename},
    {"ProductName", &TNAbout::ProduktName, &NData::ProductName},
    {"ProductVersion", &TNAbout::ProduktVersion, &NData::ProductVersion},
    {"Comments", &TNAbout::Kommentare, &NData::Comments},
    {"NORVA_No", &TNAbout::NORVA_No, &NData::NORVA_No},
    {"SprachID", &TNAbout::SprachID, &NData::SprachID},
    {"SprachIndex", &TNAbout::SprachIndex, &NData::SprachIndex},
};

template <class Target>
void takeInto(const VersionTextMap& texts, Target& target, std::string Target::*VersionField::*field) {
    for (const VersionField& entry : kVersionFields) {
        const auto it = texts.find(entry.key);
        if (it != texts.end()) target.*(entry.*field) = it->second;
    }
}

}  // namespace

VersionTextMap versionTextsOf(const VersionBlock& block) {
    VersionTextMap texts;
    for (const VersionField& entry : kVersionFields)
        if (block.has(entry.key)) texts.emplace(std::string(entry.key), block.value(entry.key));
    return texts;
}

void takeVersionTexts(const VersionTextMap& texts, TNAbout& about) { takeInto(texts, about, &VersionField::about); }

void takeVersionTexts(const VersionTextMap& texts, NData& data) { takeInto(texts, data, &VersionField::data); }

InfoFormTexts infoFormTexts(const TNAbout& program, const DiagAttrStruct& attr, const UserInfo& user) {
    InfoFormTexts texts;
    for (const std::string* notice : {&program.Copyright, &program.Firmenname})
        if (!notice->empty()) texts.lines.push_back(*notice);
    texts.lines.push_back("");
    texts.lines.push_back(program.Beschreibung);
    texts.lines.push_back("Version : " + program.ProduktVersion);
    texts.interfaceVersion = attr.SchnittstellenAppVersion;
    texts.userName = user.Name;
    texts.firma = user.Firma;
    texts.diagLibVersion = driverText(DiagLibVersion);
    texts.usbDllVersion = driverText(GetUsbDllVersion);
    return texts;
}
