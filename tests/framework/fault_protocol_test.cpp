// The fault-memory protocol file through real files: the saved section byte for byte, the reader,
// the print record of a window's entries, and saves that fail.
#include "FaultProtocol.h"

#include "ReadOnlyFile.h"
#include "RunAsNobody.h"
#include "TempDir.h"
#include "TestProgramContext.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kSection = "TARVIK ERROR RECORD";

const std::string kHeaderKeys =
    "Date of error record=2009-12-04\r\n"
    "Time of error record=14:05:33\r\n"
    "System=TARVIK\r\n"
    "Part number=841 302 115 0\r\n"
    "Production date=2009-07-01\r\n"
    "Serial number (ecu)=---\r\n"
    "Manufacturer=MAN\r\n"
    "Chassis number=WMA12345678901234\r\n"
    "Vehicle type=Lion's City\r\n"
    "Odometer reading=12000\r\n"
    "Tester=J. M\xFCller\r\n";

const std::string kFkd =
    "[Komponente]\r\n"
    "10=Supply\r\n"
    "50=Ventilblock\r\n"
    "[Fehlerart]\r\n"
    "14=Undervoltage\r\n"
    "92=Kurzschlu\xDF nach Masse\r\n";

FehlerEintrag entry(int32_t komponente, const char* name, int32_t fehlerart, const char* art,
                    int32_t status, int32_t zaehler, int32_t timer) {
    FehlerEintrag e;
    e.KomponentenCode = komponente;
    e.KomponentenName = name;
    e.FehlerartCode = fehlerart;
    e.FehlerartName = art;
    e.Status = status;
    e.Zaehler = zaehler;
    e.Timer = timer;
    return e;
}

// Two entries as the window shows them: a current one with a counter beyond a byte, a stored one.
std::vector<FehlerEintrag> twoEntries() {
    FehlerEintrag valve = entry(50, "Ventilblock", 92, "Kurzschlu\xDF nach Masse", 2, 300, 7);
    valve.Prioritaet = 2;
    valve.Nummer = 3;
    FehlerEintrag supply = entry(10, "Supply", 14, "Undervoltage", 0, 1, 0);
    supply.Nummer = 12;
    supply.ZaehlerArt = 1;  // not saved
    return {valve, supply};
}

std::set<std::string> folderEntries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

class FaultProtocolTest : public ::testing::Test {
protected:
    FaultProtocolTest() {
        context.system = "TARVIK";
        context.ecu = {"10780100", "SW 2.1", "841 302 115 0", "2009-07-01", "---"};
        context.vehicleTexts = {"MAN", "Lion's City", "WMA12345678901234", "12000"};
        context.tester = "J. M\xFCller";
    }
    void TearDown() override { EcuName.clear(); }

    fs::path file() const { return dir / "protocol.FSP"; }
    std::string bytes() const { return TempDir::readFile(file()); }
    ProfileWriteResult save(const std::vector<FehlerEintrag>& entries,
                            const std::function<void(ProfileAccess&)>& supplement = {}) {
        return saveProtocol(file(), kSection, protocolHeader(context), entries, supplement);
    }
    FehlerspeicherProtokoll read() {
        ProtocolRead r = readProtocol(file(), kSection);
        EXPECT_TRUE(r.file) << r.file.message;
        EXPECT_TRUE(r.record);
        return r.record.value_or(FehlerspeicherProtokoll{});
    }

    TempDir dir;
    TestProgramContext context;
};

// --- saving -----------------------------------------------------------------------------------

TEST_F(FaultProtocolTest, SavedSectionByteForByte) {
    ASSERT_TRUE(save(twoEntries()));
    EXPECT_EQ(TempDir::visible(bytes()),
              TempDir::visible("[" + kSection + "]\r\n" + kHeaderKeys +
                               "Error 0 Component=Ventilblock (50)\r\n"
                               "Error 0 Mode=Kurzschlu\xDF nach Masse (92)\r\n"
                               "Error 0 Priority=2\r\n"
                               "Error 0 Status=2\r\n"
                               "Error 0 Counter=300\r\n"
                               "Error 0 Timer=7\r\n"
                               "Error 0 Number=3\r\n"
                               "Error 1 Component=Supply (10)\r\n"
                               "Error 1 Mode=Undervoltage (14)\r\n"
                               "Error 1 Priority=0\r\n"
                               "Error 1 Status=0\r\n"
                               "Error 1 Counter=1\r\n"
                               "Error 1 Timer=0\r\n"
                               "Error 1 Number=12\r\n"));

    ASSERT_TRUE(save({}));
    EXPECT_EQ(TempDir::visible(bytes()),
              TempDir::visible("[" + kSection + "]\r\n" + kHeaderKeys +
                               "Error 0 Component=No message present\r\n"));
}

TEST_F(FaultProtocolTest, SavingAgainReplacesOnlyItsOwnSection) {
    const std::string other = "[OTHER ERROR RECORD]\r\nSystem=OTHER\r\nError 0 Component=Pump (1)\r\n";
    const std::string data = "[FileInfo]\r\nFileType=NORVA Data File\r\n";
    TempDir::writeFile(file(), other + "[" + kSection + "]\r\nStale=1\r\nError 5 Component=Old (5)\r\n" + data);

    ASSERT_TRUE(save(twoEntries()));
    // The hook's keys stand between the header and the entries.
    ASSERT_TRUE(save({twoEntries()[1]}, [](ProfileAccess& f) {
        ASSERT_TRUE(f.writeString(kSection, "Workshop", "North"));
    }));

    const std::string text = bytes();
    EXPECT_EQ(text.substr(0, other.size()), other);
    EXPECT_EQ(text.substr(other.size(), data.size()), data);
    const std::vector<std::string> keys = ProfileFile(file()).keyNames(kSection);
    ASSERT_EQ(keys.size(), 11u + 1u + 7u);
    EXPECT_EQ(keys[10], "Tester");
    EXPECT_EQ(keys[11], "Workshop");
    EXPECT_EQ(keys[12], "Error 0 Component");
    EXPECT_EQ(ProfileFile(file()).readString(kSection, "Error 0 Component"), "Supply (10)");
}

TEST_F(FaultProtocolTest, FailedSaveLeavesTheFileAsItWas) {
    const std::string original = "[" + kSection + "]\r\nError 0 Component=Kept (1)\r\n";
    struct Case {
        const char* name;
        bool needsNobody;  // a permission that binds only an unprivileged user
        std::function<bool(TempDir&, const fs::path&)> prepare;  // false: skip
        std::function<void(TempDir&, const fs::path&)> restore;
        std::set<int> errors;
    };
    std::unique_ptr<ReadOnlyFile> readOnly;
    const Case cases[] = {
        {"read-only file", false,
         [&](TempDir&, const fs::path& f) {
             readOnly = std::make_unique<ReadOnlyFile>(f);
             return readOnly->active();
         },
         [&](TempDir&, const fs::path&) { readOnly.reset(); }, {EACCES, EPERM}},
        {"folder not writable", true,
         [](TempDir& d, const fs::path&) {
             fs::permissions(d.path(), fs::perms(0555));
             return true;
         },
         [](TempDir& d, const fs::path&) { fs::permissions(d.path(), fs::perms(0755)); }, {EACCES}},
        {"unreadable file", true,
         [](TempDir& d, const fs::path& f) {
             fs::permissions(d.path(), fs::perms(0755));
             fs::permissions(f, fs::perms(0200));
             return true;
         },
         [](TempDir&, const fs::path& f) { fs::permissions(f, fs::perms(0644)); }, {EACCES}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const fs::path target = folder / "protocol.FSP";
        TempDir::writeFile(target, original);
        if (!c.prepare(folder, target)) {
            c.restore(folder, target);
            continue;
        }
        const FehlerspeicherProtokoll header = protocolHeader(context);
        const std::vector<FehlerEintrag> entries = twoEntries();
        auto attempt = [&] { return saveProtocol(target, kSection, header, entries); };
        if (c.needsNobody && runningAsRoot()) {
            const std::optional<int32_t> error = runAsNobody([&] { return int32_t(attempt().error); });
            ASSERT_TRUE(error);
            EXPECT_TRUE(c.errors.count(*error)) << *error;
        } else {
            const ProfileWriteResult r = attempt();
            EXPECT_TRUE(c.errors.count(r.error)) << r.message;
            EXPECT_NE(r.message.find(target.string()), std::string::npos) << r.message;
        }
        c.restore(folder, target);
        EXPECT_EQ(TempDir::readFile(target), original);
        EXPECT_EQ(folderEntries(folder.path()), std::set<std::string>{"protocol.FSP"});
    }

    // The disk fills up half-way (a file-size limit in a child process): the old protocol stays
    // whole, not half of a new one.
    TempDir::writeFile(file(), original);
    const std::optional<int32_t> full = runInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{original.size() + 200, original.size() + 200};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return int32_t(save(twoEntries()).error);
    });
    EXPECT_EQ(full, std::optional<int32_t>(EFBIG));
    EXPECT_EQ(bytes(), original);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"protocol.FSP"});
    fs::remove(file());

    // A folder chosen as the file.
    fs::create_directory(file());
    const ProfileWriteResult r = save(twoEntries());
    EXPECT_EQ(r.error, EISDIR) << r.message;
    EXPECT_NE(r.message.find(file().string()), std::string::npos) << r.message;
    EXPECT_TRUE(fs::is_empty(file()));
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"protocol.FSP"});
}

TEST_F(FaultProtocolTest, SectionNameFallsBackToTheSystemName) {
    EcuName.clear();
    EXPECT_EQ(protocolSectionName("TARVIK"), "TARVIK ECU ERROR RECORDS");
    EXPECT_EQ(protocolSectionName("OTHER"), "TARVIK ECU ERROR RECORDS");  // set once
    EcuName.clear();
    EXPECT_EQ(protocolSectionName("SUSPENSION CONTROL"), "SUSPENSION CONTROL ECU ERROR RE");
    EcuName = "TARVIK ERROR RECORD";
    EXPECT_EQ(protocolSectionName("OTHER"), "TARVIK ERROR RECORD");
}

// --- reading ----------------------------------------------------------------------------------

std::string entryKeys(int index) {
    const std::string n = std::to_string(index);
    return "Error " + n + " Component=Part " + n + " (" + n + ")\r\nError " + n + " Mode=Mode (" + n +
           ")\r\nError " + n + " Status=1\r\n";
}

TEST_F(FaultProtocolTest, EntryCountOfASection) {
    std::string many;
    for (int i = 0; i < 120; ++i) many += entryKeys(i);
    struct Case {
        const char* name;
        std::string keys;
        int anzahl;
        std::string firstComponent;
    } cases[] = {
        {"entries 0, 1, 2", entryKeys(0) + entryKeys(1) + entryKeys(2), 3, "Part 0 (0)"},
        {"entry 1 missing", entryKeys(0) + entryKeys(2) + entryKeys(3), 1, "Part 0 (0)"},
        {"component keys only", "Error 0 Component=A (1)\r\nError 1 Component=B (2)\r\n", 2, "A (1)"},
        {"the saved empty memory", "Tester=Bob\r\nError 0 Component=No message present\r\n", 0,
         "No message present"},
        {"header only", "Tester=Bob\r\n", 0, ""},
        {"more than 100", many, 100, "Part 0 (0)"},
        {"keys spelled otherwise", "ERROR 0 COMPONENT=A (1)\r\nerror 0 mode=M (2)\r\n", 1, "A (1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::writeFile(file(), "[" + kSection + "]\r\n" + c.keys);
        const FehlerspeicherProtokoll r = read();
        EXPECT_EQ(r.Anzahl, c.anzahl);
        EXPECT_EQ(r.Eintraege[0].KomponenteMitCode, c.firstComponent);
    }
}

// An entry's keys are exactly "Error <index> <name>" without regard to case; the first of a
// repeated key wins.
TEST_F(FaultProtocolTest, KeysThatAreNoEntryKeys) {
    const std::string first = "Error 0 Component=A (1)\r\nError 0 Mode=M (2)\r\n";
    struct Case {
        const char* name;
        std::string keys;
        int anzahl;
    } cases[] = {
        {"a leading zero", first + "Error 01 Component=B (3)\r\n", 1},
        {"two blanks", first + "Error  1 Component=B (3)\r\n", 1},
        {"a sign", first + "Error +1 Component=B (3)\r\n", 1},
        {"a longer name", first + "Error 1 Components=B (3)\r\n", 1},
        {"a comment", first + ";Error 1 Component=B (3)\r\n", 1},
        {"blanks around the name", first + "  eRRoR 1 componenT  = B (3)\r\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::writeFile(file(), "[" + kSection + "]\r\n" + c.keys);
        EXPECT_EQ(read().Anzahl, c.anzahl);
    }

    TempDir::writeFile(file(), "[" + kSection + "]\r\nError 0 Component=A (1)\r\nERROR 0 COMPONENT=Z (9)\r\n"
                               "error 0 mode=M (2)\r\nError 0 Mode=N (3)\r\nError 0 Status=1\r\nError 0 status=0\r\n"
                               "System=first\r\nSYSTEM=second\r\n");
    const FehlerspeicherProtokoll r = read();
    EXPECT_EQ(r.Anzahl, 1);
    EXPECT_EQ(r.Eintraege[0], (fehl_strct{1, 0, 0, "A (1)", "M (2)"}));
    EXPECT_EQ(r.System, "first");
}

TEST_F(FaultProtocolTest, EntryAndHeaderValues) {
    TempDir::writeFile(file(), "[" + kSection + "]\r\n"
                               "System=TARVIK\r\n"
                               "Tester=\r\n"
                               "Tester Name=Bob\r\n"
                               "Error 0 Component=Ventilblock (50)\r\n"
                               "Error 0 Mode=Kurzschlu\xDF (92)\r\n"
                               "Error 0 Priority=7\r\n"
                               "Error 0 Status=2\r\n"
                               "Error 0 Counter=300\r\n"
                               "Error 0 Timer=-1\r\n"
                               "Error 1 Component=Supply (10)\r\n"
                               "Error 1 Status=x1\r\n"
                               "Error 1 Counter=$10\r\n");
    const FehlerspeicherProtokoll r = read();
    EXPECT_EQ(r.System, "TARVIK");
    EXPECT_EQ(r.Pruefer, "Bob");
    EXPECT_EQ(r.Datum, "");
    EXPECT_EQ(r.Anzahl, 2);
    EXPECT_EQ(r.Eintraege[0], (fehl_strct{1, 44, 255, "Ventilblock (50)", "Kurzschlu\xDF (92)"}));
    EXPECT_EQ(r.Eintraege[1], (fehl_strct{0, 16, 0, "Supply (10)", ""}));

    TempDir::writeFile(file(), "[" + kSection + "]\r\nTester=Alice\r\nTester Name=Bob\r\n");
    EXPECT_EQ(read().Pruefer, "Alice");
}

TEST_F(FaultProtocolTest, FilesThatGiveNoProtocol) {
    TempDir::writeFile(file(), "[OTHER ERROR RECORD]\r\nError 0 Component=A (1)\r\n[" + kSection + "]\r\n");
    ProtocolRead r = readProtocol(file(), kSection);
    EXPECT_TRUE(r.file);
    EXPECT_FALSE(r.record) << "an empty section";

    r = readProtocol(dir / "missing.FSP", kSection);
    EXPECT_EQ(r.file.error, ENOENT);
    EXPECT_FALSE(r.record);

    fs::create_directory(dir / "folder.FSP");
    r = readProtocol(dir / "folder.FSP", kSection);
    EXPECT_EQ(r.file.error, EISDIR);
    EXPECT_NE(r.file.message.find((dir / "folder.FSP").string()), std::string::npos) << r.file.message;
}

// --- the print record of a window's entries ---------------------------------------------------

TEST_F(FaultProtocolTest, PrintRecordOfTheShownEntries) {
    TempDir::writeFile(dir / "TARVIK.FKD", kFkd);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    std::vector<FehlerEintrag> shown = twoEntries();
    shown[1].KomponentenName = "stale text";  // looked up afresh
    shown.push_back(entry(77, "", 3, "", 0, -2, 256));

    const FehlerspeicherProtokoll header = protocolHeader(context);
    const FehlerspeicherProtokoll r = protocolOfEntries(header, shown, texts);
    EXPECT_EQ(r.Pruefer, "J. M\xFCller");
    EXPECT_EQ(r.Uhrzeit, "14:05:33");
    EXPECT_EQ(r.Anzahl, 3);
    EXPECT_EQ(r.Eintraege[0], (fehl_strct{1, 44, 7, "Ventilblock (50)", "Kurzschlu\xDF nach Masse (92)"}));
    EXPECT_EQ(r.Eintraege[1], (fehl_strct{0, 1, 0, "Supply (10)", "Undervoltage (14)"}));
    EXPECT_EQ(r.Eintraege[2], (fehl_strct{0, 254, 0, "Unknown (77)", "Unknown (3)"}));

    const FehlerspeicherProtokoll none = protocolOfEntries(header, {}, texts);
    EXPECT_EQ(none.Anzahl, 0);
    EXPECT_EQ(none.Eintraege[0].KomponenteMitCode, "No message present");

    const std::vector<FehlerEintrag> full(150, shown[0]);
    EXPECT_EQ(protocolOfEntries(header, full, texts).Anzahl, 100);
}

TEST_F(FaultProtocolTest, SavedProtocolReadsBackAsThePrintRecord) {
    TempDir::writeFile(dir / "TARVIK.FKD", kFkd);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    for (const std::vector<FehlerEintrag>& shown : {twoEntries(), std::vector<FehlerEintrag>{}}) {
        SCOPED_TRACE(shown.size());
        ASSERT_TRUE(save(shown));
        EXPECT_EQ(read(), protocolOfEntries(protocolHeader(context), shown, texts));
    }
}

}  // namespace
