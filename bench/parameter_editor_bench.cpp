// Opening the parameter editor against a plain window with the same rows: for each parameter its
// title, its description lines, an edit and its unit in a scrolling area, with a button row below.
// Both are opened over the same owner and timed from their construction to their first paint;
// the editor reads its description file (written by the benchmark) and the ECU's block (a
// callback that answers at once) on the way, as it does when opened while connected. The two
// kinds alternate, each first in every other round. Printed per size: the medians of wall and
// processor time and the median of the rounds' ratios.
//
//   parameter_editor_bench [rounds]            (default 21; offscreen unless set)
//   parameter_editor_bench --once editor|plain N   one opening, for valgrind --tool=callgrind
//                                                  (its first dump counts the second opening alone)
#include "WindowBench.h"

#include "Parameter.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <time.h>

// Under callgrind, --once counts the opening alone.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bench;

// Notes the window's first paint.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void showUntilPainted(QWidget& window) {
    FirstPaint paint;
    window.installEventFilter(&paint);
    window.show();
    for (int i = 0; i < 1000 && !paint.painted; ++i) QCoreApplication::processEvents();
    window.removeEventFilter(&paint);
    if (!paint.painted) std::abort();
}

structParameter record(const fs::path& description, int count, uint8_t& connected) {
    structParameter r;
    r.pDiagnoseAktiv = &connected;
    r.PKDDatei = description.string();
    r.Systemname = "KELT";
    r.Teilenummer = "841 302 117 0";
    r.ParameterLesen = [count](uint16_t& bytes, std::span<uint8_t> buffer) {
        for (int i = 0; i < count; ++i) buffer[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7);
        bytes = static_cast<uint16_t>(count);
        return 0;
    };
    return r;
}

void openEditor(QWidget& owner, const fs::path& description, int count) {
    uint8_t connected = 1;
    TfrmParameter editor(&owner);
    if (editor.prepareExecute(record(description, count, connected)) != 0) std::abort();
    showUntilPainted(editor);
}

// The least a window showing the same rows does: the same texts in labels (the description lines
// wrapped, as long ones must be), one edit each, a button row.
void openPlain(QWidget& owner, int count) {
    QDialog window(&owner);
    window.resize(792, 566);
    auto* outer = new QVBoxLayout(&window);
    auto* area = new QScrollArea(&window);
    area->setWidgetResizable(true);
    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    for (int i = 1; i <= count; ++i) {
        rows->addWidget(new QLabel(QStringLiteral("Parameter %1").arg(i), content));
        for (const QString& line : {QStringLiteral("Parameter %1 of the benchmark").arg(i),
                                    QStringLiteral("its second line")}) {
            auto* label = new QLabel(line, content);
            label->setWordWrap(true);
            rows->addWidget(label);
        }
        auto* value = new QHBoxLayout;
        auto* edit = new QLineEdit(QString::number(((i - 1) * 7 % 256) * 0.5 + 5), content);
        edit->setFixedWidth(50);
        value->addWidget(edit);
        value->addWidget(new QLabel(QStringLiteral("mm"), content));
        value->addStretch(1);
        rows->addLayout(value);
    }
    rows->addStretch(1);
    area->setWidget(content);
    outer->addWidget(area, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(new QPushButton(QStringLiteral("&OK"), &window));
    buttons->addWidget(new QPushButton(QStringLiteral("&Cancel"), &window));
    outer->addLayout(buttons);
    showUntilPainted(window);
}

struct Times {
    double wall = 0;
    double cpu = 0;
};

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

template <typename Open>
Times timed(Open open) {
    const double cpu = processSeconds();
    const auto start = std::chrono::steady_clock::now();
    open();
    Times t{std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            (processSeconds() - cpu) * 1e3};
    idleMoment();
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    BenchHome home("parameter_editor_bench");
    const std::vector<int> sizes = {10, 100, 500};
    for (int n : sizes) writeDescription(home.path() / ("P" + std::to_string(n) + ".PKD"), n, false);
    const auto description = [&](int n) { return home.path() / ("P" + std::to_string(n) + ".PKD"); };

    quietPlatformNotes();
    QApplication application(argc, argv);
    YesToEverything boxes;
    installMessageBoxService(&boxes);
    QWidget owner;
    owner.resize(792, 546);
    owner.show();
    idleMoment();

    if (argc > 3 && std::strcmp(argv[1], "--once") == 0) {
        const int n = std::atoi(argv[3]);
        if (!fs::exists(description(n))) writeDescription(description(n), n, false);
        const bool editor = std::strcmp(argv[2], "editor") == 0;
        // One of each first, as in the timed rounds.
        openEditor(owner, description(n), n);
        openPlain(owner, n);
        idleMoment();
        CALLGRIND_ZERO_STATS;
        if (editor)
            openEditor(owner, description(n), n);
        else
            openPlain(owner, n);
        CALLGRIND_DUMP_STATS;
        return 0;
    }

    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    // One of each first: fonts, styles and code are loaded once per process.
    for (int n : sizes) {
        openEditor(owner, description(n), n);
        openPlain(owner, n);
        idleMoment();
    }
    std::printf("platform %s, %d rounds; opening to the first paint, medians in ms\n",
                std::getenv("QT_QPA_PLATFORM"), rounds);
    std::printf("%10s %12s %12s %12s %12s %8s %8s\n", "parameters", "editor", "(processor)", "plain",
                "(processor)", "ratio", "proc.");
    for (int n : sizes) {
        std::vector<double> editor, editorCpu, plain, plainCpu, ratios, cpuRatios;
        for (int r = 0; r < rounds; ++r) {
            Times e, p;
            if (r % 2 == 0) {
                p = timed([&] { openPlain(owner, n); });
                e = timed([&] { openEditor(owner, description(n), n); });
            } else {
                e = timed([&] { openEditor(owner, description(n), n); });
                p = timed([&] { openPlain(owner, n); });
            }
            editor.push_back(e.wall);
            editorCpu.push_back(e.cpu);
            plain.push_back(p.wall);
            plainCpu.push_back(p.cpu);
            ratios.push_back(e.wall / p.wall);
            if (p.cpu > 0) cpuRatios.push_back(e.cpu / p.cpu);
        }
        std::printf("%10d %12.2f %12.2f %12.2f %12.2f %8.3f %8.3f\n", n, median(editor), median(editorCpu),
                    median(plain), median(plainCpu), median(ratios), median(cpuRatios));
        std::fflush(stdout);
    }
    return 0;
}
