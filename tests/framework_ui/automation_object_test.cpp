// The automation object over the framework's base window alone: what it does when the program
// behind it fails, and its place on the bus.
#include "NCOM_DiagnosticSoftwareImpl.h"

#include "AutomationClient.h"
#include "AutomationRequests.h"
#include "Basisform.h"
#include "MainWindowTestSupport.h"
#include "PrivateDbusDaemon.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Commands whose table cannot be read.
class BrokenCommands : public AutomationCommands {
public:
    bool commandKnown(int32_t) const override { throw std::runtime_error("the command table is not loaded"); }
    bool commandEnabled(int32_t) const override { return true; }
    bool startCommandNumber(int32_t) override { return true; }
};

class AutomationObjectTest : public MainWindowFixture {
protected:
    ~AutomationObjectTest() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("object-server-1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("object-server-2"));
    }
    QDBusConnection server(int number) {
        return QDBusConnection::connectToBus(QString::fromStdString(daemon.address()),
                                             QStringLiteral("object-server-%1").arg(number));
    }

    PrivateDbusDaemon daemon;
    BrokenCommands commands;
};

TEST_F(AutomationObjectTest, AFailureInsideAMethodIsAnErrorForTheCallerOnly) {
    ASSERT_TRUE(daemon.ok()) << daemon.error();
    TNBasisform window(nullptr, false, environment());
    NCOM_DiagnosticSoftware object(window, commands);
    ASSERT_TRUE(object.registerOn(server(1)).ok());
    AutomationClient client(daemon.address());

    const QDBusMessage failed = client.call(QStringLiteral("comStartMenuItem"), {1});
    EXPECT_EQ(errorNameOf(failed), "org.freedesktop.DBus.Error.Failed");
    EXPECT_EQ(failed.errorMessage(), QStringLiteral("the command table is not loaded"));
    // The program and its object go on.
    const QDBusMessage item = client.call(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")});
    EXPECT_EQ(item.arguments(), QVariantList({QStringLiteral("&Help"), 2}));
}

TEST_F(AutomationObjectTest, OneObjectOwnsTheName) {
    ASSERT_TRUE(daemon.ok()) << daemon.error();
    TNBasisform window(nullptr, false, environment());
    NCOM_DiagnosticSoftware first(window, commands);
    NCOM_DiagnosticSoftware second(window, commands);
    ASSERT_TRUE(first.registerOn(server(1)).ok());

    const AutomationStatus refused = second.registerOn(server(2));
    EXPECT_EQ(refused.fault, AutomationFault::Failed);
    EXPECT_NE(refused.message.find(automation::BusName), std::string::npos) << refused.message;
    EXPECT_FALSE(second.registered());
    // Nothing of the second stays on its connection.
    EXPECT_EQ(server(2).objectRegisteredAt(QString::fromLatin1(automation::ObjectPath)), nullptr);

    // Once the first lets go, the name is free again.
    first.releaseFromBus();
    EXPECT_TRUE(second.registerOn(server(2)).ok());
}

}  // namespace
