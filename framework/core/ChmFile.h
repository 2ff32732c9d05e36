#pragma once
// Reading the pages of a compiled help file (.chm) with chmlib.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

class ChmFile {
public:
    // nullptr when the file is missing or no help file; `error` then says why.
    static std::unique_ptr<ChmFile> open(const std::filesystem::path& file, std::string* error = nullptr);
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The bytes of an object ("/1203.htm"; a missing leading '/' is added); nothing when the
    // file holds no such object or it cannot be read. Objects above maxSize are refused.
    std::optional<std::string> read(std::string_view objectPath,
                                    std::size_t maxSize = 64u << 20) const;
    bool contains(std::string_view objectPath) const;
    // The page a bare file name opens: the default topic the file names, else "/index.htm" or
    // "/default.htm" when present, else its first page (.htm / .html); empty when it has none.
    std::string defaultPage() const;
    // The ordinary objects (no meta data), as stored.
    std::vector<std::string> objects() const;

private:
    ChmFile(chmFile* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
    chmFile* handle_;
    std::filesystem::path path_;
};
