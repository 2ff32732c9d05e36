#pragma once
// INI files with the semantics of the Windows profile-file functions, which every settings and
// data file of the program relies on:
// - section and key names compare without regard to (ASCII) case and keep the spelling they were
//   first written with;
// - every read looks at the file as it is now, every write reaches the file at once;
// - a new key goes to the end of its section, a new section to the end of the file;
// - of duplicate keys (or sections) the first one wins;
// - names and values are trimmed of blanks and tabs;
// - lines end in CRLF when written; LF and CRLF are both read;
// - values and key lists are read whole (no length cut).
// Texts are byte strings (the files are Windows-1252); conversion happens at the window boundary.
// A write that fails leaves the file as it was and says why.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Outcome of a write: ok, or the errno and a readable message.
struct ProfileWriteResult {
    int error = 0;        // errno of the failing call, 0 on success
    std::string message;  // what failed, for the user; empty on success
    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }
};
// The same outcome for a read: why a file could not be read.
using ProfileReadResult = ProfileWriteResult;

// Writes bytes as the whole file: a temporary file beside it is renamed over it, so the file is
// the old one or the new one, never a part. An existing file keeps its owner and mode; the folder
// must exist.
ProfileWriteResult writeWholeFile(const std::filesystem::path& target, const std::string& bytes);

// The reads and writes of a profile file, whether each write reaches the file at once
// (ProfileFile) or waits in memory for one commit (ProfileEdit).
class ProfileAccess {
public:
    virtual ~ProfileAccess() = default;

    // The value of key in section, or nothing when the file, section or key is missing.
    virtual std::optional<std::string> value(std::string_view section, std::string_view key) const = 0;
    // GetPrivateProfileString: the value, or def when missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def = {}) const;
    // GetPrivateProfileInt: the leading decimal number of the value (an optional sign, then
    // digits), def when the key is missing; a value without leading digits gives 0.
    int readInt(std::string_view section, std::string_view key, int def) const;

    // Section names in file order, first spelling, duplicates dropped.
    virtual std::vector<std::string> sectionNames() const = 0;
    // Key names of a section in file order, first spelling, duplicates dropped.
    virtual std::vector<std::string> keyNames(std::string_view section) const = 0;
    // The key = value lines of a section in one walk: what keyNames and a value of each key
    // give, in file order. The texts are valid only during the call.
    using KeyVisitor = std::function<void(std::string_view key, std::string_view value)>;
    virtual void forEachKey(std::string_view section, const KeyVisitor& visit) const = 0;
    virtual bool hasSection(std::string_view section) const = 0;

    // WritePrivateProfileString: set or add key = value. Creates the file (not its folder).
    virtual ProfileWriteResult writeString(std::string_view section, std::string_view key,
                                           std::string_view value) = 0;
    ProfileWriteResult writeInt(std::string_view section, std::string_view key, long long value);
    // Removes the key (every duplicate of it); a missing key is not an error.
    virtual ProfileWriteResult deleteKey(std::string_view section, std::string_view key) = 0;
    // Removes the section with all its keys; a missing section is not an error.
    virtual ProfileWriteResult deleteSection(std::string_view section) = 0;
};

class ProfileFile final : public ProfileAccess {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }
    bool exists() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const override;
    std::vector<std::string> sectionNames() const override;
    std::vector<std::string> keyNames(std::string_view section) const override;
    void forEachKey(std::string_view section, const KeyVisitor& visit) const override;
    bool hasSection(std::string_view section) const override;
    ProfileWriteResult writeString(std::string_view section, std::string_view key,
                                   std::string_view value) override;
    ProfileWriteResult deleteKey(std::string_view section, std::string_view key) override;
    ProfileWriteResult deleteSection(std::string_view section) override;

private:
    std::filesystem::path path_;
};

// Changes to one file gathered in memory and written in one step: commit() replaces the file once
// (a temporary file renamed over it, the rules of the single writes), so the file holds either
// none or all of the changes, never a part. Reads see the changes made so far.
//
// The file is read when the edit begins; commit() applies the recorded changes to the file as it
// is then, so a write made meanwhile is kept. Only names and values that cannot be written fail
// before commit(); commit() reports whatever else goes wrong and then leaves the file as it was
// and the changes pending. An edit never committed changes nothing.
//
// A reader that must tell why a file cannot be read uses an edit too: readResult() says, and
// every read sees that one snapshot of the file. The text is parsed once per change, so a reader
// of many keys (a parameter description) takes an edit rather than a ProfileFile, which reads
// the file for every call.
//
//   ProfileEdit edit(ProfileFile(path));
//   edit.deleteSection("Parameter");
//   edit.writeString("Parameter", "P_1", "5");
//   if (ProfileWriteResult r = edit.commit(); !r) show(r.message);
class ProfileEdit final : public ProfileAccess {
public:
    explicit ProfileEdit(ProfileFile file);

    const ProfileFile& file() const { return file_; }
    // Outcome of reading the file when the edit began (or after the last commit): ok when it
    // was read; ENOENT when it did not exist (a commit creates it); any other error when it exists
    // but cannot be read (no permission, a folder, an I/O error): it then reads as empty and a
    // commit refuses to replace it.
    const ProfileReadResult& readResult() const { return readResult_; }

    // The reads see the file's text with the changes made so far.
    std::optional<std::string> value(std::string_view section, std::string_view key) const override;
    std::vector<std::string> sectionNames() const override;
    std::vector<std::string> keyNames(std::string_view section) const override;
    void forEachKey(std::string_view section, const KeyVisitor& visit) const override;
    bool hasSection(std::string_view section) const override;

    // The writes are recorded in memory. They fail only for a name or value that cannot be
    // written, and then record nothing.
    ProfileWriteResult writeString(std::string_view section, std::string_view key,
                                   std::string_view value) override;
    ProfileWriteResult deleteKey(std::string_view section, std::string_view key) override;
    ProfileWriteResult deleteSection(std::string_view section) override;

    // Whether changes wait for commit().
    bool pending() const { return !changes_.empty(); }
    // Writes every recorded change in one step; nothing to write is success. On success nothing
    // is pending any more and the reads show the file as written.
    ProfileWriteResult commit();

    // One recorded change.
    struct Change {
        enum Kind { Set, EraseKey, EraseSection } kind;
        std::string section;
        std::string key;
        std::string value;
    };

private:
    void record(Change change);
    // text_ parsed for reading, its many names indexed; made on the first read after a change.
    struct Lines;
    const Lines& lines() const;

    ProfileFile file_;
    ProfileReadResult readResult_;
    std::string text_;  // the file's bytes with the changes applied
    std::vector<Change> changes_;
    mutable std::shared_ptr<const Lines> lines_;
};

// Case-insensitive (ASCII) equality, the comparison the profile files use for names.
bool equalsNoCase(std::string_view a, std::string_view b);
