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
    if (!block) return;
    Firmenname = block->value("CompanyName");
    Beschreibung = block->value("FileDescription");
    Dateiversion = block->value("FileVersion");
    InternerName = block->value("InternalName");
    Copyright = block->value("LegalCopyright");
    Warenzeichen = block->value("LegalTrademarks");
    OriginalDateiname = block->value("OriginalFilename");
    ProduktName = block->value("ProductName");
    ProduktVersion = block->value("ProductVersion");
    Kommentare = block->value("Comments");
    NORVA_No = block->value("NORVA_No");
    SprachID = block->value("SprachID");
    SprachIndex = block->value("SprachIndex");
}

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
