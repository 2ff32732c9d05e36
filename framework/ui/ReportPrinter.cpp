#include "ReportPrinter.h"

#include <QCoreApplication>
#include <QPrintDialog>

namespace {
ReportPrinterService* installedService = nullptr;
QtReportPrinter* programPrinter = nullptr;

// The printer goes with the application object, while the print system is still there.
void deleteProgramPrinter() {
    delete programPrinter;
    programPrinter = nullptr;
}
}

QtReportPrinter::QtReportPrinter() : printer_(QPrinter::HighResolution) {}

bool QtReportPrinter::setUp(QWidget* owner) {
    QPrintDialog dialog(&printer_, owner);
    // The report decides pages and copies; the dialog only chooses the printer or the file.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

ReportPrinterService* installReportPrinterService(ReportPrinterService* service) {
    ReportPrinterService* previous = installedService;
    installedService = service;
    return previous;
}

ReportPrinterService& reportPrinterService() {
    if (installedService) return *installedService;
    if (!programPrinter) {
        programPrinter = new QtReportPrinter;
        qAddPostRoutine(deleteProgramPrinter);
    }
    return *programPrinter;
}
