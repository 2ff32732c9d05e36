#pragma once
// The user's company ("Firma") and name ("Name"): in the user's registry under
// "\Software\NORVA\Diagnose\User_Info", or - when the program runs from a removable drive - in
// the application INI file, section [User Info], so they travel with the drive.
// The settings dialog, the user-data question and the information window all go through this.

#include "ProfileFile.h"
#include "UserRegistry.h"

#include <filesystem>
#include <string>

struct UserInfo {
    std::string Firma;
    std::string Name;
};

class UserData {
public:
    // removableDrive: where the texts are kept (true: the INI file appIni).
    UserData(bool removableDrive, std::filesystem::path appIni, UserRegistry registry);
    // The running program: WechsellaufwerkAktiv, DiagAttr.AppIni, the user's registry.
    static UserData forProgram();

    // Missing values read as empty texts.
    UserInfo read() const;
    // Writes both values; the first failure is returned (the other value is still written).
    ProfileWriteResult write(const UserInfo& info);

    bool usesIniFile() const { return removable_; }

private:
    bool removable_;
    std::filesystem::path appIni_;
    UserRegistry registry_;
};
