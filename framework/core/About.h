#pragma once
// TNAbout: the version texts of a program file (its version block, see platform/VersionBlock.h)
// as text properties, and the texts of the information window.

#include "NData.h"
#include "UserData.h"

#include <string>
#include <vector>

class TNAbout {
public:
    // Reads the file's version block. First every text is emptied, appFileName becomes the name
    // with a..z in upper case and the name as given is split into FileLW (drive: always empty
    // here), FilePfad (folder with its trailing '/', empty without one), FileName (without
    // extension) and FileExt (the extension with its dot, empty without one). A file without a
    // block, or one that cannot be read, leaves the version texts empty.
    void SetAppFileName(const std::string& name);

    std::string appFileName;
    std::string FileLW;
    std::string FilePfad;
    std::string FileName;
    std::string FileExt;
    std::string Firmenname;         // CompanyName
    std::string Beschreibung;       // FileDescription
    std::string Dateiversion;       // FileVersion
    std::string InternerName;       // InternalName
    std::string Copyright;          // LegalCopyright
    std::string Warenzeichen;       // LegalTrademarks
    std::string OriginalDateiname;  // OriginalFilename
    std::string ProduktName;        // ProductName
    std::string ProduktVersion;     // ProductVersion
    std::string Kommentare;         // Comments
    std::string NORVA_No;           // the program's part number
    std::string SprachID;
    std::string SprachIndex;
};

class VersionBlock;

// The version texts by key, written once for the whole program: which texts a version block
// carries, and where each goes in the about component and in NData.
// The texts of a block under their keys (a key matched without regard to case); keys the block
// lacks are absent.
VersionTextMap versionTextsOf(const VersionBlock& block);
// Puts version texts into their fields by key; a key that is absent leaves its field as it was.
void takeVersionTexts(const VersionTextMap& texts, TNAbout& about);
void takeVersionTexts(const VersionTextMap& texts, NData& data);

// What the information window TNInfoForm shows.
struct InfoFormTexts {
    // The rich-text box: the notice lines, an empty line, the description and
    // "Version : " + ProduktVersion.
    std::vector<std::string> lines;
    std::string interfaceVersion;  // lbl_Interface: DiagAttr.SchnittstellenAppVersion
    std::string userName;          // the user's name
    std::string firma;             // lbl_Firma
    std::string diagLibVersion;    // lblDiaglibVersion: DiagLibVersion
    std::string usbDllVersion;     // lblUSBDLLVersion: GetUsbDllVersion, empty without the library
};

// The notice lines are the program's own LegalCopyright and CompanyName texts (those present).
// The two version texts are read from the driver through 100-byte buffers.
InfoFormTexts infoFormTexts(const TNAbout& program, const DiagAttrStruct& attr, const UserInfo& user);
