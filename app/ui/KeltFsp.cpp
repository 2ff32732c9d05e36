#include "KeltFsp.h"

#include "Fahrzeugdaten.h"
#include "FaultMemoryRead.h"
#include "KELTInterface.h"
#include "MessageBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Function numbers handed to the ECU layer's error hook when the window opens and closes.
constexpr int kFunctionOpened = 9;
constexpr int kFunctionClosed = 10;

}  // namespace

TKeltFsp::TKeltFsp(QWidget* owner, KELTInterface& kelt, bool fallback, bool warn,
                   const std::string& diagnosticIdentifier, std::filesystem::path programFolder)
    : TNFehlerspeicher(owner, diagnosticIdentifier, fallback, warn, std::move(programFolder)),
      kelt_(kelt) {
    setObjectName(QStringLiteral("KeltFsp"));
    setWindowTitle(QStringLiteral("KELT fault memory"));
    btnHilfe->setEnabled(false);
    btnFehlerInfo->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{GroupBox1, StaticText1, MaskEdit1,
                                                       CheckBoxZyklischAktualisieren}) {
        w->setEnabled(false);
        w->setVisible(false);
    }
    initialize();
}

template <class Operation>
int TKeltFsp::withRetry(Operation operation) {
    const int answer = repeatWhileAsked(operation);
    letzteAntwort_ = answer;
    if (answer != 0) kelt_.DiagnoseAktiv = 0;
    return answer;
}

void TKeltFsp::Initialisieren(const std::string&, bool, bool warn) {
    TNFehlerspeicher::Initialisieren(KELTInterface::kSystemName, false, warn);
}

bool TKeltFsp::FehlerspeicherLesen() {
    FehlerTabelleLoeschen();
    const FaultTextFile& file = texts();
    letzteAntwort_ = ReadFaultTable(kelt_, Fehlertabelle, &file);
    return letzteAntwort_ == 0;
}

void TKeltFsp::Voreinstellungen() {
    AnzeigeMaskeSetzen(FaultDetailMask::Komponente | FaultDetailMask::Fehlerart |
                       FaultDetailMask::Zaehler | FaultDetailMask::Nummer);
}

int TKeltFsp::Ausfuehren() {
    kelt_.ReportLastError(kFunctionOpened);
    FehlerTabelleLoeschen();
    if (!FehlerspeicherLesen()) return 0;
    const int result = exec();
    kelt_.ReportLastError(kFunctionClosed);
    return result;
}

bool TKeltFsp::PrueferAbfragen() {
    TfrmFahrzeugdaten dialog(this);
    return dialog.exec() != IDCANCEL;
}

void TKeltFsp::btnFehlerLoeschenClick() {
    if (!LoeschenBestaetigt()) return;
    BusyCursorScope busy(kelt_.busyCursor());
    FehlerListeLeeren();
    if (withRetry([this] { return kelt_.ClearFaultMemory(); }) != 0) {
        done(IDCANCEL);
        return;
    }
    if (!FehlerspeicherLesen()) done(IDCANCEL);
    FehlerListeFuellen(false);
}

void TKeltFsp::btnAktualisierenClick() {
    FehlerListeLeeren();
    if (withRetry([this] { return kelt_.RestartEcuSession(); }) != 0) {
        done(IDCANCEL);
        return;
    }
    if (!FehlerspeicherLesen()) done(IDCANCEL);
    FehlerListeFuellen(false);
}

void TKeltFsp::btnFehlerInfoClick() { TNFehlerspeicher::btnFehlerInfoClick(); }
