// The automation object as a host program meets it: the program's main window in demo mode, its
// automation object on a D-Bus daemon of the test's own, and a client on a connection of its own
// that calls the methods and listens to the signals.
#include "AutomationProgramFixture.h"

#include "ProgramModes.h"
#include "StringTable.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The window side of the hub, recording what the hub asks of it.
class RecordingWindows : public ApplicationWindows {
public:
    void setMainWindowEnabled(bool enabled) override { mainEnabled = enabled; }
    void raiseWindow(WindowHandle window) override { raised.push_back(window); }
    void quitApplication() override { ++quits; }
    bool mainEnabled = true;
    std::vector<WindowHandle> raised;
    int quits = 0;
};

// The Tarvik interfaces of an introspection text, one line per element, so two texts compare
// by content whatever their layout, comments and attribute order.
QStringList describeInterfaces(const QString& xml) {
    QStringList lines;
    QXmlStreamReader reader(xml);
    bool inTarvik = false;
    QString member;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == u"interface") inTarvik = false;
        if (!reader.isStartElement()) continue;
        const auto attributes = reader.attributes();
        const QString name = attributes.value(QStringLiteral("name")).toString();
        if (reader.name() == u"interface") {
            inTarvik = name.startsWith(QStringLiteral("Tarvik."));
            if (inTarvik) lines << QStringLiteral("interface ") + name;
        } else if (inTarvik && (reader.name() == u"method" || reader.name() == u"signal")) {
            member = reader.name().toString();
            lines << member + QLatin1Char(' ') + name;
        } else if (inTarvik && reader.name() == u"arg") {
            QString direction = attributes.value(QStringLiteral("direction")).toString();
            if (direction.isEmpty()) direction = member == u"signal" ? QStringLiteral("out") : QStringLiteral("in");
            lines << QStringLiteral("  arg %1 %2 %3").arg(direction, attributes.value(QStringLiteral("type")).toString(), name);
        } else if (inTarvik) {
            lines << QStringLiteral("  ") + reader.name().toString() + QLatin1Char(' ') + name;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return lines;
}

using AutomationServerTest = AutomationProgramFixture;

TEST_F(AutomationServerTest, TheObjectShowsTheInterfaceFile) {
    ASSERT_NO_FATAL_FAILURE(start());
    const QDBusMessage reply =
        client->call(QStringLiteral("Introspect"), {}, "org.freedesktop.DBus.Introspectable");
    ASSERT_EQ(errorNameOf(reply), "");
    const QStringList onTheBus = describeInterfaces(reply.arguments().value(0).toString());
    const QStringList inTheFile =
        describeInterfaces(QString::fromStdString(TempDir::readFile(KELT_AUTOMATION_INTERFACE)));
    EXPECT_EQ(inTheFile.filter(QRegularExpression(QStringLiteral("^method "))).size(), 7);
    EXPECT_EQ(inTheFile.filter(QRegularExpression(QStringLiteral("^signal "))).size(), 5);
    EXPECT_EQ(onTheBus.join(QLatin1Char('\n')).toStdString(), inTheFile.join(QLatin1Char('\n')).toStdString());
}

TEST_F(AutomationServerTest, MenuItemsByTheirVisiblePositions) {
    ASSERT_NO_FATAL_FAILURE(start());
    const struct {
        const char* item;
        const char* text;
        int state;
    } items[] = {
        {"0", "&Diagnosis", 2},
        {"0#0", "&Start", 2},
        {"0#1", "&Interrupt", 1},       // not connected
        {"0#3", "-", 2},                // the separator above the print submenu
        {"0#4#0", "&Print diagnostic memory protocol ...", 2},  // needs no connection
        {"2#3", "&Outputs...", 1},      // the hidden "L&SV valve..." is not counted
        {"6#0", "&Supported ECUs...", 2},
        {"", "", 0},
    };
    for (const auto& c : items) {
        const QDBusMessage reply = client->call(QStringLiteral("comGetMenuItemInfo"), {QString::fromLatin1(c.item)});
        ASSERT_EQ(errorNameOf(reply), "") << c.item << ": " << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.arguments(), QVariantList({QString::fromLatin1(c.text), c.state})) << c.item;
    }
    for (const char* item : {"x", "-1", "2#", "7", "0#99"}) {
        const QDBusMessage reply = client->call(QStringLiteral("comGetMenuItemInfo"), {QString::fromLatin1(item)});
        EXPECT_EQ(errorNameOf(reply), kInvalidArgs) << item;
        EXPECT_TRUE(reply.errorMessage().contains(QString::fromLatin1(item))) << reply.errorMessage().toStdString();
    }
}

// comInit, a command that connects, and a modal window announced, raised and closed again.
TEST_F(AutomationServerTest, AClientDrivesTheProgramAndHearsItsEvents) {
    // Dialogs announce themselves to the application's hub.
    RecordingWindows windows;
    applicationHub().setWindows(&windows);
    ASSERT_NO_FATAL_FAILURE(start(&applicationHub()));

    const QVariantList handles = init();
    ASSERT_EQ(handles.size(), 2);
    EXPECT_EQ(fromWireHandle(handles[0].toInt()), static_cast<WindowHandle>(window->winId()));
    EXPECT_EQ(handles[1].toInt(), automation::MainMenuHandle);
    EXPECT_EQ(AutomatisierungsModus, 1);
    EXPECT_TRUE(applicationHub().hasClient());

    // Start: the reply comes first, the command runs afterwards and its menu update is heard.
    ASSERT_EQ(errorOf(QStringLiteral("comStartMenuItem"), {1}), "");
    ASSERT_TRUE(client->waitFor(QStringLiteral("comMenuStateHasChanged")));
    EXPECT_EQ(window->ecu().DiagnoseAktiv, 1);
    EXPECT_EQ(client->log().front(), "reply comInit");
    EXPECT_EQ(client->log().at(1), "reply comStartMenuItem");
    EXPECT_EQ(client->heard().back().arguments, QVariantList({1}));
    EXPECT_EQ(client->call(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0#1")}).arguments(),
              QVariantList({QStringLiteral("&Interrupt"), 2}));

    // The supported-ECU list: announced with its window, raised on request; while it is open no
    // other command starts. The client closes it when it has seen all that.
    std::string refusedWhileOpen;
    std::vector<WindowHandle> raisedOnRequest;
    WindowHandle dialogHandle = 0;
    client->onSignal = [&](const AutomationClient::Heard& heard) {
        if (heard.name != QStringLiteral("comModalWindowActivated")) return;
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (dialogHandle == 0) {
            dialogHandle = fromWireHandle(heard.arguments.value(0).toInt());
            EXPECT_EQ(dialogHandle, static_cast<WindowHandle>(dialog->winId()));
            EXPECT_FALSE(windows.mainEnabled);
            windows.raised.clear();
            EXPECT_EQ(errorOf(QStringLiteral("comSetDialogToTop")), "");
            raisedOnRequest = windows.raised;
            refusedWhileOpen = errorOf(QStringLiteral("comStartMenuItem"), {50});
        }
        dialog->reject();
    };
    ASSERT_EQ(errorOf(QStringLiteral("comStartMenuItem"), {60}), "");
    ASSERT_TRUE(client->waitFor(QStringLiteral("comModalWindowDeactivated")));
    settle();
    EXPECT_NE(dialogHandle, 0u);
    EXPECT_EQ(raisedOnRequest, std::vector<WindowHandle>({dialogHandle}));
    EXPECT_EQ(refusedWhileOpen, "Tarvik.Error.CommandDisabled");
    // The settings dialog (50) never opened, before or after the list closed.
    EXPECT_EQ(client->count(QStringLiteral("comModalWindowActivated")), 1);
    EXPECT_EQ(client->count(QStringLiteral("comModalWindowDeactivated")), 1);
    EXPECT_TRUE(windows.mainEnabled);
    EXPECT_TRUE(applicationHub().ModalWindows().empty());
    EXPECT_EQ(client->count(QStringLiteral("comApplicationInitialized")), 0);
}

TEST_F(AutomationServerTest, RefusedCallsAnswerAnErrorAndChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(start());
    const std::string noClientWindow = "Tarvik.Error.NoClientWindow";
    EXPECT_EQ(errorOf(QStringLiteral("comConnectApplication")), noClientWindow);  // before comInit
    init(0);
    EXPECT_EQ(errorOf(QStringLiteral("comConnectApplication")), noClientWindow);  // a client without a window

    const struct {
        int menuId;
        const char* error;
    } commands[] = {
        {-1, "org.freedesktop.DBus.Error.InvalidArgs"},
        {0x10000, "org.freedesktop.DBus.Error.InvalidArgs"},
        {0x10001, "org.freedesktop.DBus.Error.InvalidArgs"},  // its low 16 bits: the start
        {0, "org.freedesktop.DBus.Error.InvalidArgs"},
        {7, "org.freedesktop.DBus.Error.InvalidArgs"},
        {2, "Tarvik.Error.CommandDisabled"},  // interrupt while not connected
        {10, "Tarvik.Error.CommandDisabled"},  // the diagnostic memory needs a connection
    };
    for (const auto& c : commands)
        EXPECT_EQ(errorOf(QStringLiteral("comStartMenuItem"), {c.menuId}), c.error) << c.menuId;

    const QRect before = window->geometry();
    for (const QVariantList& place : {QVariantList{10, 10, 0, 600}, QVariantList{10, 10, 800, 0},
                                      QVariantList{10, 10, -1, -1}})
        EXPECT_EQ(errorOf(QStringLiteral("comSetPosition"), place), kInvalidArgs);

    // The offscreen display cannot take in a foreign window.
    init(0x2a00007);
    EXPECT_EQ(errorOf(QStringLiteral("comConnectApplication")), "org.freedesktop.DBus.Error.NotSupported");

    settle();
    EXPECT_EQ(window->ecu().DiagnoseAktiv, 0);
    EXPECT_EQ(client->count(QStringLiteral("comMenuStateHasChanged")), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->geometry(), before);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window->windowHandle() ? window->windowHandle()->parent() : nullptr, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(AutomationServerTest, PlacingShowsAHiddenWindowAndMovesAVisibleOne) {
    ASSERT_NO_FATAL_FAILURE(start());
    init(0);
    ASSERT_FALSE(window->isVisible());
    // A size below the window's minimum is refused and names it; the minimum itself is taken as
    // asked, also by the hidden window.
    const QDBusMessage tiny = client->call(QStringLiteral("comSetPosition"), {30, 40, 100, 100});
    ASSERT_EQ(errorNameOf(tiny), kInvalidArgs);
    const QRegularExpressionMatch named =
        QRegularExpression(QStringLiteral("needs at least (\\d+) x (\\d+)")).match(tiny.errorMessage());
    ASSERT_TRUE(named.hasMatch()) << tiny.errorMessage().toStdString();
    ASSERT_FALSE(window->isVisible());
    const QSize minimum(named.captured(1).toInt(), named.captured(2).toInt());
    ASSERT_EQ(errorOf(QStringLiteral("comSetPosition"), {30, 40, minimum.width(), minimum.height()}), "");
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), minimum);

    // Sizes within the offscreen platform's screen of 800 x 600.
    ASSERT_EQ(errorOf(QStringLiteral("comSetPosition"), {30, 40, 700, 540}), "");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(40, 30));
    EXPECT_EQ(window->size(), QSize(700, 540));
    ASSERT_EQ(errorOf(QStringLiteral("comSetPosition"), {60, 5, 780, 590}), "");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(5, 60));
    EXPECT_EQ(window->size(), QSize(780, 590));
    settle();
    EXPECT_EQ(window->size(), QSize(780, 590));
}

// The safety question over the bus: the reply waits for the answer; No closes the program.
class SafetyQuestionTest : public AutomationServerTest {
protected:
    // Asks the question, which the technician answers with `answer`.
    void ask(int answer) {
        ASSERT_NO_FATAL_FAILURE(start());
        init(0);
        messages.shown.clear();
        messages.answer = [this, answer](const ShownBox&) {
            const auto& log = client->log();
            replyBeforeAnswer = std::find(log.begin(), log.end(), "reply comShowWarningMessage") != log.end();
            return answer;
        };
        const QDBusMessage reply = client->call(QStringLiteral("comShowWarningMessage"));
        ASSERT_EQ(errorNameOf(reply), "") << reply.errorMessage().toStdString();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, LoadStr(11031));
        EXPECT_FALSE(replyBeforeAnswer);
    }
    bool replyBeforeAnswer = false;
};

TEST_F(SafetyQuestionTest, YesLetsTheProgramGoOn) {
    ASSERT_NO_FATAL_FAILURE(ask(IDYES));
    settle();
    EXPECT_FALSE(hub.closeRequested());
    EXPECT_EQ(client->count(QStringLiteral("comCloseApplication")), 0);
    // Still on the bus.
    EXPECT_EQ(errorOf(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")}), "");
}

TEST_F(SafetyQuestionTest, NoClosesTheProgramAfterTheClientHeardIt) {
    ASSERT_NO_FATAL_FAILURE(ask(IDNO));
    ASSERT_TRUE(client->waitFor(QStringLiteral("comCloseApplication")));
    EXPECT_TRUE(hub.closeRequested());
    EXPECT_FALSE(hub.hasClient());
    const std::vector<std::string> expected{"reply comInit", "reply comShowWarningMessage", "signal comCloseApplication"};
    EXPECT_EQ(client->log(), expected);
    // The name is released before the program ends: later calls find nobody.
    EXPECT_EQ(errorOf(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")}),
              "org.freedesktop.DBus.Error.ServiceUnknown");
    EXPECT_FALSE(object->registered());
}

}  // namespace
