#pragma once
// TfrmSchalterstellungen: "Switch settings" - one row per digital input of the ECU with a
// picture and its state text, polled every 50 ms while the window is open.
//
// Use (the switch-settings command of the main window, with the poll paused):
//   TfrmSchalterstellungen window(this, ecu());
//   window.Execute();   // 1 OK; 2 the ECU was given up (DiagnoseAktiv cleared)
//
// Every ECU failure has been shown by the ECU layer's error dialog; the window repeats at once
// on the answer 1 and, on a give-up, clears DiagnoseAktiv and closes with 2 with its timer
// stopped for good (the main window then closes the connection). A row is redrawn only when its
// state changed, every row on the first poll.

#include "BasisDialog.h"
#include "LiveValueLists.h"
#include "RowColumn.h"

#include <QFrame>
#include <QPixmap>

#include <cstdint>
#include <vector>

class KELTInterface;
class QLabel;
class QScrollArea;
class QTimer;

// One row: the switch's picture, its name and its state text ("---" until filled).
class TfrmSchalterstellungenEintrag : public QFrame {
    Q_OBJECT
public:
    explicit TfrmSchalterstellungenEintrag(QWidget* parent = nullptr);

    QLabel* imgSchalter;
    QLabel* lblBezeichnung;
    QLabel* lblZustand;
};

class TfrmSchalterstellungen : public TNBasisDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 50;

    // kelt: the ECU layer (outlives the window). The poll timer runs from here on.
    TfrmSchalterstellungen(QWidget* owner, KELTInterface& kelt);

    // The switch list of the connected ECU with its rows, then the window modally.
    int Execute();
    // Execute without showing: builds the list and one row per visible entry.
    void prepareExecute();

    // One poll: reads the switch states (repeated at once on 1) and shows the rows that changed.
    void Timer1Timer();

    const SwitchList& switchList() const { return list_; }
    // One slot per list entry; null for an entry without a row.
    const std::vector<TfrmSchalterstellungenEintrag*>& rows() const { return rows_.rows(); }
    // The last answer of ReadSwitchStates.
    int letzteAntwort() const { return answer_; }

    QLabel* lblUeberschrift;
    QScrollArea* sbSchalter;
    std::vector<QPixmap> ilSchalter;  // the pictures of SwitchImageIndex
    QTimer* Timer1;

public slots:
    // Stops the poll for good before the window closes.
    void done(int result) override;

protected:
    void reject() override;  // the close box and Escape: 2, as Cancel

private:
    void fitRowsWidth();

    KELTInterface& kelt_;
    SwitchList list_;
    int answer_ = 0;
    RowColumn<TfrmSchalterstellungenEintrag> rows_;
    uint8_t firstDisplay_ = 1;
};
