#include "FspReportLayout.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Bands stand inside the page's margin; their own coordinates are taken from this origin.
constexpr int kMargin = 38;

// Page header.
constexpr ReportFont kFont{16, true};  // the report's font
constexpr ReportFont kTitleFont{24, true};
constexpr ReportFont kHeadingSmall{13, true};
constexpr int kCaptionX = kMargin + 17;
constexpr int kValueX = kMargin + 273;
constexpr int kLabelRowsTop = kMargin + 53;
constexpr int kLabelRowStep = 26;

// Frames: the label rows and the column headings span the grid's width.
constexpr int kFrameLeft = 39;
constexpr int kFrameRight = 755;
constexpr int kFrameWidth = kFrameRight - kFrameLeft;
constexpr int kLabelFrameTop = kLabelRowsTop - 5;
constexpr int kValueColumnLeft = 305;
constexpr int kPageCellLeft = 620;
constexpr int kHeadingFrameTop = 200;

// Detail band and grid: 16 rows from y 260, columns current / number or timer / component.
constexpr int kGridTop = 260;
constexpr int kRowHeight = 43;
constexpr int kCurrentColumn = 39;
constexpr int kNumberColumn = 81;
constexpr int kComponentColumn = 127;
constexpr int kComponentTextWidth = 614;
constexpr ReportFont kComponentFont{13, true};
constexpr ReportFont kFaultTypeFont{11, false, true};

// Footer: boxes of 179 x 32 from y 948, two pairs of caption and value columns, the signature box.
constexpr int kFooterTop = 948;
constexpr int kBoxWidth = 179;
constexpr int kBoxHeight = 32;
constexpr int kFooterTextInset = 8;
constexpr int kFooterCaptionX[] = {54, 405};
constexpr int kFooterValueX[] = {228, 584};
constexpr int kFooterValueWidth = kBoxWidth - 2 * kFooterTextInset;
// Smaller than the captions, so a date with its time or a 17-character VIN fits the box.
constexpr ReportFont kFooterValueFont{13, true};

constexpr int kGridBottom = kGridTop + FspReportLayout::kRowsPerPage * kRowHeight;
static_assert(kGridBottom == kFooterTop, "the footer closes the grid");
static_assert(kComponentColumn + 628 == kFrameRight, "the grid spans the frames' width");

std::string pageText(int page, int count) {
    return std::to_string(page) + " / " + std::to_string(count);
}

}  // namespace

uint8_t columnModeFor(const FehlerspeicherProtokoll& record) {
    if (record.ZaehlerSpalteErzwingen) return kSpalteAnzahl;
    if (record.TimerSpalteErzwingen) return kSpalteTimer;
    const int count = std::min<int>(record.Anzahl, kProtokollEintraege);
    const bool anyTimer = std::any_of(record.Eintraege.begin(), record.Eintraege.begin() + count,
                                      [](const fehl_strct& e) { return e.Timer != 0; });
    return anyTimer ? kSpalteTimer : kSpalteAnzahl;
}

int FspReportLayout::entryCount() const {
    return std::min<int>(record->Anzahl, kProtokollEintraege);
}

void FspReportLayout::resetCounters() {
    currentPage = 1;
    row = 1;
    nextEntry = 1;
    done = false;
    newPageRequested = false;
}

void FspReportLayout::ReportBeforePrint() {
    rowsPerPage = kRowsPerPage;
    const int entries = entryCount();
    pageCount = static_cast<uint8_t>(entries == 0 ? 1 : (entries + kRowsPerPage - 1) / kRowsPerPage);
    // A run that ended half-way (a failed print) must not leave its page and entry behind.
    resetCounters();
    labels = FspReportLabels{};
}

void FspReportLayout::ReportNeedData(bool& more) {
    if (done) {
        more = false;
        resetCounters();
        return;
    }
    more = true;
}

void FspReportLayout::PageHeaderBand1BeforePrint() {
    const FehlerspeicherProtokoll& r = *record;
    labels.QRLabelSeite = pageText(currentPage, pageCount);
    labels.QRLabelSystem = r.System;
    labels.QRLabelTeilenummer = r.Teilenummer;
    labels.QRLabelFertigungsdatum = r.Produktionsdatum;
    labels.QRLabelSeriennummer = r.SerienNrEcu;
    labels.QRLabelHersteller = r.Hersteller;
    labels.QRLabelFahrzeugtyp = r.Fahrzeugtyp;
    labels.QRLabelPruefer = r.Pruefer;
    labels.QRLabelFahrgestellnummer = r.Fahrgestellnummer;
    labels.QRLabelKilometerstand = r.Kilometerstand;
    labels.QRLabelDatum = r.Datum + " " + r.Uhrzeit;
    if (columnMode == kSpalteTimer) labels.qrlblAnzahlTimer = "Timer";
}

void FspReportLayout::QRBand2BeforePrint(bool& print) {
    const int entries = entryCount();
    if (entries == 0) {
        labels.QRLabelBauteil = record->Eintraege[0].KomponenteMitCode;
        labels.QRLabelAktuell = "X";
        done = true;
        return;
    }
    if (nextEntry > entries) {
        print = false;
        done = true;
        return;
    }
    if (row > rowsPerPage) {
        row = 1;
        ++currentPage;
        print = false;
        newPageRequested = true;
        return;
    }
    const fehl_strct& e = record->Eintraege[nextEntry - 1];
    labels.QRLabelBauteil = e.KomponenteMitCode;
    labels.QRLabelFehlerart = e.FehlerartMitCode;
    labels.QRLabelAnzahl = std::to_string(columnMode == kSpalteAnzahl ? e.Zaehler : e.Timer);
    labels.QRLabelAktuell = e.Aktuell ? "X" : "";
    ++nextEntry;
    ++row;
}

Report FspReportLayout::Prepare() {
    if (!record) throw std::logic_error("FspReportLayout: no record to print");
    Report report;
    report.jobName = kJobName;
    ReportBeforePrint();
    startPage(report);
    int slot = 0;
    for (;;) {
        bool more = true;
        ReportNeedData(more);
        if (!more) break;
        bool print = true;
        newPageRequested = false;
        QRBand2BeforePrint(print);
        if (newPageRequested) {
            startPage(report);
            slot = 0;
        }
        if (print) addDetailBand(report.pages.back(), slot++);
    }
    return report;
}

void FspReportLayout::startPage(Report& report) {
    PageHeaderBand1BeforePrint();
    ReportPage& page = report.pages.emplace_back();

    // Header: logo, title, the four label rows with the page number, the column headings.
    page.pictures.push_back({.x = kMargin, .y = kMargin, .width = 193, .height = 33, .name = kReportLogo});
    page.texts.push_back({.x = kValueX, .y = kMargin + 2, .text = "DIAGNOSTIC PROTOCOL", .font = kTitleFont});
    const std::string* values[] = {&labels.QRLabelSystem, &labels.QRLabelTeilenummer,
                                   &labels.QRLabelFertigungsdatum, &labels.QRLabelSeriennummer};
    const char* captions[] = {"System", "NORVA part number", "Production date", "Serial number"};
    for (int i = 0; i < 4; ++i) {
        const int y = kLabelRowsTop + i * kLabelRowStep;
        const int valueWidth = (i == 3 ? kPageCellLeft : kFrameRight) - kValueX - 4;
        page.texts.push_back({.x = kCaptionX, .y = y, .text = captions[i], .font = kFont});
        page.texts.push_back({.x = kValueX, .y = y, .width = valueWidth, .text = *values[i], .font = kFont});
        if (i > 0) page.lines.push_back({kFrameLeft, y - 5, kFrameRight, y - 5});
    }
    const int labelFrameBottom = kLabelFrameTop + 4 * kLabelRowStep;
    page.rects.push_back({kFrameLeft, kLabelFrameTop, kFrameWidth, 4 * kLabelRowStep});
    page.lines.push_back({kValueColumnLeft, kLabelFrameTop, kValueColumnLeft, labelFrameBottom});
    page.lines.push_back({kPageCellLeft, labelFrameBottom - kLabelRowStep, kPageCellLeft, labelFrameBottom});
    const int pageRowY = kMargin + 130;
    page.texts.push_back({.x = 690, .y = pageRowY, .text = "Page :", .font = kFont, .align = TextAlign::Right});
    page.texts.push_back({.x = 696, .y = pageRowY, .text = labels.QRLabelSeite, .font = kFont});

    page.rects.push_back({kFrameLeft, kHeadingFrameTop, kFrameWidth, kGridTop - kHeadingFrameTop});
    page.texts.push_back({.x = kMargin + 13, .y = kHeadingFrameTop + 6, .text = "current", .font = kHeadingSmall});
    const int headingY = kGridTop - 24;
    page.texts.push_back({.x = kMargin + 47, .y = headingY, .text = labels.qrlblAnzahlTimer, .font = kFont});
    page.texts.push_back({.x = kValueX, .y = headingY, .text = "Component / note", .font = kFont});

    // The grid of 16 rows.
    for (int r = 0; r < kRowsPerPage; ++r) {
        const int y = kGridTop + r * kRowHeight;
        page.rects.push_back({kCurrentColumn, y, kNumberColumn - kCurrentColumn, kRowHeight});
        page.rects.push_back({kNumberColumn, y, kComponentColumn - kNumberColumn, kRowHeight});
        page.rects.push_back({kComponentColumn, y, kFrameRight - kComponentColumn, kRowHeight});
    }

    // Footer: caption and value boxes, the signature box.
    struct FooterField {
        int column;  // 0 left pair, 1 right pair
        int row;
        const char* caption;
        const std::string* value;
    };
    const FooterField fields[] = {
        {0, 0, "Manufacturer", &labels.QRLabelHersteller},
        {0, 1, "Vehicle type", &labels.QRLabelFahrzeugtyp},
        {0, 2, "Tested by", &labels.QRLabelPruefer},
        {0, 3, "Date", &labels.QRLabelDatum},
        {1, 0, "Vehicle ident. no", &labels.QRLabelFahrgestellnummer},
        {1, 1, "Odometer reading", &labels.QRLabelKilometerstand},
    };
    for (const FooterField& f : fields) {
        const int captionLeft = kFrameLeft + 2 * kBoxWidth * f.column;
        const int valueLeft = captionLeft + kBoxWidth;
        const int top = kFooterTop + f.row * kBoxHeight;
        page.rects.push_back({captionLeft, top, kBoxWidth, kBoxHeight});
        page.rects.push_back({valueLeft, top, kBoxWidth, kBoxHeight});
        page.texts.push_back({.x = kFooterCaptionX[f.column], .y = top + kFooterTextInset,
                              .text = f.caption, .font = kFont});
        page.texts.push_back({.x = kFooterValueX[f.column], .y = top + kFooterTextInset + 2,
                              .width = kFooterValueWidth, .text = *f.value, .font = kFooterValueFont});
    }
    const int signatureLeft = kFrameLeft + 2 * kBoxWidth;
    const int signatureTop = kFooterTop + 2 * kBoxHeight;
    page.rects.push_back({signatureLeft, signatureTop, 2 * kBoxWidth, 2 * kBoxHeight});
    page.texts.push_back({.x = signatureLeft + kFooterTextInset, .y = signatureTop + kFooterTextInset,
                          .text = "Signature", .font = kFont});
}

void FspReportLayout::addDetailBand(ReportPage& page, int slot) const {
    const int top = kGridTop + slot * kRowHeight;
    page.texts.push_back({.x = kMargin + 16, .y = top + 12, .text = labels.QRLabelAktuell, .font = kFont});
    page.texts.push_back({.x = kNumberColumn, .y = top + 12, .width = kComponentColumn - kNumberColumn,
                          .text = labels.QRLabelAnzahl, .font = kFont, .align = TextAlign::Centre});
    page.texts.push_back({.x = kMargin + 99, .y = top + 4, .width = kComponentTextWidth,
                          .text = labels.QRLabelBauteil, .font = kComponentFont});
    page.texts.push_back({.x = kMargin + 98, .y = top + 22, .width = kComponentTextWidth,
                          .text = labels.QRLabelFehlerart, .font = kFaultTypeFont});
}
