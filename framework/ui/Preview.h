#pragma once
// Tfrm_Preview: the print preview every report of the program goes through ("Print preview").
// It shows a ReportProducer's pages (ReportModel.h) in a QPrintPreviewWidget, with a tool bar for
// the zoom (full page, original size, page width), the pages, the printer set-up, printing and
// closing, and a printer-scale box that the layout keeps hidden.
//
// The report is laid out afresh (ReportProducer::Prepare) when it is attached, after a printer
// set-up or a scale change, and for every print: every run starts at its first page and entry.
// Printing goes to reportPrinterService().printer() (ReportPrinter.h); a printer that cannot
// be used is named in a warning and the preview stays open for another printer or a PDF file.
//
// Usage: create, ReportAnzeigen(report), delete. In steps, without blocking (tests):
// attachReport(report), show(), the handlers, done().

#include "BasisDialog.h"
#include "ReportModel.h"

class QComboBox;
class QPrintPreviewWidget;
class QPrinter;
class QToolBar;
class QToolButton;

class Tfrm_Preview : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    static constexpr int kExitResult = 3;

    explicit Tfrm_Preview(QWidget* owner = nullptr);
    ~Tfrm_Preview() override;

    // Keeps the report (not owned), lays it out, shows its first page and shows the window
    // modally; returns the modal result (3 from the exit button).
    int ReportAnzeigen(ReportProducer& report);
    // The first steps of ReportAnzeigen, without showing the window.
    void attachReport(ReportProducer& report);

    // Sets the program-wide printer scale: 20..300, else message 11639 and the old scale stays.
    void DruckskalierungSetzen(int percent);

    // What the preview shows.
    int pageCount() const;
    int currentPage() const;
    int zoom() const { return zoom_; }

    QPrintPreviewWidget* QRPreview1;
    QToolBar* ToolBar1;
    QToolButton* cmd_GanzeSeite;
    QToolButton* cmd_100;
    QToolButton* cmd_Seitenbreite;
    QToolButton* cmd_ErsteSeite;
    QToolButton* cmd_SeiteZurueck;
    QToolButton* cmd_SeiteVor;
    QToolButton* cmd_LetzteSeite;
    QToolButton* cmd_DruckInstall;
    QToolButton* cmd_Drucken;
    QToolButton* cmd_Exit;
    QComboBox* cbb_Scale;

public slots:
    // The zoom for the checked zoom button and the preview's size.
    void FormResize();
    void cmd_ErsteSeiteClick();
    void cmd_SeiteZurueckClick();
    void cmd_SeiteVorClick();
    void cmd_LetzteSeiteClick();
    void cmd_DruckInstallClick();
    void cmd_DruckenClick();
    void cmd_ExitClick();
    void cbb_ScaleClick();
    // Only Enter (key code 13) reads the box.
    void cbb_ScaleKeyDown(int key);
    // The wheel scrolls the page by 20 pixels.
    void FormMouseWheelDown();
    void FormMouseWheelUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void prepareAndAttach();
    void paintPages(QPrinter* printer);
    void goToPage(int page);
    void showScale();

    ReportProducer* report_ = nullptr;
    Report shown_;
    QPrinter* previewPrinter_;
    int zoom_ = 100;
};
