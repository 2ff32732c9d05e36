#pragma once
// TKeltFsp: the fault-memory window of the KELT ECU. It takes its texts from the program's own
// fault-text file (KELTInterface::kSystemName + ".FKD", whatever identifier it is given), reads the fault memory
// through the ECU layer, clears it, and refreshes it by restarting the ECU session. Help and
// Info are disabled; double-clicking an entry opens its help topic. There is no cyclic update.
//
// Use (the fault-memory command of the main window):
//   TKeltFsp fsp(this, *KELTInterfaceObj, true, true, kelt.EcuDiagnosticIdentification);
//   fsp.DruckenSichtbar(true);
//   fsp.SpeichernSichtbar(true);
//   fsp.Ausfuehren();          // 1 OK, 2 Cancel or an ECU failure, 0 the read failed
// Construction is complete in one step: the class is final and runs its Initialisieren itself.
//
// Every ECU failure has been shown by the ECU layer's error dialog; the window repeats on the
// answer 1 and, on any other, clears DiagnoseAktiv and closes with 2 (the main window then
// closes the connection). Refresh and clear restart the ECU session, so the KELTInterface must
// have its wait dialog and interface opener set.

#include "Fehlerspeicher.h"

#include <cstdint>
#include <filesystem>
#include <string>

class KELTInterface;

class TKeltFsp final : public TNFehlerspeicher {
    Q_OBJECT
public:
    // owner: the window's owner. kelt: the ECU layer (outlives the window). fallback, warn: as
    // TNFehlerspeicher (the KELT file is never substituted). diagnosticIdentifier: the ECU's
    // EcuDiagnosticIdentification. programFolder: where the fault-text file lies; empty means the
    // running program's folder.
    TKeltFsp(QWidget* owner, KELTInterface& kelt, bool fallback, bool warn,
             const std::string& diagnosticIdentifier, std::filesystem::path programFolder = {});

    void Initialisieren(const std::string& name, bool fallback, bool warn) override;
    // Clears both tables, reads the fault memory (repeated on 1) and looks up the texts of the
    // entries in use. False when the user gave up (DiagnoseAktiv cleared).
    bool FehlerspeicherLesen() override;
    // Detail fields: path, type, counter / duration and number (27).
    void Voreinstellungen() override;
    // ReportLastError(9), read, show modally, ReportLastError(10). A failed read shows nothing
    // and returns 0.
    int Ausfuehren() override;
    // The vehicle-data window; false when it was cancelled.
    bool PrueferAbfragen() override;

    // The last retry answer of the window's ECU operations.
    int32_t letzteAntwort() const { return letzteAntwort_; }

public slots:
    // Clears the ECU's fault memory (no confirmation), then shows it as read after the restart.
    void btnFehlerLoeschenClick() override;
    // Restarts the ECU session and shows the fault memory read afterwards.
    void btnAktualisierenClick() override;
    void btnFehlerInfoClick() override;

private:
    // Runs the operation while it answers 1; on another non-zero answer clears DiagnoseAktiv.
    // The final answer.
    template <class Operation>
    int withRetry(Operation operation);

    KELTInterface& kelt_;
    int32_t letzteAntwort_ = 0;
};
