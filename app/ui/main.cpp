// The program's entry point: the server switches, one application, one main window, the message
// loop.
#include "AutomationServer.h"
#include "HelpWindow.h"
#include "Main.h"
#include "MessageBox.h"
#include "NData.h"
#include "NCOM_DiagnosticSoftwareImpl.h"
#include "ProgramContext.h"
#include "ProgramModes.h"
#include "QtApplicationWindows.h"
#include "QtFileChooser.h"
#include "QtMessageBoxService.h"
#include "QtTextQuestion.h"
#include "ShellFolders.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

std::filesystem::path dataHome() { return ShellFolders(Environment::process(), nullptr).data(); }

std::filesystem::path programFile() { return SystemApplicationEnvironment::instance().programFile(); }

}  // namespace

int main(int argc, char** argv) {
    // Beyond a file-size limit a write is to fail and be reported, not to kill the program mid-save.
    std::signal(SIGXFSZ, SIG_IGN);
    const automation::ServerSwitches switches = automation::parseServerSwitches({argv, argv + argc});
    // Registration needs no display: it is done before any window exists.
    if (switches.regServer || switches.unregServer) {
        const ProfileWriteResult done =
            switches.regServer ? automation::registerServer(dataHome(), programFile()) : automation::unregisterServer(dataHome());
        if (done.ok()) return 0;
        std::fprintf(stderr, "%s\n", done.message.c_str());
        return 1;
    }
    // A start by hand registers again, so the bus starts this program file for a host.
    if (switches.registersAtStart())
        if (const ProfileWriteResult written = automation::registerServer(dataHome(), programFile()); !written.ok())
            std::fprintf(stderr, "%s\n", written.message.c_str());

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
    // Ended from outside, the program still leaves by its exit request: nothing stays driven.
    TerminationSignals terminationSignals([] { applicationHub().RequestCloseApplication(); });

    int exitCode = 0;
    try {
        TfrmMain window;
        windows.setMainWindow(&window);
        if (!window.initialize()) return 0;
        // A host program drives the program through this object on the session bus; without a
        // bus (or with the name taken) the technician still works with the program by hand. A
        // program the bus started for a host has nothing to do without it.
        TNCOM_DiagnosticSoftwareImpl automation(window, window);
        if (switches.startedByBus()) automation.endAfterLastClient();
        const AutomationStatus registered = automation.registerOn(QDBusConnection::sessionBus());
        if (registered.ok() || !switches.startedByBus()) {
            if (!registered.ok()) qWarning("Automation over D-Bus is not available: %s", registered.message.c_str());
            // Started for a host, the window stays hidden until the host places it.
            if (!AutomatisierungsModus) window.show();
            windows.exec();
        } else {
            std::fprintf(stderr, "The automation server cannot serve: %s\n", registered.message.c_str());
            exitCode = 1;
        }
    } catch (const std::exception& error) {
        // What no window caught is shown before the program ends.
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(error.what()));
    }
    applicationHub().setWindows(nullptr);
    installTextQuestion(nullptr);
    installFileChooser(nullptr);
    installMessageBoxService(nullptr);
    return exitCode;
}
