#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ProfileFile.h"
#include "ReadOnlyFile.h"
#include "RunAsNobody.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

std::set<std::string> folderEntries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

std::string visible(const std::string& bytes) {
    return TempDir::visible(bytes);
}

class ProfileFileTest : public ::testing::Test {
  protected:
    fs::path file() const { return dir / "test.ini"; }
    void put(const std::string& bytes) const { TempDir::writeFile(file(), bytes); }
    std::string bytes() const { return TempDir::readFile(file()); }

    TempDir dir;
    ProfileFile ini{dir / "test.ini"};
};

// ---- names ---------------------------------------------------------------------------------

TEST_F(ProfileFileTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(ini.writeString("Optionen", "AutoStart", "1"));
    ASSERT_TRUE(ini.writeString("OPTIONEN", "autostart", "0"));

    EXPECT_EQ(bytes(), "[Optionen]\r\nAutoStart=0\r\n");
    EXPECT_EQ(ini.readString("optionen", "AUTOSTART"), "0");
    EXPECT_EQ(ini.sectionNames(), std::vector<std::string>{"Optionen"});
    EXPECT_EQ(ini.keyNames("OPTIONEN"), std::vector<std::string>{"AutoStart"});
    EXPECT_TRUE(ini.hasSection("optionEN"));
}

TEST(EqualsNoCaseTest, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(equalsNoCase("Optionen", "OPTIONEN"));
    EXPECT_TRUE(equalsNoCase("X-Position", "x-position"));
    EXPECT_FALSE(equalsNoCase("Optionen", "Option"));
    EXPECT_FALSE(equalsNoCase("a", "b"));
    EXPECT_FALSE(equalsNoCase("[", "{"));  // 0x5B vs 0x7B: not letters
    EXPECT_FALSE(equalsNoCase("\xC4", "\xE4"));
    EXPECT_TRUE(equalsNoCase("", ""));
}

// ---- reading -------------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST_F(ProfileFileTest, ReadsValuesAsWindowsDoes) {
    const ReadCase cases[] = {
        {"CRLF", "[A]\r\nk=v\r\n", "A", "k", "v"},
        {"LF only", "[A]\nk=v\nz=2\n", "A", "k", "v"},
        {"mixed line ends", "[A]\r\nx=1\nk=v\r\n[B]\nk=w\n", "B", "k", "w"},
        {"no final newline", "[A]\r\nk=v", "A", "k", "v"},
        {"cut short CRLF at the end", "[A]\r\nk=v\r", "A", "k", "v"},
        {"blanks and tabs trimmed", "  [ A ]\t\r\n\t k \t=\t v w \t\r\n", "A", "k", "v w"},
        {"names looked up trimmed", "[A]\r\nk=v\r\n", " A\t", "\tk ", "v"},
        {"case of section and key", "[Optionen]\nAutoStart=1\n", "OPTIONEN", "autostart", "1"},
        {"value holds '=' and ';'", "[A]\nk=a=b ; c;d\n", "A", "k", "a=b ; c;d"},
        {"empty value is present", "[A]\nk=\n", "A", "k", ""},
        {"first duplicate key wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        {"first duplicate section wins", "[A]\nk=1\n[B]\n[a]\nk=2\n", "a", "k", "1"},
        {"only the first duplicate section counts", "[A]\nx=1\n[a]\nk=2\n", "A", "k", std::nullopt},
        {"key in another section", "[A]\n[B]\nk=1\n", "A", "k", std::nullopt},
        {"key before any section", "k=1\n[A]\n", "A", "k", std::nullopt},
        {"comment line", "[A]\n;k=1\n  ; k=2\n", "A", "k", std::nullopt},
        {"line without '='", "[A]\nk\n", "A", "k", std::nullopt},
        {"header without ']'", "[A\nk=1\n", "A", "k", std::nullopt},
        {"text after the header", "[A] ; main\nk=1\n", "A", "k", "1"},
        {"8-bit bytes", "[\xC4rger]\n\xFC\x62=\xE4\xDF\n", "\xC4rger", "\xFC\x62", "\xE4\xDF"},
        {"8-bit letters are not folded", "[A]\n\xE4=1\n", "A", "\xC4", std::nullopt},
        {"missing section", "[A]\nk=1\n", "B", "k", std::nullopt},
        {"empty file", "", "A", "k", std::nullopt},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.content);
        EXPECT_EQ(ini.value(c.section, c.key), c.expected);
        EXPECT_EQ(ini.readString(c.section, c.key, "DEF"), c.expected.value_or("DEF"));
    }
}

TEST_F(ProfileFileTest, MissingFileReadsAsEmpty) {
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.value("A", "k"), std::nullopt);
    EXPECT_EQ(ini.readString("A", "k", "def"), "def");
    EXPECT_EQ(ini.readInt("A", "k", 42), 42);
    EXPECT_TRUE(ini.sectionNames().empty());
    EXPECT_TRUE(ini.keyNames("A").empty());
    EXPECT_FALSE(ini.hasSection("A"));

    // A folder in the file's place cannot be read either.
    ProfileFile folder(dir.path());
    EXPECT_EQ(folder.readString("A", "k", "def"), "def");
}

TEST_F(ProfileFileTest, UnreadableFileReadsAsEmpty) {
    if (runningAsRoot()) GTEST_SKIP() << "root reads files whatever their mode";
    put("[A]\r\nk=1\r\n");
    fs::permissions(file(), fs::perms::owner_write);
    EXPECT_TRUE(ini.exists());
    EXPECT_EQ(ini.readString("A", "k", "def"), "def");
    EXPECT_TRUE(ini.sectionNames().empty());
}

TEST_F(ProfileFileTest, EveryReadSeesTheFileAsItIsNow) {
    ProfileFile other(file());
    ASSERT_TRUE(ini.writeString("A", "k", "1"));
    EXPECT_EQ(other.readString("A", "k"), "1");

    put("[A]\nk=2\n[B]\n");
    EXPECT_EQ(ini.readString("A", "k"), "2");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"A", "B"}));

    ASSERT_TRUE(other.writeString("A", "k", "3"));
    EXPECT_EQ(ini.readString("A", "k"), "3");

    fs::remove(file());
    EXPECT_EQ(ini.value("A", "k"), std::nullopt);
    EXPECT_FALSE(ini.exists());
}

TEST_F(ProfileFileTest, LongValuesAndKeyListsAreReadWhole) {
    std::string longValue;
    for (int i = 0; longValue.size() < 5000; ++i) longValue += std::to_string(i % 10);
    longValue += "=end";
    std::string content = "[A]\r\nlong=" + longValue + "\r\n[Many]\r\n";
    std::vector<std::string> keys;
    size_t listBytes = 0;
    for (int i = 0; listBytes <= 20000; ++i) {
        keys.push_back("Key_Number_" + std::to_string(i));
        listBytes += keys.back().size() + 1;
        content += keys.back() + "=" + std::to_string(i) + "\r\n";
    }
    put(content);

    EXPECT_EQ(ini.readString("A", "long"), longValue);
    EXPECT_EQ(ini.keyNames("Many"), keys);
    EXPECT_EQ(ini.readString("Many", keys.back()), std::to_string(keys.size() - 1));

    // And a long value written reads back whole.
    std::string written(10000, 'x');
    ASSERT_TRUE(ini.writeString("B", "long", written));
    EXPECT_EQ(ini.readString("B", "long"), written);
}

struct IntCase {
    const char* stored;  // nullptr: key missing
    int expected;
};

TEST_F(ProfileFileTest, ReadIntTakesTheLeadingDecimalNumber) {
    const int def = 99;
    const IntCase cases[] = {
        {"12", 12},
        {"-3", -3},
        {"+4", 4},
        {" 7x", 7},
        {"x", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x1F", 0},
        {"007", 7},
        {"", def},  // an empty value counts as missing
        {nullptr, def},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999", INT_MAX},  // out of range stops at the limit
        {"-99999999999", INT_MIN},
    };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(c.stored ? std::string("\"") + c.stored + "\"" : "missing");
        put(c.stored ? std::string("[A]\r\nk=") + c.stored + "\r\n" : "[A]\r\nother=1\r\n");
        EXPECT_EQ(ini.readInt("A", "k", def), c.expected);
    }
}

TEST_F(ProfileFileTest, WriteIntWritesDecimal) {
    ASSERT_TRUE(ini.writeInt("A", "neg", -42));
    ASSERT_TRUE(ini.writeInt("A", "big", 5000000000LL));
    EXPECT_EQ(bytes(), "[A]\r\nneg=-42\r\nbig=5000000000\r\n");
    EXPECT_EQ(ini.readInt("A", "neg", 0), -42);
}

TEST_F(ProfileFileTest, ListsNamesInFileOrderWithoutDuplicates) {
    put("k=0\r\n[A]\r\nx=1\r\nX=2\r\n; y=0\r\ny=3\r\n[b]\r\nq=1\r\n[a]\r\nz=1\r\n[B]\r\n[C]\r\n");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"A", "b", "C"}));
    EXPECT_EQ(ini.keyNames("a"), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(ini.keyNames("B"), std::vector<std::string>{"q"});
    EXPECT_TRUE(ini.keyNames("C").empty());
    EXPECT_TRUE(ini.keyNames("D").empty());
    EXPECT_TRUE(ini.hasSection("c"));
    EXPECT_FALSE(ini.hasSection("D"));
}

// Files with many sections and many keys per section are read by the same rules as small ones:
// first of duplicate sections and keys wins, names compare without case and keep their first
// spelling, blanks around names and values do not count, comments are no keys.
class ProfileFileSizeTest : public ::testing::TestWithParam<int> {
  protected:
    // `count` sections S0.. with `count` keys K0.. each (value v<s>.<k>), every key then again in
    // lower case with another value and as a comment, and every section again in lower case.
    static std::string text(int count) {
        std::string t = "orphan=before any section\r\n";
        for (int pass = 0; pass < 2; ++pass) {
            for (int s = 0; s < count; ++s) {
                t += pass == 0 ? "[ S" + std::to_string(s) + " ]\r\n" : "[s" + std::to_string(s) + "]\n";
                for (int k = 0; k < count; ++k)
                    t += " K" + std::to_string(k) + " = v" + std::to_string(s) + "." + std::to_string(k) +
                         (pass ? "x" : "") + "\t\r\n";
                for (int k = 0; k < count; ++k)
                    t += "k" + std::to_string(k) + "=later\n;K" + std::to_string(k) + "=comment\r\n";
            }
        }
        return t;
    }
    TempDir dir;
};

TEST_P(ProfileFileSizeTest, ReadsEveryKeyAsTheRulesSay) {
    const int count = GetParam();
    const fs::path path = dir / "many.ini";
    TempDir::writeFile(path, text(count));
    std::vector<std::string> sections, keys;
    for (int i = 0; i < count; ++i) {
        sections.push_back("S" + std::to_string(i));
        keys.push_back("K" + std::to_string(i));
    }
    // Every section and key through an edit; a few through the file, which reads at each call.
    const ProfileEdit edit{ProfileFile(path)};
    const ProfileFile file(path);
    const std::vector<int> all = [&] {
        std::vector<int> v;
        for (int i = 0; i < count; ++i) v.push_back(i);
        return v;
    }();
    const std::vector<int> few{0, 1, count - 1};
    for (const auto& [reader, which] : {std::pair<const ProfileAccess*, const std::vector<int>*>{&edit, &all},
                                        std::pair<const ProfileAccess*, const std::vector<int>*>{&file, &few}}) {
        EXPECT_EQ(reader->sectionNames(), sections);
        for (int s : *which) {
            const std::string section = (s % 2 ? "s" : "S") + std::to_string(s);
            EXPECT_EQ(reader->keyNames(section), keys) << section;
            std::vector<std::string> walked;
            reader->forEachKey(section, [&](std::string_view key, std::string_view value) {
                walked.emplace_back(key);
                EXPECT_EQ(value, reader->value(section, key)) << section << " " << key;
            });
            EXPECT_EQ(walked, keys) << section;
            for (int k : *which) {
                const std::string key = (k % 2 ? " k" : "K") + std::to_string(k);
                EXPECT_EQ(reader->value(section, key), "v" + std::to_string(s) + "." + std::to_string(k))
                    << section << " " << key;
            }
            EXPECT_EQ(reader->value(section, "K" + std::to_string(count)), std::nullopt);
            EXPECT_EQ(reader->value(section, "orphan"), std::nullopt);
            EXPECT_TRUE(reader->hasSection(section));
        }
        EXPECT_FALSE(reader->hasSection("S" + std::to_string(count)));
        EXPECT_EQ(reader->value("S" + std::to_string(count), "K0"), std::nullopt);
    }
}

// Below and above the number of names that are still compared one by one.
INSTANTIATE_TEST_SUITE_P(Sizes, ProfileFileSizeTest, ::testing::Values(3, 40));

// ---- writing -------------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;  // exact bytes
};

TEST_F(ProfileFileTest, WritesChangeOnlyWhatIsAsked) {
    const WriteCase cases[] = {
        {"new key at the end of its section, other sections follow", "[A]\r\na=1\r\n[B]\r\nb=2\r\n",
         "A", "c", "3", "[A]\r\na=1\r\nc=3\r\n[B]\r\nb=2\r\n"},
        {"new key before trailing blank and comment lines",
         "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\n", "A", "c", "3",
         "[A]\r\na=1\r\nc=3\r\n\r\n; about B\r\n[B]\r\n"},
        {"new key in an empty section", "[A]\r\n[B]\r\nb=2\r\n", "a", "c", "3",
         "[A]\r\nc=3\r\n[B]\r\nb=2\r\n"},
        {"new key after a last line without newline", "[A]\r\na=1", "A", "c", "3",
         "[A]\r\na=1\r\nc=3\r\n"},
        {"new section at the end", "[A]\r\na=1\r\n", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
        {"new section after a last line without newline", "; only a comment", "B", "b", "2",
         "; only a comment\r\n[B]\r\nb=2\r\n"},
        {"new section into an empty file", "", "B", "b", "2", "[B]\r\nb=2\r\n"},
        {"keys before any section are left alone", "a=0\r\n[A]\r\n", "A", "a", "1",
         "a=0\r\n[A]\r\na=1\r\n"},
        {"first duplicate key is changed", "[A]\r\nk=1\r\nk=2\r\n", "A", "K", "3",
         "[A]\r\nk=3\r\nk=2\r\n"},
        {"first duplicate section is changed", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n", "A", "k", "3",
         "[A]\r\nk=3\r\n[B]\r\n[a]\r\nk=2\r\n"},
        {"new key goes to the first duplicate section", "[A]\r\n[B]\r\n[a]\r\nx=1\r\n", "a", "x",
         "5", "[A]\r\nx=5\r\n[B]\r\n[a]\r\nx=1\r\n"},
        {"names and value trimmed", "", " A\t", "\tk ", " v w\t", "[A]\r\nk=v w\r\n"},
        {"changed line rewritten, others byte for byte",
         "; head\r\n[A]  \r\n; note\r\n  a = 1 \r\nb =\t2\r\n", "A", "a", "5",
         "; head\r\n[A]  \r\n; note\r\na=5\r\nb =\t2\r\n"},
        {"LF lines that are not changed keep their LF", "[A]\na=1\n[B]\nb=2\n", "A", "a", "9",
         "[A]\na=9\r\n[B]\nb=2\n"},
        {"value with '=' and ';'", "[A]\r\n", "A", "k", "a=b;c ; d", "[A]\r\nk=a=b;c ; d\r\n"},
        {"empty value", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
        {"8-bit bytes round-trip", "[\xC4rger]\r\n\xFC=\xE4\r\nx=1\r\n", "\xC4rger", "x",
         "\xDF\xE4", "[\xC4rger]\r\n\xFC=\xE4\r\nx=\xDF\xE4\r\n"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.before);
        ProfileWriteResult r = ini.writeString(c.section, c.key, c.value);
        EXPECT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.error, 0);
        EXPECT_TRUE(r.message.empty());
        EXPECT_EQ(visible(bytes()), visible(c.after));
    }
}

TEST_F(ProfileFileTest, WriteCreatesAMissingFileWithTheUsualMode) {
    mode_t mask = ::umask(0);
    ::umask(mask);

    ProfileWriteResult r = ini.writeString("Optionen", "Vollbild", "1");
    ASSERT_TRUE(r) << r.message;
    ASSERT_TRUE(ini.exists());
    EXPECT_EQ(bytes(), "[Optionen]\r\nVollbild=1\r\n");
    EXPECT_EQ(modeOf(file()), mode_t(0666 & ~mask));
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
}

TEST_F(ProfileFileTest, RewriteKeepsThePermissionBits) {
    put("[A]\r\nk=1\r\n");
    fs::permissions(file(), fs::perms(0640));
    ASSERT_TRUE(ini.writeString("A", "k", "2"));
    EXPECT_EQ(bytes(), "[A]\r\nk=2\r\n");
    EXPECT_EQ(modeOf(file()), mode_t(0640));
}

TEST_F(ProfileFileTest, RewriteKeepsTheOwner) {
    if (!runningAsRoot()) GTEST_SKIP() << "only root may give a file to another user";
    put("[A]\r\nk=1\r\n");
    ASSERT_EQ(::chown(file().c_str(), 65534, 65534), 0);
    ASSERT_TRUE(ini.writeString("A", "k", "2"));
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid_t(65534));
    EXPECT_EQ(st.st_gid, gid_t(65534));
}

TEST_F(ProfileFileTest, WritesThroughSymbolicLinks) {
    fs::create_directory(dir / "real");
    TempDir::writeFile(dir / "real" / "target.ini", "[A]\r\nk=1\r\n");
    fs::create_symlink("real/target.ini", dir / "link.ini");  // relative to the link's folder
    ProfileFile viaLink(dir / "link.ini");

    ASSERT_TRUE(viaLink.writeString("A", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(TempDir::readFile(dir / "real" / "target.ini"), "[A]\r\nk=2\r\n");
    EXPECT_EQ(viaLink.readString("A", "k"), "2");

    // A link whose target does not exist yet creates the target.
    fs::create_symlink("real/new.ini", dir / "dangling.ini");
    ProfileFile dangling(dir / "dangling.ini");
    ASSERT_TRUE(dangling.writeString("B", "x", "1"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(TempDir::readFile(dir / "real" / "new.ini"), "[B]\r\nx=1\r\n");
}

TEST_F(ProfileFileTest, WritersInThreadsLoseNoChange) {
    const int perThread = 40;
    auto writer = [&](const std::string& prefix) {
        ProfileFile own(file());
        for (int i = 0; i < perThread; ++i)
            EXPECT_TRUE(own.writeInt("S", prefix + std::to_string(i), i));
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    EXPECT_EQ(ini.keyNames("S").size(), size_t(2 * perThread));
    EXPECT_EQ(ini.readInt("S", "b39", -1), 39);
}

// ---- deleting ------------------------------------------------------------------------------

struct DeleteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;  // nullptr: delete the section
    std::string after;
};

TEST_F(ProfileFileTest, DeletesKeysAndSections) {
    const DeleteCase cases[] = {
        {"key", "[A]\r\na=1\r\nb=2\r\n[B]\r\na=3\r\n", "A", "a", "[A]\r\nb=2\r\n[B]\r\na=3\r\n"},
        {"every duplicate of a key", "[A]\r\nk=1\r\nx=0\r\n K =2\r\n", "a", "K", "[A]\r\nx=0\r\n"},
        {"last key without newline", "[A]\na=1\nb=2", "A", "b", "[A]\na=1\n"},
        {"missing key", "[A]\r\na=1\r\n", "A", "b", "[A]\r\na=1\r\n"},
        {"key of a missing section", "[A]\r\na=1\r\n", "B", "a", "[A]\r\na=1\r\n"},
        {"key before any section stays", "a=0\r\n[A]\r\na=1\r\n", "A", "a", "a=0\r\n[A]\r\n"},
        {"section with its lines", "; top\r\n[A]\r\na=1\r\n; c\r\n\r\n[B]\r\nb=2\r\n", "a", nullptr,
         "; top\r\n[B]\r\nb=2\r\n"},
        {"every duplicate section", "[A]\r\na=1\r\n[B]\r\nb=2\r\n[a]\r\nc=3\r\n", "A", nullptr,
         "[B]\r\nb=2\r\n"},
        {"last section", "[A]\r\na=1\r\n[B]\r\nb=2", "B", nullptr, "[A]\r\na=1\r\n"},
        {"missing section", "[A]\r\na=1\r\n", "C", nullptr, "[A]\r\na=1\r\n"},
    };
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        put(c.before);
        ProfileWriteResult r =
            c.key ? ini.deleteKey(c.section, c.key) : ini.deleteSection(c.section);
        EXPECT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(visible(bytes()), visible(c.after));
    }
}

TEST_F(ProfileFileTest, DeletingFromAMissingFileCreatesNothing) {
    EXPECT_TRUE(ini.deleteKey("A", "k"));
    EXPECT_TRUE(ini.deleteSection("A"));
    EXPECT_FALSE(ini.exists());

    ProfileFile deep(dir / "no-folder" / "x.ini");
    EXPECT_TRUE(deep.deleteKey("A", "k"));
    EXPECT_TRUE(deep.deleteSection("A"));
    EXPECT_FALSE(fs::exists(dir / "no-folder"));
}

// ---- failures ------------------------------------------------------------------------------

// Every failure case: a changing write, a key delete and a section delete on the same file.
void expectAllWritesFail(ProfileFile& target, int expectedErrno) {
    const ProfileWriteResult results[] = {
        target.writeString("A", "k", "new"),
        target.writeString("New", "k", "1"),
        target.deleteKey("A", "k"),
        target.deleteSection("A"),
    };
    for (const ProfileWriteResult& r : results) {
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(bool(r));
        EXPECT_EQ(r.error, expectedErrno) << r.message;
        EXPECT_NE(r.message.find(target.path().filename().string()), std::string::npos)
            << r.message;
    }
}

const std::string kOriginal = "[A]\r\nk=old\r\n; keep me\r\n";

TEST_F(ProfileFileTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    ProfileFile missing(dir / "no-folder" / "x.ini");
    ProfileWriteResult r = missing.writeString("A", "k", "1");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_NE(r.message.find("does not exist"), std::string::npos) << r.message;
    EXPECT_FALSE(fs::exists(dir / "no-folder"));
}

TEST_F(ProfileFileTest, WriteBelowARegularFileFails) {
    TempDir::writeFile(dir / "plain", kOriginal);
    ProfileFile below(dir / "plain" / "x.ini");
    ProfileWriteResult r = below.writeString("A", "k", "1");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, ENOTDIR) << r.message;
    EXPECT_EQ(TempDir::readFile(dir / "plain"), kOriginal);
}

TEST_F(ProfileFileTest, WriteToAFolderPathFailsAndLeavesTheFolder) {
    fs::create_directory(file());
    TempDir::writeFile(file() / "inside", "x");
    ProfileWriteResult r = ini.writeString("A", "k", "1");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EISDIR) << r.message;
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_EQ(TempDir::readFile(file() / "inside"), "x");
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
}

TEST_F(ProfileFileTest, ReadOnlyFileIsNeitherChangedNorReplaced) {
    put(kOriginal);
    ReadOnlyFile readOnly(file());
    if (!readOnly.active()) GTEST_SKIP() << "root ignores mode 0444 and the file system refuses the immutable flag";

    expectAllWritesFail(ini, readOnly.writeError());
    EXPECT_EQ(bytes(), kOriginal);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});

    // Nothing to change is no failure, even here.
    EXPECT_TRUE(ini.deleteKey("A", "missing"));
    EXPECT_TRUE(ini.writeString("A", "k", "old"));
    EXPECT_EQ(bytes(), kOriginal);
}

TEST_F(ProfileFileTest, ReadOnlyFolderFailsAndLeavesTheFile) {
    if (runningAsRoot()) GTEST_SKIP() << "root may create files in a read-only folder";
    put(kOriginal);
    fs::permissions(dir.path(), fs::perms(0555));
    expectAllWritesFail(ini, EACCES);
    fs::permissions(dir.path(), fs::perms(0755));
    EXPECT_EQ(bytes(), kOriginal);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
}

TEST_F(ProfileFileTest, UnreadableFileIsNotOverwritten) {
    if (runningAsRoot()) GTEST_SKIP() << "root reads files whatever their mode";
    put(kOriginal);
    fs::permissions(file(), fs::perms(0200));
    ProfileWriteResult r = ini.writeString("B", "k", "1");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EACCES) << r.message;
    fs::permissions(file(), fs::perms(0644));
    EXPECT_EQ(bytes(), kOriginal);
}

// A file-size limit cuts the write of the new contents short, as a full disk would.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }

  private:
    rlimit old_{};
    void (*oldSignal_)(int);
};

TEST_F(ProfileFileTest, WriteCutShortLeavesTheOriginal) {
    put(kOriginal);
    ProfileWriteResult r;
    {
        FileSizeLimit limit(16);
        r = ini.writeString("A", "k", std::string(100, 'n'));
    }
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EFBIG) << r.message;
    EXPECT_NE(r.message.find("File too large"), std::string::npos) << r.message;
    EXPECT_EQ(bytes(), kOriginal);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
}

struct BadWrite {
    const char* name;
    std::string section, key, value;
};

TEST_F(ProfileFileTest, RefusesNamesAndValuesThatWouldNotReadBack) {
    const BadWrite cases[] = {
        {"empty section", " ", "k", "v"},
        {"']' in section", "A]x", "k", "v"},
        {"line break in section", "A\nB", "k", "v"},
        {"empty key", "A", "\t", "v"},
        {"'=' in key", "A", "a=b", "v"},
        {"comment key", "A", ";k", "v"},
        {"header-like key", "A", "[k", "v"},
        {"line break in key", "A", "k\r", "v"},
        {"line break in value", "A", "k", "v\r\n[Evil]\r\nx=1"},
    };
    put(kOriginal);
    for (const BadWrite& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileWriteResult r = ini.writeString(c.section, c.key, c.value);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.error, EINVAL);
        EXPECT_FALSE(r.message.empty());
        EXPECT_EQ(bytes(), kOriginal);
    }
    ProfileFile missing(dir / "new.ini");
    EXPECT_FALSE(missing.writeString("", "k", "v"));
    EXPECT_FALSE(missing.exists());
}

}  // namespace

// ---- batch edits ---------------------------------------------------------------------------

TEST_F(ProfileFileTest, EditChangesTheFileOnlyAtCommitAndInOneStep) {
    put("[Keep]\r\nx=1\r\n[Old]\r\nP_1=5\r\nP_9=7\r\n");
    ProfileEdit edit(ini);
    EXPECT_TRUE(edit.readResult());
    ASSERT_TRUE(edit.deleteSection("old"));
    ASSERT_TRUE(edit.writeString("Old", "P_1", "6"));
    ASSERT_TRUE(edit.writeString("keep", "y", "2"));
    ASSERT_TRUE(edit.writeInt("New", "n", -3));
    ASSERT_TRUE(edit.deleteKey("Keep", "x"));

    // Reads see the changes; the file does not yet.
    EXPECT_EQ(edit.readString("OLD", "p_1"), "6");
    EXPECT_FALSE(edit.value("Old", "P_9"));
    EXPECT_EQ(edit.readInt("New", "n", 0), -3);
    EXPECT_EQ(edit.sectionNames(), (std::vector<std::string>{"Keep", "Old", "New"}));
    EXPECT_EQ(edit.keyNames("Keep"), std::vector<std::string>{"y"});
    EXPECT_TRUE(edit.pending());
    EXPECT_EQ(bytes(), "[Keep]\r\nx=1\r\n[Old]\r\nP_1=5\r\nP_9=7\r\n");

    ASSERT_TRUE(edit.commit());
    EXPECT_FALSE(edit.pending());
    EXPECT_EQ(visible(bytes()), visible("[Keep]\r\ny=2\r\n[Old]\r\nP_1=6\r\n[New]\r\nn=-3\r\n"));
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
    // Nothing pending: nothing written.
    EXPECT_TRUE(edit.commit());
}

TEST_F(ProfileFileTest, EditReadsItsSnapshotWithEachChange) {
    put("k=0\r\n[A]\r\nx=1\r\n[b]\r\nq= 2 \r\n[a]\r\nx=9\r\nz=1\r\n");
    ProfileEdit edit(ini);
    put("[A]\r\nx=5\r\n");
    EXPECT_EQ(edit.readString("a", "X"), "1");
    EXPECT_EQ(edit.readInt("B", "q", 7), 2);
    // The first of two sections of one name wins, as in the file.
    EXPECT_EQ(edit.value("A", "z"), std::nullopt);
    EXPECT_EQ(edit.sectionNames(), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(edit.keyNames("a"), std::vector<std::string>{"x"});
    // A change is seen by the next read, however often the text was read before.
    ASSERT_TRUE(edit.writeString("A", "y", "3"));
    ASSERT_TRUE(edit.deleteSection("b"));
    EXPECT_EQ(edit.keyNames("a"), (std::vector<std::string>{"x", "y"}));
    EXPECT_FALSE(edit.hasSection("B"));
    EXPECT_EQ(edit.readString("A", "y"), "3");
}

TEST_F(ProfileFileTest, EditKeepsAWriteMadeMeanwhile) {
    put("[A]\r\na=1\r\n");
    ProfileEdit edit(ini);
    ASSERT_TRUE(edit.writeString("B", "b", "2"));
    ASSERT_TRUE(ini.writeString("A", "other", "3"));
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(visible(bytes()), visible("[A]\r\na=1\r\nother=3\r\n[B]\r\nb=2\r\n"));
    EXPECT_EQ(edit.readString("A", "other"), "3");
}

TEST_F(ProfileFileTest, EditOfAMissingFileCreatesItOnlyForAWrite) {
    ProfileEdit erasing(ini);
    EXPECT_EQ(erasing.readResult().error, ENOENT);
    ASSERT_TRUE(erasing.deleteSection("A"));
    ASSERT_TRUE(erasing.commit());
    EXPECT_FALSE(ini.exists());

    ProfileEdit writing(ini);
    ASSERT_TRUE(writing.writeString("A", "k", "\xFC"));
    ASSERT_TRUE(writing.commit());
    EXPECT_EQ(bytes(), "[A]\r\nk=\xFC\r\n");
    EXPECT_TRUE(writing.readResult());
}

TEST_F(ProfileFileTest, EditRefusesBadNamesAtOnceAndRecordsNothing) {
    ProfileEdit edit(ini);
    EXPECT_EQ(edit.writeString("A]", "k", "1").error, EINVAL);
    EXPECT_EQ(edit.writeString("A", "k=", "1").error, EINVAL);
    EXPECT_EQ(edit.writeString("A", "k", "1\r\n2").error, EINVAL);
    EXPECT_FALSE(edit.pending());
}

TEST_F(ProfileFileTest, FailedCommitLeavesTheFileAndKeepsTheChanges) {
    put(kOriginal);
    ProfileEdit edit(ini);
    ASSERT_TRUE(edit.deleteSection("A"));
    ASSERT_TRUE(edit.writeString("B", "k", "1"));
    {
        ReadOnlyFile readOnly(file());
        if (!readOnly.active()) GTEST_SKIP() << "the file system refuses the immutable flag";
        const ProfileWriteResult r = edit.commit();
        EXPECT_EQ(r.error, readOnly.writeError()) << r.message;
        EXPECT_NE(r.message.find("test.ini"), std::string::npos) << r.message;
    }
    EXPECT_EQ(bytes(), kOriginal);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"test.ini"});
    EXPECT_TRUE(edit.pending());
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(bytes(), "[B]\r\nk=1\r\n");
}

TEST_F(ProfileFileTest, EditSaysWhyAFileCannotBeRead) {
    fs::create_directory(dir / "folder.ini");
    const ProfileEdit folder(ProfileFile(dir / "folder.ini"));
    EXPECT_EQ(folder.readResult().error, EISDIR);
    EXPECT_NE(folder.readResult().message.find("folder.ini"), std::string::npos);

    put(kOriginal);
    fs::permissions(file(), fs::perms(0200));
    fs::permissions(dir.path(), fs::perms(0711));
    const auto readError = [this]() -> int32_t { return ProfileEdit(ini).readResult().error; };
    // Root reads whatever the mode says; an unprivileged user does not.
    const std::optional<int32_t> error = runningAsRoot() ? runAsNobody(readError) : readError();
    EXPECT_EQ(error, std::optional<int32_t>(EACCES));
}

// ---- temporary files -----------------------------------------------------------------------

namespace {

// A process that has ended: its pid, reaped.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

// A process that runs until the object goes.
class RunningProcess {
  public:
    RunningProcess() : pid_(::fork()) {
        if (pid_ == 0) {
            for (;;) ::pause();
        }
    }
    ~RunningProcess() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_;
};

// A process that dies while it saves `file`: a file-size limit with the signal's default
// action kills it in the middle of writing, as a crash or a kill would.
void crashWhileSaving(const fs::path& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        (void)ProfileFile(file).writeString("A", "k", std::string(4096, 'n'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
}

}  // namespace

// A writer that died leaves its temporary file; the next save of that file removes it, and
// only such: another file's, a live writer's (by its pid or by its lock) and other names stay.
TEST_F(ProfileFileTest, ASaveRemovesWhatDeadWritersOfTheSameFileLeft) {
    const std::string names[] = {"test.ini", std::string(250, 'n') + ".ini"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        const fs::path target = dir / name;
        for (const std::string& entry : folderEntries(dir.path())) fs::remove(dir / entry);
        TempDir::writeFile(target, kOriginal);

        // The second crashed save has already cleared the first one's file: they never pile up.
        ASSERT_NO_FATAL_FAILURE(crashWhileSaving(target));
        ASSERT_NO_FATAL_FAILURE(crashWhileSaving(target));
        std::set<std::string> left = folderEntries(dir.path());
        left.erase(name);
        ASSERT_EQ(left.size(), 1u) << "temporary files of the crashed saves";
        EXPECT_EQ(TempDir::readFile(target), kOriginal);

        // The temporary names of this file start as the crashed writers' did.
        const std::string& leftover = *left.begin();
        const std::string stem = leftover.substr(0, leftover.rfind(".tmp-") + 5);
        const std::string dead = std::to_string(endedProcess());
        RunningProcess running;
        const std::string stays[] = {
            stem + std::to_string(running.pid()) + "-7",  // a writer that still runs
            stem + dead + "-8",                           // its writer's lock is still held
            stem + dead + "-x",
            stem + dead + "-9.bak",
            ".other.ini.tmp-" + dead + "-0",
        };
        for (const std::string& entry : stays) TempDir::writeFile(dir / entry, "partial");
        const int locked = ::open((dir / stays[1]).c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(locked, 0);
        ASSERT_EQ(::flock(locked, LOCK_EX), 0);

        ProfileEdit edit{ProfileFile(target)};
        ASSERT_TRUE(edit.writeString("A", "k", "new"));
        const ProfileWriteResult saved = edit.commit();
        ::close(locked);
        ASSERT_TRUE(saved) << saved.message;

        std::set<std::string> expected(std::begin(stays), std::end(stays));
        expected.insert(name);
        EXPECT_EQ(folderEntries(dir.path()), expected);
        EXPECT_EQ(TempDir::readFile(target), "[A]\r\nk=new\r\n; keep me\r\n");
    }
}

// Every name the folder takes can be saved: the temporary name never grows past the limit
// (255 bytes), also for names of several-byte characters.
TEST_F(ProfileFileTest, FilesWithTheLongestNamesCanBeSaved) {
    std::string umlauts;
    for (int i = 0; i < 127; ++i) umlauts += "\xc3\xa4";  // 254 bytes
    const std::string names[] = {
        std::string(225, 'a'), std::string(240, 'b'), std::string(244, 'c'),
        std::string(250, 'd'), std::string(255, 'e'), umlauts, umlauts + "f",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        const fs::path target = dir / name;
        ProfileFile file(target);
        const ProfileWriteResult first = file.writeString("A", "k", "1");
        ASSERT_TRUE(first) << first.message;
        ProfileEdit edit(file);
        ASSERT_TRUE(edit.writeString("A", "k", "2"));
        const ProfileWriteResult second = edit.commit();
        ASSERT_TRUE(second) << second.message;
        EXPECT_EQ(file.readString("A", "k"), "2");
        EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{name});
        fs::remove(target);
    }
    // One byte more is a name the folder itself refuses.
    const ProfileWriteResult tooLong =
        ProfileFile(dir / std::string(256, 'g')).writeString("A", "k", "1");
    EXPECT_EQ(tooLong.error, ENAMETOOLONG) << tooLong.message;
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}
