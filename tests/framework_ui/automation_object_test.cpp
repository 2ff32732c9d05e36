// The automation object over the framework's base window alone: what it does when the program
// behind it fails, and its place on the bus.
#include "NCOM_DiagnosticSoftwareImpl.h"

#include "AutomationClient.h"
#include "AutomationRequests.h"
#include "Basisform.h"
#include "MainWindowTestSupport.h"
#include "PrivateDbusDaemon.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <gtest/gtest.h>

#include <limits>
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
    TNCOM_DiagnosticSoftwareImpl object(window, commands);
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
    TNCOM_DiagnosticSoftwareImpl first(window, commands);
    TNCOM_DiagnosticSoftwareImpl second(window, commands);
    ASSERT_TRUE(first.registerOn(server(1)).ok());

    const AutomationStatus refused = second.registerOn(server(2));
    EXPECT_EQ(refused.fault, AutomationFault::Failed);
    EXPECT_NE(refused.message.find(automation::BusName), std::string::npos) << refused.message;
    // It says why: who holds the name.
    const std::string owner = server(1).baseService().toStdString();
    EXPECT_NE(refused.message.find("another program owns it (bus connection " + owner), std::string::npos)
        << refused.message;
    EXPECT_FALSE(second.registered());
    // Nothing of the second stays on its connection.
    EXPECT_EQ(server(2).objectRegisteredAt(QString::fromLatin1(automation::ObjectPath)), nullptr);

    // Once the first lets go, the name is free again.
    first.releaseFromBus();
    EXPECT_TRUE(second.registerOn(server(2)).ok());
}

// The size a host asks for is the size the window takes, or the call is refused and says the
// limit: never a larger window reported as success, never a buffer the size of the request.
TEST_F(AutomationObjectTest, APlacementTheWindowCannotTakeIsRefusedAndChangesNothing) {
    ASSERT_TRUE(daemon.ok()) << daemon.error();
    TNBasisform window(nullptr, false, environment());
    TNCOM_DiagnosticSoftwareImpl object(window, commands);
    ASSERT_TRUE(object.registerOn(server(1)).ok());
    AutomationClient client(daemon.address());
    ASSERT_EQ(errorNameOf(client.call(QStringLiteral("comInit"), {0})), "");
    // Shown once, so the status line's panels have their widths (a program's main window has
    // them from its start-up).
    window.show();
    QCoreApplication::processEvents();

    // The smallest size the window takes, as the refusal of a tiny one names it.
    const QDBusMessage tiny = client.call(QStringLiteral("comSetPosition"), {0, 0, 1, 1});
    ASSERT_EQ(errorNameOf(tiny), "org.freedesktop.DBus.Error.InvalidArgs");
    const QRegularExpressionMatch named =
        QRegularExpression(QStringLiteral("needs at least (\\d+) x (\\d+)")).match(tiny.errorMessage());
    ASSERT_TRUE(named.hasMatch()) << tiny.errorMessage().toStdString();
    const QSize minimum(named.captured(1).toInt(), named.captured(2).toInt());
    ASSERT_GT(minimum.width(), 1);
    ASSERT_GT(minimum.height(), 1);
    const QSize screens = QGuiApplication::primaryScreen()->geometry().size();
    ASSERT_TRUE(minimum.width() <= screens.width() && minimum.height() <= screens.height());

    const int most = std::numeric_limits<int>::max();
    const struct {
        QSize asked;
        bool taken;
    } cases[] = {
        {minimum, true},
        {screens, true},
        {minimum - QSize(1, 0), false},
        {minimum - QSize(0, 1), false},
        {screens + QSize(1, 0), false},
        {screens + QSize(0, 1), false},
        {QSize(most, most), false},
    };
    QRect placed = window.geometry();
    for (const auto& c : cases) {
        const QDBusMessage reply =
            client.call(QStringLiteral("comSetPosition"), {20, 10, c.asked.width(), c.asked.height()});
        EXPECT_EQ(errorNameOf(reply), c.taken ? "" : "org.freedesktop.DBus.Error.InvalidArgs")
            << c.asked.width() << "x" << c.asked.height() << ": " << reply.errorMessage().toStdString();
        QCoreApplication::processEvents();
        if (c.taken) placed = QRect(QPoint(10, 20), c.asked);
        EXPECT_EQ(window.geometry().size(), placed.size()) << c.asked.width() << "x" << c.asked.height();
    }
}

}  // namespace
