// The fault-text file and the fault-table rules of the fault-memory window, without windows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FaultMemoryTable.h"
#include "FaultTextFile.h"
#include "NData.h"
#include "ProfileFile.h"
#include "StringTable.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kFkd =
    "[Komponente]\r\n"
    "3=Level sensor rear\r\n"
    "50=Valve block\r\n"
    "[Fehlerart]\r\n"
    "7=Short circuit to ground\r\n"
    "41=Open circuit\r\n"
    "[Hinweis]\r\n"
    "307=Check the sensor cable.\r\n"
    "5041=Check the valve plug.\r\n";

FehlerEintrag entry(int32_t komponente, int32_t fehlerart, int32_t status, int32_t zaehler = 1) {
    FehlerEintrag e;
    e.KomponentenCode = komponente;
    e.FehlerartCode = fehlerart;
    e.Status = status;
    e.Zaehler = zaehler;
    return e;
}

// A cleared table with the given entries from index 0.
FaultEntryTable tableOf(const std::vector<FehlerEintrag>& entries) {
    FaultEntryTable table{};
    FehlerTabelleLoeschen(table);
    for (std::size_t i = 0; i < entries.size(); ++i) table[i] = entries[i];
    return table;
}

std::vector<int32_t> componentsOf(const FaultEntryTable& table, std::size_t count) {
    std::vector<int32_t> codes;
    for (std::size_t i = 0; i < count; ++i) codes.push_back(table[i].KomponentenCode);
    return codes;
}

// --- the fault-text file ----------------------------------------------------------------------

class FaultTextFileTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(FaultTextFileTest, LooksUpTextsAndHints) {
    TempDir::writeFile(dir / "TARVIK.FKD", kFkd);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    EXPECT_TRUE(texts.exists());
    EXPECT_EQ(texts.KomponentenText(3), "Level sensor rear");
    EXPECT_EQ(texts.FehlerartText(41), "Open circuit");
    // Component 3 with fault type 7 reads the hint key 307.
    EXPECT_EQ(texts.HinweisAnzeige(3, 7), "Check the sensor cable.");
    EXPECT_EQ(texts.HinweisText(50, 41), "Check the valve plug.");
}

TEST_F(FaultTextFileTest, DefaultsForMissingTextsAndFiles) {
    TempDir::writeFile(dir / "TARVIK.FKD", kFkd);
    const FaultTextFile present(dir / "TARVIK.FKD");
    const FaultTextFile missing(dir / "NOTHERE.FKD");
    EXPECT_FALSE(missing.exists());
    ASSERT_EQ(LoadStr(11106), "Unknown");
    for (const FaultTextFile* texts : {&present, &missing}) {
        EXPECT_EQ(texts->KomponentenText(99), "Unknown");
        EXPECT_EQ(texts->FehlerartText(99), "Unknown");
        EXPECT_EQ(texts->HinweisAnzeige(3, 8), "---");
        EXPECT_EQ(texts->HinweisText(3, 8), "Unknown");
    }
    // A code read as the key of another section gives nothing.
    EXPECT_EQ(present.KomponentenText(7), "Unknown");
}

// The poll looks texts up twice a second: the file is parsed once and again only when it changed.
TEST_F(FaultTextFileTest, ReadAgainOnlyWhenTheFileChanged) {
    const fs::path file = dir / "TARVIK.FKD";
    TempDir::writeFile(file, "[Komponente]\r\n1=alpha\r\n");
    const FaultTextFile texts(file);
    ASSERT_EQ(texts.KomponentenText(1), "alpha");
    const fs::file_time_type written = fs::last_write_time(file);

    // New text of the same size with the old time stamp: the parsed text stays in use.
    TempDir::writeFile(file, "[Komponente]\r\n1=bravo\r\n");
    fs::last_write_time(file, written);
    EXPECT_EQ(texts.KomponentenText(1), "alpha");
    // A copy shares what was read.
    const FaultTextFile copy = texts;
    EXPECT_EQ(copy.KomponentenText(1), "alpha");

    // A later modification time, or another size, is a change.
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(texts.KomponentenText(1), "bravo");
    TempDir::writeFile(file, "[Komponente]\r\n1=charlie\r\n");
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(texts.KomponentenText(1), "charlie");

    // Gone: the defaults; put back in another spelling: found again.
    fs::remove(file);
    EXPECT_EQ(texts.KomponentenText(1), "Unknown");
    TempDir::writeFile(dir / "tarvik.fkd", "[Komponente]\r\n1=delta\r\n");
    EXPECT_EQ(texts.KomponentenText(1), "delta");
}

// Every window opened on the file and the poll share one parsed text: an object made later
// reads the file again only when its modification time or size differs from what was parsed.
TEST_F(FaultTextFileTest, ObjectsForTheSameFileShareItsText) {
    const fs::path file = dir / "TARVIK.FKD";
    TempDir::writeFile(file, "[Komponente]\r\n1=alpha\r\n");
    const fs::file_time_type written = fs::last_write_time(file);
    EXPECT_EQ(FaultTextFile(file).KomponentenText(1), "alpha");

    // The same size and time stamp: taken as the file already parsed.
    TempDir::writeFile(file, "[Komponente]\r\n1=bravo\r\n");
    fs::last_write_time(file, written);
    EXPECT_EQ(FaultTextFile(file).KomponentenText(1), "alpha");

    // Changed on disk between two openings: the next object reads it.
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(FaultTextFile(file).KomponentenText(1), "bravo");
    TempDir::writeFile(file, "[Komponente]\r\n1=charlie\r\n");
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(FaultTextFile(file).KomponentenText(1), "charlie");
}

// Without a fault-text file the folder is searched for another spelling once, and again only
// after the folder changed; the exact spelling is always one look.
TEST_F(FaultTextFileTest, AMissingFileIsLookedForAgainWhenItsFolderChanged) {
    const fs::file_time_type longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(dir.path(), longAgo);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    EXPECT_EQ(texts.KomponentenText(1), "Unknown");

    // Another spelling appears while the folder's time stays: not searched for again.
    TempDir::writeFile(dir / "tarvik.fkd", "[Komponente]\r\n1=lower\r\n");
    fs::last_write_time(dir.path(), longAgo);
    EXPECT_EQ(texts.KomponentenText(1), "Unknown");
    // The folder changed: found at the next look-up.
    fs::last_write_time(dir.path(), fs::file_time_type::clock::now());
    EXPECT_EQ(texts.KomponentenText(1), "lower");

    // The exact spelling needs no search.
    fs::remove(dir / "tarvik.fkd");
    fs::last_write_time(dir.path(), longAgo);
    EXPECT_EQ(texts.KomponentenText(1), "Unknown");
    TempDir::writeFile(dir / "TARVIK.FKD", "[Komponente]\r\n1=exact\r\n");
    fs::last_write_time(dir.path(), longAgo);
    EXPECT_EQ(texts.KomponentenText(1), "exact");
}

// Sections of many codes are looked up by key with the rules of small ones: the first of a
// repeated code wins.
TEST_F(FaultTextFileTest, ManyCodesAreFoundByKey) {
    std::string text = "[Komponente]\r\n";
    for (int code = 1; code <= 5000; ++code) text += std::to_string(code) + "=Component " + std::to_string(code) + "\r\n";
    text += "4711=repeated\r\n[Fehlerart]\r\n7=Short circuit\r\n";
    TempDir::writeFile(dir / "TARVIK.FKD", text);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    EXPECT_EQ(texts.KomponentenText(1), "Component 1");
    EXPECT_EQ(texts.KomponentenText(4711), "Component 4711");
    EXPECT_EQ(texts.KomponentenText(5000), "Component 5000");
    EXPECT_EQ(texts.KomponentenText(5001), "Unknown");
    EXPECT_EQ(texts.FehlerartText(7), "Short circuit");
}

TEST_F(FaultTextFileTest, TextsAreCutToTheirFields) {
    const std::string longName(300, 'K');
    const std::string longHint(3000, 'h');
    TempDir::writeFile(dir / "T.FKD", "[Komponente]\r\n1=" + longName + "\r\n[Fehlerart]\r\n1=" +
                                         longName + "\r\n[Hinweis]\r\n101=" + longHint + "\r\n");
    const FaultTextFile texts(dir / "T.FKD");
    EXPECT_EQ(texts.KomponentenText(1), std::string(127, 'K'));
    EXPECT_EQ(texts.FehlerartText(1), std::string(127, 'K'));
    EXPECT_EQ(texts.HinweisAnzeige(1, 1), std::string(1023, 'h'));
    EXPECT_EQ(texts.HinweisText(1, 1), std::string(2047, 'h'));
}

TEST_F(FaultTextFileTest, HintKeys) {
    EXPECT_EQ(FaultTextFile::hintKey(3, 7), "307");
    EXPECT_EQ(FaultTextFile::hintKey(50, 41), "5041");
    EXPECT_EQ(FaultTextFile::hintKey(0, 0), "0");
    // No overflow for codes far outside the ECU's range.
    EXPECT_EQ(FaultTextFile::hintKey(INT32_MAX, INT32_MAX), "216895848347");
}

TEST_F(FaultTextFileTest, FileNameWithoutRegardToCase) {
    TempDir::writeFile(dir / "Tarvik.fkd", kFkd);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    EXPECT_EQ(texts.path(), dir / "Tarvik.fkd");
    EXPECT_EQ(texts.KomponentenText(50), "Valve block");

    const FaultTextFileSearch found = findFaultTextFile(dir.path(), "TARVIK", false);
    EXPECT_EQ(found.source, FaultTextFileSource::Original);
    EXPECT_EQ(found.path, dir / "Tarvik.fkd");
    EXPECT_EQ(found.requested, dir / "TARVIK.FKD");
}

TEST_F(FaultTextFileTest, ExactSpellingWinsAndFoldersDoNotCount) {
    TempDir::writeFile(dir / "tarvik.FKD", "[Komponente]\r\n1=lower\r\n");
    TempDir::writeFile(dir / "TARVIK.FKD", "[Komponente]\r\n1=upper\r\n");
    fs::create_directory(dir / "SYSTEM.FKD");
    EXPECT_EQ(FaultTextFile(dir / "TARVIK.FKD").KomponentenText(1), "upper");
    EXPECT_EQ(FaultTextFile(dir / "tarvik.FKD").KomponentenText(1), "lower");
    EXPECT_FALSE(findFileNoCase(dir.path(), "system.fkd"));
    EXPECT_FALSE(findFileNoCase(dir.path(), "../TARVIK.FKD"));
    EXPECT_FALSE(findFileNoCase(dir / "nofolder", "TARVIK.FKD"));
}

struct SearchCase {
    const char* title;
    const char* name;
    std::vector<const char*> files;
    bool fallback;
    FaultTextFileSource source;
    const char* found;  // file name of the result
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.title; }

class FaultTextFileSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FaultTextFileSearchTest, Finds) {
    const SearchCase& c = GetParam();
    TempDir dir;
    for (const char* file : c.files) TempDir::writeFile(dir / file, "[Komponente]\r\n");
    const FaultTextFileSearch found = findFaultTextFile(dir.path(), c.name, c.fallback);
    EXPECT_EQ(found.source, c.source);
    EXPECT_EQ(found.path, dir / c.found);
    EXPECT_EQ(found.requested, dir / (std::string(c.name) + ".FKD"));
}

const SearchCase kSearchCases[] = {
    {"Original", "1078012A", {"1078012A.FKD", "10780127.FKD"}, true, FaultTextFileSource::Original,
     "1078012A.FKD"},
    {"NearestLowerSubstitute", "1078012A", {"10780125.FKD", "10780127.FKD"}, true,
     FaultTextFileSource::Substitute, "10780127.FKD"},
    {"SubstituteInOtherCase", "1078012a", {"10780127.fkd"}, true, FaultTextFileSource::Substitute,
     "10780127.fkd"},
    {"NoFallback", "1078012A", {"10780127.FKD"}, false, FaultTextFileSource::Missing, "1078012A.FKD"},
    {"OnlyHigherNumbers", "1078012A", {"1078012B.FKD", "10780130.FKD"}, true,
     FaultTextFileSource::Missing, "1078012A.FKD"},
    {"DownToZero", "10780105", {"10780100.FKD"}, true, FaultTextFileSource::Substitute, "10780100.FKD"},
    {"SevenCharacters", "1078012", {"10780101.FKD"}, true, FaultTextFileSource::Substitute,
     "10780101.FKD"},
    {"SixCharactersNever", "107801", {"10780100.FKD", "107801.FKD0"}, true,
     FaultTextFileSource::Missing, "107801.FKD"},
    {"NotHexadecimal", "1078012G", {"10780100.FKD"}, true, FaultTextFileSource::Missing,
     "1078012G.FKD"},
    {"OtherBaseIgnored", "1078012A", {"10780227.FKD"}, true, FaultTextFileSource::Missing,
     "1078012A.FKD"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FaultTextFileSearchTest, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(FaultTextMessages, PathIsInsertedNotFormatted) {
    EXPECT_EQ(messageWithText(11107, "/opt/%s%d/TARVIK.FKD"),
              "File /opt/%s%d/TARVIK.FKD not found. Unable to display message texts.");
    EXPECT_EQ(messageWithText(11108, "/p/X.FKD"),
              "The original FKD file could not be found. /p/X.FKD will be used. The message texts "
              "may be displayed incorrectly.");
    EXPECT_EQ(messageWithText(11112, "/p"), "No message present");
}

// --- the table --------------------------------------------------------------------------------

TEST(FaultTable, ClearingKeepsTexts) {
    FaultEntryTable table{};
    table[4] = entry(10, 13, 1, 3);
    table[4].Prioritaet = 5;
    table[4].Timer = 9;
    table[4].ZaehlerArt = 2;
    table[4].Nummer = 1;
    table[4].KomponentenName = "Valve";
    table[4].FehlerartName = "Open";
    FehlerTabelleLoeschen(table);
    for (const FehlerEintrag& e : table) EXPECT_TRUE(EintragLeer(e));
    const FehlerEintrag& e = table[4];
    EXPECT_EQ(e.KomponentenCode, 256);
    EXPECT_EQ(e.Zaehler, 255);
    EXPECT_EQ(e.FehlerartCode + e.Prioritaet + e.Status + e.Timer + e.ZaehlerArt + e.Nummer, 0);
    EXPECT_EQ(e.KomponentenName, "Valve");
    EXPECT_EQ(e.FehlerartName, "Open");
}

TEST(FaultTable, EmptyEntryNeedsAllThreeCodes) {
    EXPECT_TRUE(EintragLeer(entry(256, 0, 0, 255)));
    EXPECT_FALSE(EintragLeer(entry(256, 0, 0, 254)));
    EXPECT_FALSE(EintragLeer(entry(256, 1, 0, 255)));
    EXPECT_FALSE(EintragLeer(entry(255, 0, 0, 255)));
    // The status plays no part.
    EXPECT_TRUE(EintragLeer(entry(256, 0, 1, 255)));
}

TEST(FaultTable, UsedEntriesEndAtTheFirstEmptyOne) {
    EXPECT_EQ(usedEntryCount(tableOf({})), 0u);
    FaultEntryTable table = tableOf({entry(1, 1, 0), entry(2, 1, 0), entry(256, 0, 0, 255), entry(4, 1, 1)});
    EXPECT_EQ(usedEntryCount(table), 2u);
    FaultEntryTable full{};
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = entry(static_cast<int32_t>(i), 1, 0);
    EXPECT_EQ(usedEntryCount(full), 100u);
}

struct SortCase {
    const char* title;
    int itemIndex;
    std::vector<int32_t> order;  // 1-based table positions
};

void PrintTo(const SortCase& c, std::ostream* os) { *os << c.title; }

class FaultSortTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(FaultSortTest, StatusesZeroOneZeroTwo) {
    const FaultEntryTable table =
        tableOf({entry(1, 1, 0), entry(2, 1, 1), entry(3, 1, 0), entry(4, 1, 2)});
    FaultEntryTable display{};
    const std::size_t n = Sortierung(table, faultSortOrderOf(GetParam().itemIndex), display);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(componentsOf(display, n), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(Orders, FaultSortTest,
                         ::testing::Values(SortCase{"AsReadOut", 0, {1, 2, 3, 4}},
                                           SortCase{"CurrentFirst", 1, {2, 4, 1, 3}},
                                           SortCase{"OlderFirst", 2, {1, 3, 2, 4}},
                                           SortCase{"StoredSeven", 7, {1, 2, 3, 4}},
                                           SortCase{"NoSelection", -1, {1, 2, 3, 4}}),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(FaultSort, EntriesBehindAnEmptyOneAreLeftOut) {
    const FaultEntryTable table =
        tableOf({entry(1, 1, 0), entry(256, 0, 1, 255), entry(3, 1, 1), entry(4, 1, 0)});
    FaultEntryTable display{};
    for (FaultSortOrder order : {FaultSortOrder::AsReadOut, FaultSortOrder::CurrentFirst,
                                 FaultSortOrder::OlderFirst}) {
        ASSERT_EQ(Sortierung(table, order, display), 1u);
        EXPECT_EQ(display[0].KomponentenCode, 1);
        EXPECT_TRUE(EintragLeer(display[1]));
    }
}

TEST(FaultSort, NothingOfAnEarlierFillSurvives) {
    FaultEntryTable display{};
    FaultEntryTable first = tableOf({entry(1, 1, 0), entry(2, 1, 1), entry(3, 1, 0)});
    first[2].FehlerartName = "old text";
    Sortierung(first, FaultSortOrder::AsReadOut, display);
    ASSERT_EQ(display[2].FehlerartName, "old text");
    EXPECT_EQ(Sortierung(tableOf({entry(7, 1, 0)}), FaultSortOrder::AsReadOut, display), 1u);
    for (std::size_t i = 1; i < display.size(); ++i) {
        EXPECT_TRUE(EintragLeer(display[i])) << i;
        EXPECT_TRUE(display[i].FehlerartName.empty()) << i;
    }
    EXPECT_EQ(Sortierung(tableOf({}), FaultSortOrder::CurrentFirst, display), 0u);
    EXPECT_TRUE(EintragLeer(display[0]));
}

TEST(FaultSort, FullTable) {
    FaultEntryTable table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = entry(static_cast<int32_t>(i), 1, i % 3 == 0 ? 1 : 0);
    FaultEntryTable display{};
    ASSERT_EQ(Sortierung(table, FaultSortOrder::CurrentFirst, display), 100u);
    // 34 current entries (0, 3, ..., 99) first, then the 66 stored ones, each in table order.
    EXPECT_EQ(display[0].KomponentenCode, 0);
    EXPECT_EQ(display[33].KomponentenCode, 99);
    EXPECT_EQ(display[34].KomponentenCode, 1);
    EXPECT_EQ(display[99].KomponentenCode, 98);
}

// --- detail fields ----------------------------------------------------------------------------

struct DetailCase {
    const char* title;
    uint16_t mask;
    int32_t zaehlerArt;
    FaultDetailTexts expected;
};

void PrintTo(const DetailCase& c, std::ostream* os) { *os << c.title; }

class FaultDetailTest : public ::testing::TestWithParam<DetailCase> {};

TEST_P(FaultDetailTest, Fields) {
    FehlerEintrag e = entry(3, 7, 1, 12);
    e.Prioritaet = 5;
    e.Timer = 40;
    e.Nummer = 81;
    e.ZaehlerArt = GetParam().zaehlerArt;
    EXPECT_EQ(faultDetailTexts(e, GetParam().mask), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    MasksAndCounters, FaultDetailTest,
    ::testing::Values(DetailCase{"BaseCount", 15, 0, {"3", "7", "5", "12", "", ""}},
                      DetailCase{"BaseDuration", 15, 1, {"3", "7", "5", "", "12", ""}},
                      DetailCase{"BaseBoth", 15, 2, {"3", "7", "5", "12", "40", ""}},
                      DetailCase{"BaseBothNegativeKind", 15, -1, {"3", "7", "5", "12", "40", ""}},
                      DetailCase{"KeltCount", 27, 0, {"3", "7", "", "12", "", "81"}},
                      DetailCase{"KeltDuration", 27, 1, {"3", "7", "", "", "12", "81"}},
                      DetailCase{"NumberOnly", 0x10, 2, {"", "", "", "", "", "81"}},
                      DetailCase{"Nothing", 0, 2, {"", "", "", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.title); });

// --- text of the first current fault ----------------------------------------------------------

TEST_F(FaultTextFileTest, CurrentFaultText) {
    TempDir::writeFile(dir / "TARVIK.FKD", kFkd);
    const FaultTextFile texts(dir / "TARVIK.FKD");
    struct Case {
        const char* title;
        std::vector<FehlerEintrag> entries;
        int count;
        std::string text;
    } cases[] = {
        {"None", {entry(50, 41, 0)}, 0, "No current message stored in the ECU"},
        {"FirstCurrentNamed", {entry(50, 7, 0), entry(3, 7, 1), entry(50, 41, 2)}, 2,
         "Level sensor rear\nShort circuit to ground"},
        {"UnknownCodesAdded", {entry(99, 98, 1)}, 1, "Unknown (99)\nUnknown (98)"},
        {"NegativeStatusIsNoCurrentFault", {entry(3, 7, -1)}, 0, "No current message stored in the ECU"},
    };
    for (const Case& c : cases) {
        const CurrentFaultText result = currentFaultText(tableOf(c.entries), texts);
        EXPECT_EQ(result.count, c.count) << c.title;
        EXPECT_EQ(result.text, c.text) << c.title;
    }
    // All 100 entries are counted, also those behind an empty one.
    FaultEntryTable table = tableOf({entry(3, 7, 0)});
    table[50] = entry(50, 41, 1);
    const CurrentFaultText behind = currentFaultText(table, texts);
    EXPECT_EQ(behind.count, 1);
    EXPECT_EQ(behind.text, "Valve block\nOpen circuit");
}

// --- the stored sort order and the refresh interval -------------------------------------------

TEST(FaultSortSetting, ReadFromTheIniFile) {
    TempDir dir;
    ProfileFile ini(dir / "APP.INI");
    EXPECT_EQ(readFaultSortOrder(ini), 0);
    ASSERT_TRUE(storeFaultSortOrder(ini, 2));
    EXPECT_EQ(readFaultSortOrder(ini), 2);
    EXPECT_EQ(ini.readString("optionen", "dtc_sorting"), "2");
    TempDir::writeFile(dir / "OTHER.INI", "[OPTIONEN]\r\nDTC_SORTING=7\r\n");
    EXPECT_EQ(readFaultSortOrder(ProfileFile(dir / "OTHER.INI")), 7);
}

TEST(FaultSortSetting, StoresWhatWasChosen) {
    struct Case {
        int read;
        int chosen;
        std::optional<int> stored;
    } cases[] = {
        {0, 0, std::nullopt}, {0, 1, 1},  {1, 0, 0},  // 0 can be stored again
        {2, 2, std::nullopt}, {7, -1, std::nullopt},  // an unchanged stray value stays
        {7, 2, 2},            {-1, 0, 0}, {0, 3, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(faultSortOrderToStore(c.read, c.chosen), c.stored) << c.read << " " << c.chosen;
}

TEST(FaultRefreshInterval, NeverBelowTheMinimum) {
    struct Case {
        const char* text;
        int interval;
    } cases[] = {
        {"1000", 1000}, {"2500", 2500}, {"9999", 9999}, {" 750 ", 750}, {"", kMinRefreshIntervalMs},
        {"0", kMinRefreshIntervalMs},   {"10", kMinRefreshIntervalMs},  {"12a", kMinRefreshIntervalMs},
        {"-5", kMinRefreshIntervalMs},  {"99999999999", 9999},
    };
    for (const Case& c : cases) EXPECT_EQ(refreshIntervalOf(c.text), c.interval) << c.text;
}

}  // namespace
