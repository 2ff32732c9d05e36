// The fault-memory protocol printed through its preview into a PDF file and read back with the
// PDF tools.
#include <gtest/gtest.h>

#include "FehlerspeicherProtokoll.h"
#include "FspPrint.h"
#include "NData.h"
#include "PdfText.h"
#include "ProtocolRecords.h"
#include "ReportTestSupport.h"
#include "ScriptedMessageBoxes.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QToolButton>

#include <string>

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FspPrintTest : public ::testing::Test {
protected:
    FspPrintTest() { DiagAttr.Anwendungstitel = "Report test"; }

    // Runs the report's preview and prints from it; returns the preview's modal result.
    int printThroughPreview(const std::function<int(TFspPrint&)>& run) {
        TFspPrint report;
        ModalScript script([&](QWidget*) {
            Tfrm_Preview* preview = shownPreview();
            ASSERT_NE(preview, nullptr);
            EXPECT_EQ(FspPrint, &report);
            preview->cmd_Drucken->click();
            preview->cmd_Exit->click();
        });
        const int result = run(report);
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(FspPrint, nullptr);
        return result;
    }

    TempDir dir;
    std::filesystem::path pdf = dir / "protocol.pdf";
    PdfReportPrinter printer{pdf};
    ScriptedMessageBoxes boxes;
};

TEST_F(FspPrintTest, PrintsTheProtocolPageByPage) {
    FehlerspeicherProtokoll record = protocolWith(17);
    record.Eintraege[4].Timer = 5;  // one timer: the timer column
    EXPECT_EQ(printThroughPreview([&](TFspPrint& r) { return r.Print(record); }), 3);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{printedIntoFileText(pdf)});

    EXPECT_EQ(pdfPageCount(pdf), 2);
    EXPECT_EQ(pdfInfo(pdf, "Title"), "Fehlerspeicherprotokoll");
    const std::string page1 = pdfPageText(pdf, 1);
    const std::string page2 = pdfPageText(pdf, 2);
    for (const std::string& page : {page1, page2}) {
        for (const char* text :
             {"DIAGNOSTIC PROTOCOL", "System KELT air suspension", "NORVA part number 4460550010",
              "Production date 07/2019", "Serial number ---", "Timer", "Component / note",
              "Manufacturer Bus works", "Vehicle type City 12", "J. M\xC3\xBCller",
              "Date 12.03.2024 14:05:09", "WKK63312345678901", "123456", "Signature"})
            EXPECT_TRUE(has(page, text)) << text << "\n" << page;
    }
    EXPECT_TRUE(has(page1, "1 / 2"));
    EXPECT_TRUE(has(page1, "X 0 Valve 1 (1)")) << page1;  // current, its timer, the component
    EXPECT_TRUE(has(page1, "5 Valve 5 (5)")) << page1;
    EXPECT_TRUE(has(page1, "Valve 16 (16)"));
    EXPECT_FALSE(has(page1, "Valve 17 (17)"));
    EXPECT_TRUE(has(page2, "2 / 2"));
    EXPECT_TRUE(has(page2, "0 Valve 17 (17) Open circuit (17)")) << page2;
    EXPECT_FALSE(has(page2, "Number"));
}

TEST_F(FspPrintTest, ColumnOfPrintAndPrintData) {
    struct Case {
        const char* name;
        bool printData;
        bool counterFlag;
        const char* heading;
        const char* firstRow;
    };
    for (const Case& c : {Case{"Print, all timers 0", false, false, "Number", "X 1 Valve 1 (1)"},
                          Case{"PrintData, counter flag", true, true, "Timer", "X 0 Valve 1 (1)"}}) {
        FehlerspeicherProtokoll record = protocolWith(2);
        record.ZaehlerSpalteErzwingen = c.counterFlag;
        printThroughPreview([&](TFspPrint& r) { return c.printData ? r.PrintData(record) : r.Print(record); });
        const std::string page = pdfPageText(pdf, 1);
        EXPECT_TRUE(has(page, c.heading)) << c.name << "\n" << page;
        EXPECT_TRUE(has(page, c.firstRow)) << c.name << "\n" << page;
    }
}

TEST_F(FspPrintTest, EmptyMemoryPrintsOneNoMessageRow) {
    const FehlerspeicherProtokoll record = protocolWith(0);
    printThroughPreview([&](TFspPrint& r) { return r.Print(record); });
    EXPECT_EQ(pdfPageCount(pdf), 1);
    const std::string page = pdfPageText(pdf, 1);
    EXPECT_TRUE(has(page, "1 / 1"));
    EXPECT_TRUE(has(page, "X No message present")) << page;
}

TEST_F(FspPrintTest, WideTextsAreSetSmallerBeforeTheyAreCut) {
    FehlerspeicherProtokoll record = protocolWith(1);
    record.Fahrgestellnummer = "WMW12345678901234";  // wider letters than the box takes at full size
    record.Eintraege[0].KomponenteMitCode = std::string(150, 'W') + " (1)";
    printThroughPreview([&](TFspPrint& r) { return r.Print(record); });
    const std::string page = pdfPageText(pdf, 1);
    EXPECT_TRUE(has(page, "WMW12345678901234")) << page;
    EXPECT_TRUE(has(page, "WWWW\xE2\x80\xA6")) << page;  // far too long: cut with an ellipsis
    EXPECT_FALSE(has(page, "W (1)")) << page;
}

}  // namespace
