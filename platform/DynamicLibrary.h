#pragma once
// Loading a shared library at run time by name: beside the program first, then the ordinary
// library search (LD_LIBRARY_PATH, the system paths).

#include <filesystem>
#include <memory>
#include <string>

class DynamicLibrary {
public:
    // nullptr when the library cannot be found or loaded; `error` then says why.
    static std::unique_ptr<DynamicLibrary> load(const std::string& fileName, std::string* error = nullptr);
    // Loads exactly this file.
    static std::unique_ptr<DynamicLibrary> loadPath(const std::filesystem::path& path,
                                                    std::string* error = nullptr);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The address of an exported symbol, nullptr when it is missing.
    void* symbol(const char* name) const;
    const std::filesystem::path& path() const { return path_; }

private:
    DynamicLibrary(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::filesystem::path path_;
};

// The folder of the running program (/proc/self/exe).
std::filesystem::path programFolder();
