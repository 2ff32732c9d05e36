// The whole program over a generation-2 interface, in a process that reaches the simulator only
// through the test build of the USB library, as the program does when it is started with
// KELT_SIM_USB. The driver unloads that library at every close, and a generation-2 start closes
// and reopens the interface twice (once into the boot loader's restart, once into the JED677
// application); the interface must come back as it was left.
#include "Main.h"

#include "DiagDriver.h"
#include "DiagDr32.h"
#include "JED677.h"
#include "MainWindowTestSupport.h"
#include "MessageBox.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr const char* kGeneration2Port = "Diagnostic-Interface-2 #1";

// The simulated bus takes its interfaces from the environment when the library first loads it.
const bool simulatorEnvironment = [] {
    ::setenv("KELT_SIM_USB", "2", 1);
    ::setenv("KELT_SIM_ECU", "kelt", 1);
    return true;
}();

// Started again with this variable set, the program opens the interface and ends without
// closing it, before any test runs.
constexpr const char* kExitChild = "KELT_EXIT_WITH_OPEN_INTERFACE";
const bool exitChild = [] {
    if (!std::getenv(kExitChild)) return false;
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    std::exit(OpenDiagDriver(kGeneration2Port) == 0 ? 0 : 3);
}();

class Generation2Program : public MainWindowFixture {
protected:
    Generation2Program() {
        env.texts["NORVA_No"] = "411107001";
        messages.answer = [](const ShownBox& box) {
            return (box.flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        };
        // The restart waits go to the fixture's clock; nothing sleeps.
        DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
        DiagDriver::instance().setClock(clock);
        // A retry dialog would mean the start failed: note it and give up, so nothing hangs.
        QObject::connect(&dialogCloser, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                dialogs << modal->windowTitle();
                modal->close();
            }
        });
        dialogCloser.start(20);
    }
    ~Generation2Program() override {
        JED677CloseDiagDriver();
        DiagDriver::instance().setClock(SteadyClock::instance());
    }

    QTimer dialogCloser;
    QStringList dialogs;
};

TEST_F(Generation2Program, SimulatorOutlivesTheUsbLibrary) {
    ASSERT_TRUE(simulatorEnvironment);
    ASSERT_EQ(JED677OpenDiagDriver(kGeneration2Port, "", 1), 0);
    EXPECT_EQ(JED677Config(100, 10, 500), 0);  // the JED677 application runs after both restarts
    ASSERT_EQ(JED677CloseDiagDriver(), 0);
    // The driver has let the USB library go; the interfaces it stood for are still there.
    void* simulator = ::dlopen(KELT_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(simulator, nullptr);
    if (simulator) ::dlclose(simulator);
}

TEST_F(Generation2Program, MainWindowStartsPollsAndInterrupts) {
    writeIni(std::string("[SelectPort]\r\nInterfacePort=") + kGeneration2Port + "\r\n");
    MainWindowEnvironment e;
    e.basis = environment({"/opt/Tarvik"});
    e.sessionClock = &clock;
    TfrmMain w(nullptr, e);
    ASSERT_TRUE(w.initialize());
    w.show();
    // Connected, and the idle step after the start has switched the menus over.
    ASSERT_TRUE(processEventsUntil([&] {
        return (w.ecu().DiagnoseAktiv == 1 && w.mnuDiagnoseUnterbrechen->isEnabled()) || !dialogs.isEmpty();
    }));
    ASSERT_TRUE(dialogs.isEmpty()) << dialogs.join(", ").toStdString();
    // Both restarts of a generation-2 start were waited out.
    EXPECT_GE(clock.sleptMs(), 2 * DiagDriver::kRestartWaitMs);
    EXPECT_EQ(w.txtDiagnosekennung->text(), QStringLiteral("10780100"));
    EXPECT_NE(w.txtGeraetenummer->text(), QStringLiteral("---"));

    w.MainTimerTimer();
    EXPECT_EQ(w.txtSpgBetrieb->text(), QStringLiteral("24.3 V"));
    EXPECT_EQ(w.txtGeschwindigkeit->text(), QStringLiteral(" 17 km/h"));
    EXPECT_EQ(w.txtSpgRelaisventil->text(), QStringLiteral("0.0 V"));
    EXPECT_TRUE(w.MainTimer->isActive());

    w.mnuDiagnoseUnterbrechen->trigger();
    ASSERT_TRUE(processEventsUntil([&] { return w.mnuDiagnoseStarten->isEnabled(); }));
    EXPECT_EQ(w.ecu().DiagnoseAktiv, 0);
    EXPECT_TRUE(dialogs.isEmpty()) << dialogs.join(", ").toStdString();
}

TEST(ProgramExit, AnInterfaceLeftOpenEndsTheProcessCleanly) {
    ASSERT_FALSE(exitChild);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kExitChild) + "=1 '" + self + "' 2>&1";
    FILE* child = ::popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, child)) output += chunk;
    const int status = ::pclose(child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
}

}  // namespace
