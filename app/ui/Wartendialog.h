#pragma once
// TfrmWartenDialog: "Updating diagnostic memory / Please wait!" - a borderless modal window with a
// progress bar, shown while the ECU restarts. It closes itself (result 1) at the first 500 ms
// tick at which the wait time has passed; the hourglass is shown meanwhile.
// Use: TfrmWartenDialog w(owner); w.Execute(10000);
//
// WaitWindow hands it to the ECU layer (KELTInterface::setWaitDialog): a fresh window each wait.

#include "EcuSessionWindows.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QProgressBar;
class QTimer;

class TfrmWartenDialog : public QDialog {
    Q_OBJECT
public:
    // The tick of WarteTimer and the step of the progress bar.
    static constexpr int32_t kTickMs = 500;

    explicit TfrmWartenDialog(QWidget* owner = nullptr);

    // Shows the window modally for about `milliseconds` (whole ticks), with the hourglass.
    void Execute(int32_t milliseconds);
    // Execute without showing and without the hourglass: the wait time, the progress bar and the
    // running timer.
    void prepareExecute(int32_t milliseconds);

    // One tick: the time passes by 500 ms; the bar steps while time is left, else the window
    // closes with 1.
    void WarteTimerTimer();

    int32_t wartezeit() const { return wartezeit_; }
    int32_t vergangen() const { return vergangen_; }

    QLabel* lblAktualisieren;
    QLabel* lblBitteWarten;
    QProgressBar* ProgressBar;
    QTimer* WarteTimer;

protected:
    void reject() override;  // Escape does not end the wait early

private:
    int32_t wartezeit_ = 0;
    int32_t vergangen_ = 0;
};

// The wait window for the ECU layer.
class WaitWindow : public WaitDialog {
public:
    // owner: the window it is centred on and owned by (the main window); may be null.
    explicit WaitWindow(QWidget* owner = nullptr) : owner_(owner) {}
    void Execute(int32_t milliseconds) override;

private:
    QWidget* owner_;
};
