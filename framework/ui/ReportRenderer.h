#pragma once
// Paints the report model (ReportModel.h) with QPainter: onto the preview's pages, a printer or a
// PDF file. One page unit is 1/96 inch on paper whatever the device's resolution; texts are in
// DejaVu Sans; the printer scale enlarges or shrinks everything from the page's top left corner,
// as it did on the old form, without touching the model.

#include "ReportModel.h"

#include <QString>

#include <string>

class QPainter;
class QPrinter;

// Paints one page onto a painter whose unit is one page unit, at scalePercent of the base scale.
void paintReportPage(QPainter& painter, const ReportPage& page, int scalePercent);

// How a print ended.
struct ReportPrintOutcome {
    enum class Status {
        Printed,     // every page went to the printer
        NoPrinter,   // no printer is set up (no printer name, no output file)
        OpenFailed,  // the printer or the file could not be opened; nothing was printed
        PageFailed,  // a page after the first could not be started; the pages before it went out
    };
    Status status = Status::Printed;
    int failedPage = 0;  // PageFailed: the 1-based page that did not go out
    int pageCount = 0;
    bool printed() const { return status == Status::Printed; }
};

// Sets the printer up for the report: its job name, its page size, the whole sheet without margins.
void preparePrinter(QPrinter& printer, const Report& report);
// Paints every page at the scale onto a prepared printer (also the preview's, which records them).
ReportPrintOutcome paintReport(const Report& report, QPrinter& printer, int scalePercent);
// A print: NoPrinter when none is set up, else preparePrinter and paintReport.
ReportPrintOutcome printReport(const Report& report, QPrinter& printer, int scalePercent);

// The name of the printer as the user knows it: the printer's name, or the PDF file.
QString printerDisplayName(const QPrinter& printer);

// The warning for a print that did not end in Printed (Windows-1252, for MsgBox).
std::string printFailureText(const ReportPrintOutcome& outcome, const QPrinter& printer);
// What a print that went into a PDF file tells the technician: where the file is (Windows-1252,
// for MsgBox); empty for a print on paper, which shows for itself.
std::string printDoneText(const QPrinter& printer);
