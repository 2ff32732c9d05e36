#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// Read end, write end. The handler reaches only the write end.
int signalPipe[2] = {-1, -1};
struct sigaction previousActions[kSignals.size()];

extern "C" void onTerminationSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Non-blocking: with the pipe full a request is waiting already.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &number, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
    // Slow calls go on after the handler: the driver's reads and writes are not cut short.
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        installed_ = ::sigaction(kSignals[i], &action, &previousActions[i]) == 0 && installed_;
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &previousActions[i], nullptr);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TerminationSignals::readSignals() {
    unsigned char numbers[16];
    bool any = false;
    ssize_t n;
    while ((n = ::read(signalPipe[0], numbers, sizeof numbers)) > 0 || (n < 0 && errno == EINTR))
        any = any || n > 0;
    // Asked once however many came: the exit request is under way.
    if (any && request_) request_();
}
