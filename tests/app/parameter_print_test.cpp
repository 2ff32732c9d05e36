// The parameter protocol's layout: values as the editor shows them, three columns of 40 rows,
// further pages past 120 parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParameterPrint.h"

namespace {

structParaInfo parameter(double faktor, int32_t offset, const std::string& einheit) {
    structParaInfo p;
    p.Faktor = faktor;
    p.Offset = offset;
    p.Einheit = einheit;
    return p;
}

TEST(ParameterPrint, ValuesAreWhatTheEditorShows) {
    struct Case {
        const char* name;
        structParaInfo parameter;
        uint16_t raw;
        const char* text;
    };
    const Case cases[] = {
        {"Plain", parameter(1, 0, ""), 255, "255 "},
        {"Factor", parameter(0.5, 0, "bar"), 301, "150.5 bar"},
        {"Offset", parameter(1, 40, "\xB0" "C"), 200, "160 \xB0" "C"},
        {"BelowTheOffset", parameter(1, 40, "\xB0" "C"), 0, "-40 \xB0" "C"},
        {"ShortestForm", parameter(0.1, 0, "s"), 3, "0.3 s"},
        {"NegativeFactorAtTheOffset", parameter(-2, 7, ""), 7, "0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parameterPrintValue(c.parameter, c.raw), c.text);
    }
}

// The number texts of a page by row: row r holds the numbers of its columns, left to right.
std::vector<std::vector<std::string>> numberRows(const ReportPage& page) {
    std::vector<int> ys;
    std::vector<std::vector<std::string>> rows;
    for (const ReportText& t : page.texts) {
        if (t.align != TextAlign::Right) continue;
        if (ys.empty() || ys.back() != t.y) {
            ys.push_back(t.y);
            rows.emplace_back();
        }
        rows.back().push_back(t.text);
    }
    return rows;
}

ParameterPrintLayout layoutOf(int count) {
    ParameterPrintLayout layout;
    for (int n = 1; n <= count; ++n) {
        layout.Nummern.push_back(std::to_string(n));
        layout.Werte.push_back("v" + std::to_string(n));
    }
    return layout;
}

TEST(ParameterPrint, ColumnsOfFortyRowsGoOnOverPages) {
    struct Case {
        int count;
        std::vector<std::size_t> rowsPerPage;
    };
    const Case cases[] = {{0, {0}}, {45, {40}}, {120, {40}}, {130, {40, 10}}, {250, {40, 40, 10}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ParameterPrintLayout layout = layoutOf(c.count);
        const Report report = layout.Prepare();
        EXPECT_EQ(report.jobName, "Fehlerspeicherprotokoll");
        ASSERT_EQ(report.pages.size(), c.rowsPerPage.size());
        std::size_t printed = 0;
        for (std::size_t p = 0; p < report.pages.size(); ++p) {
            const auto rows = numberRows(report.pages[p]);
            EXPECT_EQ(rows.size(), c.rowsPerPage[p]);
            for (const auto& row : rows) printed += row.size();
        }
        EXPECT_EQ(printed, static_cast<std::size_t>(c.count));
        // A second run lays out the same report.
        EXPECT_EQ(layout.Prepare().pages.size(), report.pages.size());
    }
    const auto rows45 = numberRows(layoutOf(45).Prepare().pages[0]);
    EXPECT_EQ(rows45[0], (std::vector<std::string>{"1", "41"}));
    EXPECT_EQ(rows45[4], (std::vector<std::string>{"5", "45"}));
    EXPECT_EQ(rows45[5], (std::vector<std::string>{"6"}));
    const Report report130 = layoutOf(130).Prepare();
    EXPECT_EQ(numberRows(report130.pages[0])[39], (std::vector<std::string>{"40", "80", "120"}));
    EXPECT_EQ(numberRows(report130.pages[1])[0], (std::vector<std::string>{"121"}));
}

}  // namespace
