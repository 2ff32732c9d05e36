// The program's entry point: one application, one main window, the message loop.
#include "HelpWindow.h"
#include "Main.h"
#include "MessageBox.h"
#include "NCOM_DiagnosticSoftwareImpl.h"
#include "ProgramContext.h"
#include "QtApplicationWindows.h"
#include "QtFileChooser.h"
#include "QtMessageBoxService.h"
#include "QtTextQuestion.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ApplicationTitle = "Tarvik Diagnostic Software";
    QApplication::setApplicationName(QString::fromStdString(ApplicationTitle));

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
        // A host program drives the program through this object on the session bus; without a
        // bus (or with the name taken) the technician still works with the program by hand.
        NCOM_DiagnosticSoftware automation(window, window);
        if (const AutomationStatus registered = automation.registerOn(QDBusConnection::sessionBus());
            !registered.ok())
            qWarning("Automation over D-Bus is not available: %s", registered.message.c_str());
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
