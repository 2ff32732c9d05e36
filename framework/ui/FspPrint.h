#pragma once
// TFspPrint: the printed fault-memory protocol ("Print error memory"). The form is never shown; it
// carries the report (FspReportLayout, framework/core) and hands it to the print preview. The
// fault-memory window creates one per print, calls Print or PrintData with its record and
// deletes it:
//
//   TFspPrint report(Besitzer);
//   report.Print(record);       // column chosen from the record, then the preview
//
// While a report runs (Print, PrintData, PreviewReport), the global FspPrint points at it.

#include "BasisDialog.h"
#include "FehlerspeicherProtokoll.h"
#include "FspReportLayout.h"

class TFspPrint : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    // owner: the control Print repaints (may be null).
    explicit TFspPrint(QWidget* owner = nullptr);
    ~TFspPrint() override;

    // Keeps the record (not owned), chooses the counter or timer column, repaints the owner and
    // previews. Returns the preview's modal result.
    int Print(const FehlerspeicherProtokoll& record);
    // Keeps the record and previews with the timer column.
    int PrintData(const FehlerspeicherProtokoll& record);
    // Shows the report in a Tfrm_Preview; returns its modal result.
    int PreviewReport();

    FspReportLayout Report;
    QWidget* Besitzer;
};

// The report that is running, else null.
extern TFspPrint* FspPrint;
