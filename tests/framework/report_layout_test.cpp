// The fault-memory report laid out without windows, and the preview's zoom and scale rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FehlerspeicherProtokoll.h"
#include "FspReportLayout.h"
#include "PreviewLogic.h"
#include "ProtocolRecords.h"

namespace {

Report layOut(const FehlerspeicherProtokoll& record, uint8_t mode) {
    FspReportLayout layout;
    layout.record = &record;
    layout.columnMode = mode;
    return layout.Prepare();
}

// The page's texts in reading order (top to bottom, left to right), empty ones left out.
std::vector<std::string> readingOrder(const ReportPage& page) {
    std::vector<ReportText> texts = page.texts;
    std::stable_sort(texts.begin(), texts.end(), [](const ReportText& a, const ReportText& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::vector<std::string> out;
    for (const ReportText& t : texts)
        if (!t.text.empty()) out.push_back(t.text);
    return out;
}

std::vector<std::string> startingWith(const std::vector<std::string>& texts, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& t : texts)
        if (t.rfind(prefix, 0) == 0) out.push_back(t);
    return out;
}

int countOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

std::vector<std::string> componentsFrom(int first, int last) {
    std::vector<std::string> out;
    for (int n = first; n <= last; ++n)
        out.push_back("Valve " + std::to_string(n) + " (" + std::to_string(n) + ")");
    return out;
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    return countOf(texts, text) > 0;
}

// --- pages and rows ---------------------------------------------------------------------------

struct PagingCase {
    int entries;
    int pages;
};

class FspReportPaging : public ::testing::TestWithParam<PagingCase> {};

TEST_P(FspReportPaging, SixteenEntriesAPageInOrderWithPageNumbers) {
    const PagingCase c = GetParam();
    const FehlerspeicherProtokoll record = protocolWith(c.entries);
    const Report report = layOut(record, kSpalteAnzahl);

    EXPECT_EQ(report.jobName, "Fehlerspeicherprotokoll");
    EXPECT_EQ(report.pageWidth, 794);
    EXPECT_EQ(report.pageHeight, 1123);
    ASSERT_EQ(static_cast<int>(report.pages.size()), c.pages);
    const int valid = std::min(c.entries, 100);
    for (int p = 0; p < c.pages; ++p) {
        const std::vector<std::string> texts = readingOrder(report.pages[p]);
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_TRUE(contains(texts, std::to_string(p + 1) + " / " + std::to_string(c.pages)));
        const int first = p * 16 + 1;
        const int last = std::min(valid, first + 15);
        EXPECT_EQ(startingWith(texts, "Valve "), componentsFrom(first, last));
        EXPECT_EQ(startingWith(texts, "Open circuit ").size(), static_cast<size_t>(last - first + 1));
        // Every third entry (1, 4, 7, ...) is current and marked "X".
        int current = 0;
        for (int n = first; n <= last; ++n) current += ((n - 1) % 3 == 0);
        EXPECT_EQ(countOf(texts, "X"), current);
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, FspReportPaging,
                         ::testing::Values(PagingCase{1, 1}, PagingCase{16, 1}, PagingCase{17, 2},
                                           PagingCase{32, 2}, PagingCase{33, 3}, PagingCase{100, 7},
                                           // a count beyond the record's 100 entries prints those
                                           PagingCase{150, 7}),
                         [](const auto& info) { return std::to_string(info.param.entries); });

TEST(FspReportLayout, NoEntriesPrintsOnePageWithTheNoMessageRow) {
    const FehlerspeicherProtokoll record = protocolWith(0);
    const Report report = layOut(record, kSpalteAnzahl);

    ASSERT_EQ(report.pages.size(), 1u);
    const std::vector<std::string> texts = readingOrder(report.pages[0]);
    EXPECT_TRUE(contains(texts, "1 / 1"));
    EXPECT_EQ(countOf(texts, "X"), 1);
    EXPECT_EQ(countOf(texts, "No message present"), 1);
    EXPECT_TRUE(startingWith(texts, "Open circuit ").empty());
    EXPECT_FALSE(contains(texts, "0"));  // no counter beside it
}

TEST(FspReportLayout, HeaderAndFooterCarryTheRecordOnEveryPage) {
    const FehlerspeicherProtokoll record = protocolWith(17);
    const Report report = layOut(record, kSpalteAnzahl);

    ASSERT_EQ(report.pages.size(), 2u);
    for (const ReportPage& page : report.pages) {
        const std::vector<std::string> texts = readingOrder(page);
        for (const char* expected :
             {"DIAGNOSTIC PROTOCOL", "System", "KELT air suspension", "NORVA part number", "4460550010",
              "Production date", "07/2019", "Serial number", "---", "Page :", "current", "Number",
              "Component / note", "Manufacturer", "Bus works", "Vehicle type", "City 12", "Tested by",
              "J. M\xFC" "ller", "Date", "12.03.2024 14:05:09", "Vehicle ident. no", "WKK63312345678901",
              "Odometer reading", "123456", "Signature"})
            EXPECT_TRUE(contains(texts, expected)) << expected;
        ASSERT_EQ(page.pictures.size(), 1u);
        EXPECT_EQ(page.pictures[0].name, kReportLogo);
    }
    // The header's labels show what the record holds, also when that is empty.
    FehlerspeicherProtokoll blank = protocolWith(1);
    blank.SerienNrEcu.clear();
    EXPECT_FALSE(contains(readingOrder(layOut(blank, kSpalteAnzahl).pages[0]), "---"));
}

// --- the counter or timer column --------------------------------------------------------------

struct ColumnCase {
    const char* name;
    bool counterFlag;
    bool timerFlag;
    int timerOfEntry2;  // the other entries have timer 0
    uint8_t mode;
};

class FspReportColumn : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(FspReportColumn, ChosenByFlagsThenByTheTimers) {
    const ColumnCase c = GetParam();
    FehlerspeicherProtokoll record = protocolWith(3);
    record.ZaehlerSpalteErzwingen = c.counterFlag;
    record.TimerSpalteErzwingen = c.timerFlag;
    record.Eintraege[1].Timer = static_cast<uint8_t>(c.timerOfEntry2);
    for (fehl_strct& e : record.Eintraege) e.Zaehler = 40;  // counters apart from the timers
    ASSERT_EQ(columnModeFor(record), c.mode);

    const std::vector<std::string> texts = readingOrder(layOut(record, c.mode).pages[0]);
    if (c.mode == kSpalteAnzahl) {
        EXPECT_TRUE(contains(texts, "Number"));
        EXPECT_FALSE(contains(texts, "Timer"));
        EXPECT_EQ(countOf(texts, "40"), 3);
    } else {
        EXPECT_TRUE(contains(texts, "Timer"));
        EXPECT_FALSE(contains(texts, "Number"));
        EXPECT_EQ(countOf(texts, "40"), 0);
        EXPECT_EQ(countOf(texts, "0"), 3 - (c.timerOfEntry2 != 0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, FspReportColumn,
    ::testing::Values(ColumnCase{"AllTimersZero", false, false, 0, kSpalteAnzahl},
                      ColumnCase{"OneTimerFive", false, false, 5, kSpalteTimer},
                      ColumnCase{"TimerFlag", false, true, 0, kSpalteTimer},
                      ColumnCase{"CounterFlag", true, false, 5, kSpalteAnzahl},
                      ColumnCase{"CounterFlagBeatsTimerFlag", true, true, 5, kSpalteAnzahl}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FspReportLayout, OnlyValidEntriesDecideTheColumn) {
    FehlerspeicherProtokoll record = protocolWith(2);
    record.Eintraege[5].Timer = 9;  // beyond Anzahl: left over, not printed
    EXPECT_EQ(columnModeFor(record), kSpalteAnzahl);
}

// --- runs -------------------------------------------------------------------------------------

TEST(FspReportLayout, EveryRunStartsAtThePageAndEntryOne) {
    const FehlerspeicherProtokoll record = protocolWith(20);
    FspReportLayout layout;
    layout.record = &record;
    layout.columnMode = kSpalteAnzahl;
    const Report first = layout.Prepare();

    // A run that stopped on page 2 (a print that failed there): its counters stay behind.
    layout.ReportBeforePrint();
    for (int band = 0; band < 18; ++band) {
        bool more = true;
        layout.ReportNeedData(more);
        bool print = true;
        layout.QRBand2BeforePrint(print);
    }
    ASSERT_EQ(layout.currentPage, 2);

    const Report again = layout.Prepare();
    ASSERT_EQ(again.pages.size(), first.pages.size());
    for (std::size_t p = 0; p < first.pages.size(); ++p)
        EXPECT_EQ(readingOrder(again.pages[p]), readingOrder(first.pages[p]));
}

// --- the preview's zoom and scale -------------------------------------------------------------

TEST(PreviewLogic, ZoomFromTheArea) {
    struct Case {
        PreviewZoomMode mode;
        int width, height, zoom;
    };
    for (const Case& c : {Case{PreviewZoomMode::FullPage, 792, 519, 44},
                          Case{PreviewZoomMode::PageWidth, 792, 519, 93},
                          Case{PreviewZoomMode::OriginalSize, 792, 519, 100},
                          Case{PreviewZoomMode::FullPage, 2000, 3000, 237},
                          Case{PreviewZoomMode::FullPage, 5, 5, 1},
                          Case{PreviewZoomMode::PageWidth, 8, 500, 1}}) {
        EXPECT_EQ(previewZoom(c.mode, c.width, c.height), c.zoom) << c.width << " x " << c.height;
    }
}

TEST(PreviewLogic, ScaleTextIsReadFromItsLeadingDigitsAndBounded) {
    struct Case {
        const char* text;
        int scale;
        bool accepted;
    };
    for (const Case& c : {Case{"125 %", 125, true}, Case{"300", 300, true}, Case{"20 %", 20, true},
                          Case{" 75 %", 75, true}, Case{"301 %", 301, false}, Case{"19", 19, false},
                          Case{"abc", 0, false}, Case{"", 0, false}, Case{"% 100", 0, false},
                          Case{"99999999999 %", 0, false}, Case{"00100", 0, false}}) {
        EXPECT_EQ(scaleFromText(c.text), c.scale) << c.text;
        EXPECT_EQ(scaleAccepted(scaleFromText(c.text)), c.accepted) << c.text;
    }
}

}  // namespace
