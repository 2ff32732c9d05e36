#pragma once
// The printer the program's reports go to and its set-up dialog, behind one small service so tests
// print into a PDF file without a dialog. The printer is one object for the program's life: a
// printer or file chosen in one preview stays chosen for the next, as the scale does.
//
// Without an installed service the program uses QtReportPrinter: the system's default printer
// (none when no printer is set up) and Qt's print dialog, which also offers printing into a PDF
// file.

#include <QPrinter>

class QWidget;

class ReportPrinterService {
public:
    virtual ~ReportPrinterService() = default;
    virtual QPrinter& printer() = 0;
    // The printer set-up dialog, owned by `owner`; true when the user accepted a printer.
    virtual bool setUp(QWidget* owner) = 0;
};

class QtReportPrinter final : public ReportPrinterService {
public:
    QtReportPrinter();
    QPrinter& printer() override { return printer_; }
    bool setUp(QWidget* owner) override;

private:
    QPrinter printer_;
};

// Installs the service the previews use; returns the one installed before (may be null).
ReportPrinterService* installReportPrinterService(ReportPrinterService* service);
// The installed service, else the program's QtReportPrinter (made on first use).
ReportPrinterService& reportPrinterService();
