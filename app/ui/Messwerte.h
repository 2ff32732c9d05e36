#pragma once
// TNMesswerte: "Measured values" - the ECU's supply voltages, speed, levels and, where fitted,
// pressure and tilt as a three-column list (value, unit, name), polled back to back while the
// window is open.
//
// Use (the measured-values command of the main window, with the poll paused):
//   TNMesswerte window(this, ecu());
//   window.exec();   // 1 OK; 2 the ECU was given up (DiagnoseAktiv cleared)
//
// Showing the window builds the list for the connected ECU and starts the poll. Every ECU
// failure has been shown by the ECU layer's error dialog: the answer 1 repeats at the next tick;
// a give-up clears DiagnoseAktiv and closes the window with 2, its timer stopped for good (the
// main window then closes the connection). A value is redrawn only when its text changed, every
// value on the first poll.

#include "BasisDialog.h"
#include "LiveValueLists.h"

#include <cstdint>
#include <string>
#include <vector>

class KELTInterface;
class QLabel;
class QShowEvent;
class QTimer;
class QTreeWidget;

class TNMesswerte : public TNBasisDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TNMesswerte(QWidget* owner, KELTInterface& kelt);

    // The dialog base's showing, then the list of the connected ECU with "---" for every value;
    // starts the poll.
    void FormShow();
    // One poll: reads the values and shows those whose text changed.
    void MesswerteTimerTimer();

    const daMesswerteListe& valueList() const { return list_; }

    QLabel* lblUeberschrift;
    QTreeWidget* ListView1;
    QTimer* MesswerteTimer;

public slots:
    // Stops the poll for good before the window closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // the close box and Escape: 2, as Cancel

private:
    KELTInterface& kelt_;
    daMesswerteListe list_;
    std::vector<std::string> shownTexts_;
    uint8_t firstDisplay_ = 1;
};
