// The program's entry point: one application, one main window, the message loop.
#include "HelpWindow.h"
#include "Main.h"
#include "MessageBox.h"
#include "QtApplicationWindows.h"
#include "QtFileChooser.h"
#include "QtMessageBoxService.h"
#include "QtTextQuestion.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvik Diagnostic Software"));

    QtMessageBoxService messageBoxes;
    installMessageBoxService(&messageBoxes);
    QtFileChooser fileChooser;
    installFileChooser(&fileChooser);
    QtTextQuestion textQuestion;
    installTextQuestion(&textQuestion);
    installQtHtmlHelpViewer();
    QtApplicationWindows windows;
    applicationHub().setWindows(&windows);

    try {
        TfrmMain window;
        windows.setMainWindow(&window);
        if (!window.initialize()) return 0;
        window.show();
        windows.exec();
    } catch (const std::exception& error) {
        // What no window caught is shown before the program ends.
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(error.what()));
    }
    applicationHub().setWindows(nullptr);
    installTextQuestion(nullptr);
    installFileChooser(nullptr);
    installMessageBoxService(nullptr);
    return 0;
}
