#include "UserData.h"

#include "NData.h"
#include "ProgramModes.h"

namespace {
constexpr std::string_view kFirma = "Firma";
constexpr std::string_view kName = "Name";
}  // namespace

UserData::UserData(bool removableDrive, std::filesystem::path appIni, UserRegistry registry)
    : removable_(removableDrive), appIni_(std::move(appIni)), registry_(std::move(registry)) {}

UserData UserData::forProgram() {
    return UserData(WechsellaufwerkAktiv != 0, DiagAttr.AppIni, UserRegistry::forUser());
}

UserInfo UserData::read() const {
    if (removable_) {
        const ProfileFile ini(appIni_);
        return {readSetting(ini, AppIniKeys::Firma), readSetting(ini, AppIniKeys::Name)};
    }
    return {registry_.readString(kUserInfoKey, kFirma).value_or(std::string()),
            registry_.readString(kUserInfoKey, kName).value_or(std::string())};
}

ProfileWriteResult UserData::write(const UserInfo& info) {
    ProfileWriteResult firma;
    ProfileWriteResult name;
    if (removable_) {
        ProfileFile ini(appIni_);
        firma = writeSetting(ini, AppIniKeys::Firma, info.Firma);
        name = writeSetting(ini, AppIniKeys::Name, info.Name);
    } else {
        firma = registry_.writeString(kUserInfoKey, kFirma, info.Firma);
        name = registry_.writeString(kUserInfoKey, kName, info.Name);
    }
    return firma.ok() ? name : firma;
}
