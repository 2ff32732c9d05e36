#pragma once
// The printed reports of the program as plain data: pages of positioned texts, lines, rectangles
// and named pictures in page units of 1/96 inch (A4 portrait is 794 x 1123 units). Nothing here
// draws: framework/ui's renderer paints a Report onto a printer, a PDF file or the preview.
//
// Every report of the program is a ReportProducer: an object that lays its data out afresh on
// each Prepare() and hands back the whole report. The preview (Tfrm_Preview) calls Prepare()
// when it opens, after a printer set-up and a scale change, and again for each print, so a
// report never carries counters from one run into the next. A new report, a parameter list of
// several pages for instance, is only another producer:
//
//   class ParameterListLayout final : public ReportProducer {
//       Report Prepare() override {
//           Report report;
//           report.jobName = "...";
//           for (each page of rows) {
//               ReportPage& page = report.pages.emplace_back();
//               page.pictures.push_back({.x = 56, .y = 46, .width = 209, .height = 33,
//                                        .name = kReportLogo});
//               page.texts.push_back({.x = 312, .y = 48, .text = "...", .font = {24, true}});
//               ...
//           }
//           return report;
//       }
//   };
//
// and is shown with Tfrm_Preview::ReportAnzeigen(layout). The printer scale is applied when a
// report is painted, never to the model.
//
// Texts are Windows-1252 bytes, like every text of the core; the renderer converts them.

#include <string>
#include <vector>

// A4 portrait at 96 units per inch.
constexpr int kReportPageWidth = 794;
constexpr int kReportPageHeight = 1123;

// The logo at the head of the program's protocols (our own artwork, painted by the renderer).
inline constexpr const char* kReportLogo = "logo";

struct ReportFont {
    int pixelSize = 16;  // height of the font in page units
    bool bold = false;
    bool italic = false;
    bool operator==(const ReportFont&) const = default;
};

enum class TextAlign { Left, Right, Centre };

// One line of text. With width 0 the text has its natural length: Left starts at x, Right ends at
// x and Centre is centred on x. With a width the text stands in the box from x to x + width,
// aligned in it and cut off at its edges, as a label of fixed width. y is the top of the line.
struct ReportText {
    int x = 0;
    int y = 0;
    int width = 0;
    std::string text;
    ReportFont font;
    TextAlign align = TextAlign::Left;
};

// A thin black line.
struct ReportLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

// A thin black frame (not filled).
struct ReportRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A picture the renderer knows by name (kReportLogo), fitted into the box.
struct ReportPicture {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string name;
};

// One page. The renderer paints frames and lines first, then pictures, then texts.
struct ReportPage {
    std::vector<ReportRect> rects;
    std::vector<ReportLine> lines;
    std::vector<ReportPicture> pictures;
    std::vector<ReportText> texts;
};

struct Report {
    std::string jobName;  // the print job's name; the title of a PDF file
    int pageWidth = kReportPageWidth;
    int pageHeight = kReportPageHeight;
    std::vector<ReportPage> pages;
};

class ReportProducer {
public:
    virtual ~ReportProducer() = default;
    // One complete run of the report, from its first page and its first entry.
    virtual Report Prepare() = 0;
};
