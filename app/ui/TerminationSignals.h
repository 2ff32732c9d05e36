#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, Ctrl+C, a closed terminal) end the program
// the way its exit command does, so every window that drives outputs switches them off and the
// interface is closed, instead of the process dying with whatever the ECU was last told.
//
// The signal handler only writes the signal's number into a pipe (async-signal-safe); a socket
// notifier reads it in the event loop - also in a modal dialog's loop - and calls `request`.
// While the object lives it owns the three signals; destroying it restores what was there.
//
// Use (main, once the application exists):
//   TerminationSignals terminationSignals([] { applicationHub().RequestCloseApplication(); });

#include <QObject>

#include <functional>

class QSocketNotifier;

class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> request, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe or a handler could not be set up (the signals then end the process
    // as before).
    bool installed() const { return installed_; }

private:
    void readSignals();

    std::function<void()> request_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};
