// The technician's hands for process tests of the program file: a library the test preloads
// into the program (LD_PRELOAD), which once the application exists answers every message box
// (Yes, else OK), opens one window from the main window's menu as soon as its command is
// enabled and works its buttons, as the test asks in KELT_TEST_HANDS:
//   throttles   "Throttle": both throttle buttons down
//   charge      "Lifting/lowering": both axle-2 valves chosen, "Charge" pressed and held
//   outputs     "Outputs": every output's button down
// It then leaves everything as it is; the test ends the program from outside.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>

namespace {

struct Task {
    const char* name;
    const char* command;  // the menu item's object name
    const char* window;   // the window's object name
};

constexpr Task kTasks[] = {
    {"throttles", "mnuDrosseln", "frmDrosseltest"},
    {"charge", "mnuHebenSenken", "frmHebenSenken"},
    {"outputs", "mnuAusgaengeAnsteuern", "frmAusgaengeAnsteuern"},
};

QWidget* visibleWindow(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->objectName() == QLatin1String(name)) return widget;
    return nullptr;
}

void press(QWidget* widget) {
    const QPointF at(5, 5);
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget* window, const char* name) {
    if (auto* button = window->findChild<QAbstractButton*>(QLatin1String(name))) button->click();
}

class Hands : public QObject {
public:
    Hands(const Task& task, QObject* parent) : QObject(parent), task_(task) {
        connect(&timer_, &QTimer::timeout, this, &Hands::look);
        timer_.start(20);
    }

private:
    void look() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible()) continue;
            QAbstractButton* answer = box->button(QMessageBox::Yes);
            if (!answer) answer = box->button(QMessageBox::Ok);
            // Later: a box answered from inside this slot would run its loop in here.
            if (answer) QTimer::singleShot(0, answer, &QAbstractButton::click);
            return;
        }
        if (!opened_) {
            QWidget* main = visibleWindow("frmMain");
            QAction* command = main ? main->findChild<QAction*>(QLatin1String(task_.command)) : nullptr;
            if (command && command->isEnabled()) {
                opened_ = true;
                QTimer::singleShot(0, command, &QAction::trigger);
            }
            return;
        }
        if (done_) return;
        QWidget* window = visibleWindow(task_.window);
        if (!window) return;
        done_ = true;
        if (std::strcmp(task_.name, "throttles") == 0) {
            click(window, "btnHauptdrossel");
            click(window, "btnQuerdrossel");
        } else if (std::strcmp(task_.name, "charge") == 0) {
            click(window, "btn2WSLinks");
            click(window, "btn2WSRechts");
            if (auto* charge = window->findChild<QWidget*>(QStringLiteral("btnHeben"))) press(charge);
        } else {
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>(QStringLiteral("btnAnsteuern")))
                button->click();
        }
    }

    const Task& task_;
    QTimer timer_;
    bool opened_ = false;
    bool done_ = false;
};

void startHands() {
    const char* wanted = std::getenv("KELT_TEST_HANDS");
    if (!wanted) return;
    for (const Task& task : kTasks)
        if (std::strcmp(task.name, wanted) == 0) new Hands(task, QCoreApplication::instance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startHands)
