#pragma once
// What the window benchmarks share: a folder of their own, the resident size, the
// parameter description files they write from the format, and the technician who answers every
// box and closes every window as soon as it shows.

#include "AutomationHub.h"
#include "Clock.h"
#include "Main.h"
#include "MessageBox.h"
#include "PortSelection.h"
#include "QtApplicationWindows.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

// A folder of its own, removed at the end; HOME and the XDG folders point into it, so the
// program's settings never touch the user's.
class BenchHome {
public:
    explicit BenchHome(const char* name) {
        std::string path = (fs::temp_directory_path() / (std::string(name) + "_XXXXXX")).string();
        if (!::mkdtemp(path.data())) std::abort();
        path_ = path;
        fs::create_directories(path_ / "Documents");
        setenv("HOME", path_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (path_ / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (path_ / ".local/share").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    ~BenchHome() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The process's resident size in bytes.
inline long residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    long pages = 0, resident = 0;
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : -1;
}

// The bytes the heap holds for live allocations (what is kept, whatever the pages).
inline long heapInUseBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// A clock that passes the waits at once: a restart's 5 s are no part of a window's memory.
class NoWaitClock final : public Clock {
public:
    uint64_t nowMs() const override { return SteadyClock::instance().nowMs() + skipped_; }
    void sleepMs(uint64_t ms) override { skipped_ += ms; }

private:
    uint64_t skipped_ = 0;
};

// Drops the offscreen platform's notes about size hints, which would bury the figures.
inline void quietPlatformNotes() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (message.contains(QLatin1String("propagateSizeHints"))) return;
        std::fprintf(stderr, "%s\n", qPrintable(message));
    });
}

// A parameter description of `count` one-byte parameters as the technician meets them: two note
// lines, every fifth parameter bit-coded with its eight captions, the others with a factor, an
// offset, a unit and two description lines.
inline void writeDescription(const fs::path& file, int count, bool withBits = true) {
    std::ofstream out(file, std::ios::binary);
    out << "[Hinweise]\r\n1=Benchmark data, written by the benchmark.\r\n2=Second note line.\r\n"
        << "[ECUListe]\r\n1=841 302 117 0\r\n";
    for (int i = 1; i <= count; ++i) {
        out << "[" << i << "]\r\n";
        if (withBits && i % 5 == 0) {
            out << "Bit=1\r\n";
            for (int b = 0; b < 8; ++b) out << "Text" << b << "l=Option " << b << " off\r\nText" << b << "h=Option " << b << " on\r\n";
        } else {
            out << "Faktor=0.5\r\nOffset=10\r\nEinheit=mm\r\n";
            out << "Text=Parameter " << i << " of the benchmark\r\nText1=its second line\r\n";
        }
    }
}

// Answers Yes to every question and OK to every other box.
class YesToEverything : public MessageBoxService {
public:
    int MsgBox(const std::string&, const std::string&, unsigned flags) override {
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    }
};

class FirstPort : public PortSelectionDialog {
public:
    int ShowPortDialog(std::string& port) override {
        port = "COM1";
        return 1;
    }
};

// The demo program's main window as the technician meets it, made once the application exists:
// every box answered, COM1 as the port. programFolder (else beside programFile) holds its files;
// a sessionClock, when given, passes the session's waits.
class DemoMainWindow {
public:
    explicit DemoMainWindow(const std::string& programFile, const fs::path& programFolder = {},
                            Clock* sessionClock = nullptr) {
        QApplication::setApplicationName(QStringLiteral("Tarvik Diagnostic Software"));
        installMessageBoxService(&boxes_);
        applicationHub().setWindows(&windows_);
        environment_.basis.arguments = std::vector<std::string>{programFile, "demo"};
        environment_.basis.portDialog = &ports_;
        if (!programFolder.empty()) environment_.programFolder = programFolder.string();
        environment_.sessionClock = sessionClock;
        window_ = std::make_unique<TfrmMain>(nullptr, environment_);
        windows_.setMainWindow(window_.get());
    }
    DemoMainWindow(const DemoMainWindow&) = delete;
    DemoMainWindow& operator=(const DemoMainWindow&) = delete;

    TfrmMain& window() { return *window_; }

    // Starts it, shows it and lets the demo connect; false when that fails.
    bool showConnected() {
        if (!window_->initialize()) return false;
        window_->show();
        for (int i = 0; i < 200 && window_->ecu().DiagnoseAktiv != 1; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return window_->ecu().DiagnoseAktiv == 1;
    }

private:
    YesToEverything boxes_;
    QtApplicationWindows windows_;
    FirstPort ports_;
    MainWindowEnvironment environment_;
    std::unique_ptr<TfrmMain> window_;
};

// Closes every modal dialog as soon as it has shown, as Escape would (its reject()).
class CloseEveryModal : public QObject {
public:
    CloseEveryModal() { qApp->installEventFilter(this); }
    ~CloseEveryModal() override { qApp->removeEventFilter(this); }
    int closed() const { return closed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow() || dialog->windowModality() == Qt::NonModal) return false;
        QPointer<QDialog> target(dialog);
        QTimer::singleShot(0, dialog, [this, target] {
            if (!target || !target->isVisible()) return;
            ++closed_;
            target->reject();
        });
        return false;
    }

private:
    int closed_ = 0;
};

// What the main loop of the program does between two commands: posted events and the objects
// whose deletion was deferred.
inline void idleMoment() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace bench
