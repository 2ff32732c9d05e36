#include "FspPrint.h"

#include "Preview.h"

TFspPrint* FspPrint = nullptr;

TFspPrint::TFspPrint(QWidget* owner) : TfrmCOMBasisDialog(owner), Besitzer(owner) {
    setObjectName(QStringLiteral("FspPrint"));
    setWindowTitle(QStringLiteral("Print error memory"));
}

TFspPrint::~TFspPrint() {
    if (FspPrint == this) FspPrint = nullptr;
}

int TFspPrint::Print(const FehlerspeicherProtokoll& record) {
    Report.record = &record;
    Report.columnMode = columnModeFor(record);
    if (Besitzer) Besitzer->repaint();
    return PreviewReport();
}

int TFspPrint::PrintData(const FehlerspeicherProtokoll& record) {
    Report.record = &record;
    Report.columnMode = kSpalteTimer;
    return PreviewReport();
}

int TFspPrint::PreviewReport() {
    struct Running {
        TFspPrint* before;
        explicit Running(TFspPrint* report) : before(FspPrint) { FspPrint = report; }
        ~Running() { FspPrint = before; }
    } running(this);
    Tfrm_Preview preview(Besitzer);
    return preview.ReportAnzeigen(Report);
}
