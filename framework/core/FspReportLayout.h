#pragma once
// The printed fault-memory protocol ("DIAGNOSTIC PROTOCOL"): one A4 page per 16 entries, each
// page with the header (logo, title, system, part number, production date, serial number, page
// number, column headings), a grid of 16 rows and the footer boxes (manufacturer, vehicle type,
// tester, date, vehicle ident. no, odometer reading, signature).
//
// The layout runs as a banded report: Prepare() calls the report's events in the engine's order
// (ReportBeforePrint, PageHeaderBand1BeforePrint at the head of each page, then
// ReportNeedData / QRBand2BeforePrint once per detail band) and turns the captions the events
// set into the page's texts. The events are public so a run can be followed step by step.

#include "FehlerspeicherProtokoll.h"
#include "ReportModel.h"

#include <cstdint>
#include <string>

// What the second column of the grid shows.
constexpr uint8_t kSpalteTimer = 0;   // heading "Timer", the entries' timers
constexpr uint8_t kSpalteAnzahl = 1;  // heading "Number", the entries' counters

// The column of a print from the fault-memory window: the counter column when its flag is set,
// else the timer column when its flag is set, else the timer column when any valid entry has a
// timer, else the counter column.
uint8_t columnModeFor(const FehlerspeicherProtokoll& record);

// The caption of each label of the report, as the events set them.
struct FspReportLabels {
    // page header
    std::string QRLabelSeite;
    std::string QRLabelSystem = "---";
    std::string QRLabelTeilenummer = "---";
    std::string QRLabelFertigungsdatum = "---";
    std::string QRLabelSeriennummer = "---";
    std::string qrlblAnzahlTimer = "Number";
    // footer
    std::string QRLabelHersteller;
    std::string QRLabelFahrzeugtyp;
    std::string QRLabelPruefer;
    std::string QRLabelDatum;
    std::string QRLabelFahrgestellnummer;
    std::string QRLabelKilometerstand;
    // detail band
    std::string QRLabelAktuell;
    std::string QRLabelAnzahl;
    std::string QRLabelBauteil;
    std::string QRLabelFehlerart;
};

class FspReportLayout final : public ReportProducer {
public:
    static constexpr uint8_t kRowsPerPage = 16;
    static constexpr const char* kJobName = "Fehlerspeicherprotokoll";

    // The record to print (not owned; it must outlive every Prepare) and the column mode.
    const FehlerspeicherProtokoll* record = nullptr;
    uint8_t columnMode = kSpalteTimer;

    // The whole report, from page 1 and entry 1. Throws std::logic_error without a record.
    Report Prepare() override;

    // --- the report's events ---
    // Starts a run: rows per page, page count, and page, row and entry back to 1.
    void ReportBeforePrint();
    // more = false once the last band was handled (and the counters go back to 1).
    void ReportNeedData(bool& more);
    // Fills the header and footer labels of the current page.
    void PageHeaderBand1BeforePrint();
    // Fills the detail labels of the next entry; print = false for a band that is not printed.
    // A full page asks for a new page (newPageRequested) and prints the entry on the next call.
    void QRBand2BeforePrint(bool& print);

    // --- run state ---
    uint8_t pageCount = 1;
    uint8_t rowsPerPage = kRowsPerPage;
    uint8_t currentPage = 1;  // 1-based
    uint8_t row = 1;          // row on the page, 1-based
    uint8_t nextEntry = 1;    // 1-based
    bool done = false;
    bool newPageRequested = false;
    FspReportLabels labels;

private:
    // The valid entries: Anzahl, never more than the record holds.
    int entryCount() const;
    void resetCounters();
    void startPage(Report& report);
    void addDetailBand(ReportPage& page, int slot) const;
};
