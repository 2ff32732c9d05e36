#include "OutputShutdown.h"

#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "StringTable.h"

OutputShutdown::OutputShutdown(KELTInterface& kelt, std::function<int()> switchOff,
                               std::function<void()> stopTimers)
    : kelt_(kelt),
      switchOff_(std::move(switchOff)),
      stopTimers_(std::move(stopTimers)),
      actuationsBefore_(kelt.actuationRequestsSent()) {}

bool OutputShutdown::drove() const { return kelt_.actuationRequestsSent() != actuationsBefore_; }

bool OutputShutdown::begin() {
    if (stopTimers_) stopTimers_();
    const bool first = running_;
    running_ = false;
    return first;
}

void OutputShutdown::afterGiveUp() {
    int answer = NoErrorShown;
    if (begin() && drove()) {
        // The user has just given the connection up: one try, no second dialog.
        KELTInterface::SilentErrors silent(kelt_);
        answer = switchOff_();
    }
    kelt_.DiagnoseAktiv = 0;
    if (answer != NoErrorShown) warnNotSwitchedOff();
}

int OutputShutdown::finish() {
    if (!begin() || !drove()) return NoErrorShown;
    const int answer = repeatWhileAsked(switchOff_);
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

void OutputShutdown::warnNotSwitchedOff() const {
    MsgBox(LoadStr(kNotSwitchedOffText), kelt_.applicationTitle(), MB_ICONWARNING | MB_OK);
}
