// The start-up benchmark's baseline: a bare Qt main window with a menu, a tool bar and a status
// bar, in a program that links Qt alone (none of the program's libraries load). It ends at the
// window's first paint. Started by startup_bench, which lives beside it.
#include "FirstPaintExit.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(792, 546);
    window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&Info about..."));
    window.addToolBar(QStringLiteral("ToolBar"))->addAction(QStringLiteral("Exit"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    FirstPaintExit exit;
    window.installEventFilter(&exit);
    window.show();
    return application.exec();
}
