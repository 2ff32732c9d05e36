#include "DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <system_error>

namespace {

std::string lastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

void* open(const char* name, std::string* error) {
    dlerror();
    void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) *error = lastDlError();
    return handle;
}

}  // namespace

std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::unique_ptr<DynamicLibrary> DynamicLibrary::loadPath(const std::filesystem::path& path,
                                                         std::string* error) {
    if (path.empty()) {
        if (error) *error = "no library file named";
        return nullptr;
    }
    // dlopen takes a name without a '/' as a search name; a path must stay a path.
    const std::filesystem::path file = path.has_parent_path() ? path : "." / path;
    void* handle = open(file.c_str(), error);
    if (!handle) return nullptr;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle, path));
}

std::unique_ptr<DynamicLibrary> DynamicLibrary::load(const std::string& fileName, std::string* error) {
    if (fileName.empty()) {
        if (error) *error = "no library file named";
        return nullptr;
    }
    if (fileName.find('/') != std::string::npos) return loadPath(fileName, error);

    const std::filesystem::path folder = programFolder();
    if (!folder.empty()) {
        std::error_code ec;
        const std::filesystem::path beside = folder / fileName;
        if (std::filesystem::exists(beside, ec)) return loadPath(beside, error);
    }

    void* handle = open(fileName.c_str(), error);
    if (!handle) return nullptr;
    // Where the search found it, for the record.
    std::filesystem::path found = fileName;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
        found = map->l_name;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle, found));
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_) dlclose(handle_);
}

void* DynamicLibrary::symbol(const char* name) const {
    if (!handle_ || !name) return nullptr;
    return dlsym(handle_, name);
}
