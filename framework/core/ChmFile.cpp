#include "ChmFile.h"

#include <chm_lib.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace {

std::string objectPathOf(std::string_view path) {
    std::string object(path);
    if (object.empty() || object.front() != '/') object.insert(object.begin(), '/');
    return object;
}

bool isPage(std::string_view path) {
    auto endsWith = [&](std::string_view suffix) {
        if (path.size() < suffix.size()) return false;
        const std::string_view tail = path.substr(path.size() - suffix.size());
        return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
        });
    };
    return endsWith(".htm") || endsWith(".html");
}

int collectObject(chmFile*, chmUnitInfo* info, void* context) {
    auto* objects = static_cast<std::vector<std::string>*>(context);
    objects->emplace_back(info->path, strnlen(info->path, CHM_MAX_PATHLEN));
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::unique_ptr<ChmFile> ChmFile::open(const std::filesystem::path& file, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        if (error) *error = "No such help file: " + file.string();
        return nullptr;
    }
    chmFile* handle = chm_open(file.c_str());
    if (!handle) {
        if (error) *error = "Not a compiled help file: " + file.string();
        return nullptr;
    }
    return std::unique_ptr<ChmFile>(new ChmFile(handle, file));
}

ChmFile::~ChmFile() {
    chm_close(handle_);
}

std::optional<std::string> ChmFile::read(std::string_view objectPath, std::size_t maxSize) const {
    const std::string object = objectPathOf(objectPath);
    if (object.size() > CHM_MAX_PATHLEN) return std::nullopt;
    chmUnitInfo info{};
    if (chm_resolve_object(handle_, object.c_str(), &info) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    if (info.length > maxSize) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(info.length), '\0');
    if (info.length == 0) return bytes;
    const LONGINT64 got = chm_retrieve_object(handle_, &info,
                                              reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                              static_cast<LONGINT64>(info.length));
    if (got != static_cast<LONGINT64>(info.length)) return std::nullopt;
    return bytes;
}

bool ChmFile::contains(std::string_view objectPath) const {
    const std::string object = objectPathOf(objectPath);
    if (object.size() > CHM_MAX_PATHLEN) return false;
    chmUnitInfo info{};
    return chm_resolve_object(handle_, object.c_str(), &info) == CHM_RESOLVE_SUCCESS;
}

std::string ChmFile::defaultPage() const {
    // #SYSTEM: a 32-bit version, then records of a 16-bit code, a 16-bit length and the data;
    // code 2 holds the default topic.
    if (const std::optional<std::string> system = read("/#SYSTEM")) {
        const auto word = [&](std::size_t at) {
            return static_cast<std::size_t>(static_cast<uint8_t>((*system)[at])) |
                   static_cast<std::size_t>(static_cast<uint8_t>((*system)[at + 1])) << 8;
        };
        std::size_t at = 4;
        while (at + 4 <= system->size()) {
            const std::size_t code = word(at);
            const std::size_t length = word(at + 2);
            at += 4;
            if (length > system->size() - at) break;
            if (code == 2) {
                std::string topic = system->substr(at, length);
                topic.resize(strnlen(topic.c_str(), topic.size()));
                if (!topic.empty() && contains(topic)) return objectPathOf(topic);
                break;
            }
            at += length;
        }
    }
    for (const char* usual : {"/index.htm", "/index.html", "/default.htm", "/default.html"})
        if (contains(usual)) return usual;
    std::vector<std::string> pages = objects();
    std::sort(pages.begin(), pages.end());
    for (const std::string& page : pages)
        if (isPage(page)) return page;
    return {};
}

std::vector<std::string> ChmFile::objects() const {
    std::vector<std::string> found;
    chm_enumerate(handle_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectObject, &found);
    return found;
}
