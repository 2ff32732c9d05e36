#pragma once
// TfrmSupportedEcuList: "Supported ECUs" - the part numbers and diagnostic identifiers of
// ECUListe. A program's taller variant derives from it and changes sizes only.
// Use: TfrmSupportedEcuList w(owner); w.Execute();

#include "BasisDialog.h"
#include "SupportedEcuList.h"

class QLabel;
class QScrollArea;
class QWheelEvent;

class TfrmSupportedEcuList : public TNBasisDialog {
    Q_OBJECT
public:
    // list: the entries shown (ECUListe by default); read when Execute runs, must outlive it.
    explicit TfrmSupportedEcuList(QWidget* owner = nullptr, const EcuListEntries& list = ECUListe);

    // Builds the rows and shows the window modally; returns the modal result (1 OK).
    int Execute();
    // The rows without showing.
    void prepareExecute();

    // The wheel over the window or the list moves the list by 20 pixels.
    void sbECUListeMouseWheelDown();
    void sbECUListeMouseWheelUp();

    QLabel* Panel2;
    QLabel* lblTeilenummer;
    QLabel* lblDiagnosekennung;
    QScrollArea* sbECUListe;

protected:
    void reject() override;  // the close box and Escape answer 2 (Cancel)
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const EcuListEntries& list_;
};

// The window while it is shown by the main window's command (null otherwise).
extern TfrmSupportedEcuList* frmSupportedEcuList;
