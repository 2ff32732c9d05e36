#include "OutputShutdown.h"

#include "AutomationHub.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "StringTable.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::function<bool()>& exitRequestedQuery() {
    static std::function<bool()> query;
    return query;
}

// Set once the process-end switch-off ran: later calls (each object registers again) do nothing.
constinit bool processEndHandled = false;

void atProcessEnd() { OutputShutdown::switchOffBeforeTheProcessEnds(); }

}  // namespace

OutputShutdown::OutputShutdown(KELTInterface& kelt, std::function<int()> switchOff,
                               std::function<void()> stopTimers)
    : kelt_(kelt),
      switchOff_(std::move(switchOff)),
      stopTimers_(std::move(stopTimers)),
      actuationsBefore_(kelt.actuationRequestsSent()),
      settledAt_(actuationsBefore_) {
    older_ = newest_;
    if (older_) older_->newer_ = this;
    newest_ = this;
    // Registered now, after the driver and the interface library the off command goes through
    // have been set up (and the string table the warning needs): handlers run in reverse order,
    // so this one runs before those are torn down. An earlier registration finds the work done.
    LoadStr(kNotSwitchedOffText);
    std::atexit(atProcessEnd);
    std::at_quick_exit(atProcessEnd);
}

OutputShutdown::~OutputShutdown() {
    // The window goes without its way out (an exception passing through it).
    if (running_ && !processEndHandled && begin() && mayBeDriven()) switchOffSilently();
    if (newer_) newer_->older_ = older_;
    else newest_ = older_;
    if (older_) older_->newer_ = newer_;
}

bool OutputShutdown::drove() const { return kelt_.actuationRequestsSent() != actuationsBefore_; }

bool OutputShutdown::mayBeDriven() const { return kelt_.actuationRequestsSent() != settledAt_; }

bool OutputShutdown::begin() {
    if (stopTimers_) stopTimers_();
    const bool first = running_;
    running_ = false;
    return first;
}

int OutputShutdown::switchOff() {
    const int answer = switchOff_();
    if (answer == NoErrorShown) settledAt_ = kelt_.actuationRequestsSent();
    return answer;
}

int OutputShutdown::switchOffSilently() {
    KELTInterface::SilentErrors silent(kelt_);
    return switchOff();
}

void OutputShutdown::afterGiveUp() {
    int answer = NoErrorShown;
    // The user has just given the connection up: one try, no second dialog.
    if (begin() && drove()) answer = switchOffSilently();
    kelt_.DiagnoseAktiv = 0;
    if (answer != NoErrorShown) warnNotSwitchedOff();
}

int OutputShutdown::finish() {
    if (!begin() || !drove()) return NoErrorShown;
    int answer = repeatWhileAsked([this] { return switchOff(); });
    // Nobody answered that dialog: the exit request ended it. Once more, as after a give-up.
    if (answer != NoErrorShown && exitRequested()) answer = switchOffSilently();
    if (answer != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        warnNotSwitchedOff();
    }
    return answer;
}

int OutputShutdown::finishExecute(int modalResult) {
    int result = finish() == NoErrorShown ? modalResult : GiveUp;
    if (repeatWhileAsked([&] { return kelt_.ReportLastError(); }) != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        result = GiveUp;
    }
    return result;
}

KELTInterface::BeforeErrorDialog OutputShutdown::releaseBeforeDialogs(std::function<bool()> dropHold) {
    return KELTInterface::BeforeErrorDialog(kelt_, [this, dropHold = std::move(dropHold)] {
        if (dropHold()) switchOff();  // errors are silent here already
    });
}

void OutputShutdown::warnNotSwitchedOff() const {
    const std::string text = LoadStr(kNotSwitchedOffText);
    // The program is ending: its loops are over and a box may not show any more. (At the process
    // end nothing else is asked: what it would ask may be torn down already.)
    if (processEndHandled || exitRequested()) std::fprintf(stderr, "%s\n", text.c_str());
    if (!processEndHandled) MsgBox(text, kelt_.applicationTitle(), MB_ICONWARNING | MB_OK);
}

void OutputShutdown::setExitRequested(std::function<bool()> asked) { exitRequestedQuery() = std::move(asked); }

bool OutputShutdown::exitRequested() {
    const std::function<bool()>& query = exitRequestedQuery();
    return query ? query() : applicationHub().closeRequested();
}

void OutputShutdown::switchOffBeforeTheProcessEnds() {
    if (processEndHandled) return;
    processEndHandled = true;
    std::vector<KELTInterface*> interfaces;
    for (OutputShutdown* shutdown = newest_; shutdown; shutdown = shutdown->older_) {
        shutdown->begin();
        if (shutdown->mayBeDriven() && shutdown->switchOffSilently() != NoErrorShown)
            shutdown->warnNotSwitchedOff();
        // A driving window is open: its connection is up, and nothing else will close it now.
        bool known = false;
        for (KELTInterface* kelt : interfaces) known = known || kelt == &shutdown->kelt_;
        if (!known) interfaces.push_back(&shutdown->kelt_);
    }
    for (KELTInterface* kelt : interfaces) {
        KELTInterface::SilentErrors silent(*kelt);
        kelt->DisconnectEcu();
        kelt->DiagnoseAktiv = 0;
    }
}
