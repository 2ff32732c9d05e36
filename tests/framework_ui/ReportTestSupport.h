#pragma once
// Printing in window tests: a printer that writes a PDF file and a scripted printer set-up, and
// the preview as the program shows it. Read the file back with PdfText.h (tests/support).

#include "Preview.h"
#include "ReportPrinter.h"
#include "StringTable.h"

#include <QApplication>
#include <QPrinter>
#include <QString>

#include <filesystem>
#include <functional>
#include <string>

// The printer of every preview while it lives: a PDF file. The set-up dialog is `setUpAnswer`:
// it may change the printer (another file) and answers true for OK.
// What a print into the PDF file `file` tells the technician.
inline std::string printedIntoFileText(const std::filesystem::path& file) {
    std::string text = LoadStr(11993);
    text.replace(text.find("%s"), 2, file.string());
    return text;
}

class PdfReportPrinter final : public ReportPrinterService {
public:
    explicit PdfReportPrinter(const std::filesystem::path& file)
        : printer_(QPrinter::HighResolution), previous_(installReportPrinterService(this)) {
        printTo(file);
    }
    ~PdfReportPrinter() override { installReportPrinterService(previous_); }
    PdfReportPrinter(const PdfReportPrinter&) = delete;
    PdfReportPrinter& operator=(const PdfReportPrinter&) = delete;

    void printTo(const std::filesystem::path& file) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QString::fromStdString(file.string()));
    }

    QPrinter& printer() override { return printer_; }
    bool setUp(QWidget*) override {
        ++setUps;
        return setUpAnswer ? setUpAnswer(printer_) : false;
    }

    std::function<bool(QPrinter&)> setUpAnswer;
    int setUps = 0;

private:
    QPrinter printer_;
    ReportPrinterService* previous_;
};

// The preview that is shown modally right now, or null.
inline Tfrm_Preview* shownPreview() {
    return qobject_cast<Tfrm_Preview*>(QApplication::activeModalWidget());
}
