#pragma once
// The program as an automation client meets it: the main window in demo mode (not shown, no
// automatic start, every safety question answered Yes), its automation object on a D-Bus daemon
// of the test's own, and a client on a connection of its own.

#include "Main.h"

#include "AutomationClient.h"
#include "AutomationRequests.h"
#include "MainWindowTestSupport.h"
#include "MessageBox.h"
#include "NCOM_DiagnosticSoftwareImpl.h"
#include "PrivateDbusDaemon.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

class AutomationProgramFixture : public MainWindowFixture {
protected:
    AutomationProgramFixture() {
        env.texts["NORVA_No"] = "411107001";
        writeIni("[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
        messages.answer = [](const ShownBox& box) {
            return (box.flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
        };
    }
    ~AutomationProgramFixture() override {
        client.reset();
        object.reset();
        window.reset();
        QDBusConnection::disconnectFromBus(serverName_);
        applicationHub().setWindows(nullptr);
    }

    // Starts it all; the program's hub is the fixture's unless a test needs the application's
    // (the one the dialogs announce themselves to).
    void start(AutomationHub* programHub = nullptr) {
        ASSERT_TRUE(daemon.ok()) << daemon.error();
        MainWindowEnvironment e;
        e.basis = environment({"/opt/Tarvik", "demo"});
        if (programHub) e.basis.hub = programHub;
        e.sessionClock = &clock;
        window = std::make_unique<TfrmMain>(nullptr, e);
        ASSERT_TRUE(window->initialize());
        object = std::make_unique<TNCOM_DiagnosticSoftwareImpl>(*window, *window);
        static std::atomic<int> servers{0};
        serverName_ = QStringLiteral("automation-server-%1").arg(++servers);
        const AutomationStatus registered = object->registerOn(
            QDBusConnection::connectToBus(QString::fromStdString(daemon.address()), serverName_));
        ASSERT_TRUE(registered.ok()) << registered.message;
        client = std::make_unique<AutomationClient>(daemon.address());
        ASSERT_TRUE(client->connected());
    }

    // comInit with the client's window; the program's window id and the menu token.
    QVariantList init(int clientWindow = 0) {
        const QDBusMessage reply = client->call(QStringLiteral("comInit"), {clientWindow});
        EXPECT_EQ(errorNameOf(reply), "") << reply.errorMessage().toStdString();
        return reply.arguments();
    }

    // The error name a call answers ("" for success).
    std::string errorOf(const QString& method, const QVariantList& arguments = {}) {
        return errorNameOf(client->call(method, arguments));
    }

    PrivateDbusDaemon daemon;
    std::unique_ptr<TfrmMain> window;
    std::unique_ptr<TNCOM_DiagnosticSoftwareImpl> object;
    std::unique_ptr<AutomationClient> client;

private:
    QString serverName_;
};
