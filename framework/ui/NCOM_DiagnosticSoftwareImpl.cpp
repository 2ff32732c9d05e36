#include "NCOM_DiagnosticSoftwareImpl.h"

#include "Basisform.h"
#include "NCOM_DiagnosticSoftwareAdaptor.h"
#include "Numbers.h"
#include "ProgramModes.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <string>

namespace {

// The bus itself, which announces every connection that comes and goes.
const QString BusService = QStringLiteral("org.freedesktop.DBus");
const QString BusPath = QStringLiteral("/org/freedesktop/DBus");
const QString BusInterface = QStringLiteral("org.freedesktop.DBus");
const QString NameOwnerChanged = QStringLiteral("NameOwnerChanged");

// The menu bar as the item-path walk sees it.
MenuEntry menuEntryOf(const QAction& action) {
    MenuEntry entry;
    entry.caption = action.isSeparator() ? std::string("-") : action.text().toStdString();
    entry.visible = action.isVisible();
    entry.enabled = action.isEnabled();
    if (const QMenu* menu = action.menu())
        for (const QAction* child : menu->actions()) entry.entries.push_back(menuEntryOf(*child));
    return entry;
}

// What comSetPosition accepts: the main window's minimum as its layout gives it (Qt would
// silently enlarge a smaller request) and at most the bounding box of all screens.
WindowSizeLimits windowSizeLimits(QWidget& window) {
    WindowSizeLimits limits;
    // The layout sets a window's minimum only when it is activated, which a hidden window may not
    // have been yet; asked directly, nothing of the window changes.
    QSize minimum = window.minimumSize();
    if (const QLayout* layout = window.layout(); layout && window.isWindow())
        minimum = minimum.expandedTo(layout->totalMinimumSize());
    limits.minWidth = std::max(1, minimum.width());
    limits.minHeight = std::max(1, minimum.height());
    QRect screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens = screens.united(screen->geometry());
    // Without a screen nothing is drawn; still no request for a buffer of any size.
    const QSize most = screens.isEmpty() ? QSize(16384, 16384) : screens.size();
    limits.maxWidth = std::max(limits.minWidth, most.width());
    limits.maxHeight = std::max(limits.minHeight, most.height());
    return limits;
}

// Why the bus did not give us the name. The bus answers a taken name without an error, so the
// reason is asked of the bus: who owns it now.
std::string whyNotOwned(QDBusConnection& connection, const QString& name) {
    const QString error = connection.lastError().message();
    if (!error.isEmpty()) return error.toStdString();
    QDBusConnectionInterface* bus = connection.interface();
    if (!bus) return "the bus refused it";
    const QDBusReply<QString> owner = bus->serviceOwner(name);
    if (!owner.isValid() || owner.value().isEmpty()) return "the bus refused it";
    std::string reason = "another program owns it (bus connection " + owner.value().toStdString();
    if (const QDBusReply<uint> pid = bus->servicePid(name); pid.isValid() && pid.value() != 0)
        reason += ", process " + numbers::formatInt(pid.value());
    return reason + ")";
}

MenuEntry menuTreeOf(QMenuBar& bar) {
    MenuEntry root;
    for (const QAction* action : bar.actions()) root.entries.push_back(menuEntryOf(*action));
    return root;
}

}  // namespace

TNCOM_DiagnosticSoftwareImpl::TNCOM_DiagnosticSoftwareImpl(TNBasisform& mainForm, AutomationCommands& commands,
                                                 QObject* parent)
    : QObject(parent), mainForm_(mainForm), hub_(mainForm.hub()), commands_(commands) {
    setObjectName(QStringLiteral("NCOM_DiagnosticSoftware"));
    new INCOM_DiagnosticSoftwareAdaptor(this);
    // Describes the signals on the bus; they are sent by sendEvent.
    new INCOM_DiagnosticSoftwareEventsAdaptor(this);
}

TNCOM_DiagnosticSoftwareImpl::~TNCOM_DiagnosticSoftwareImpl() {
    if (attached_) {
        hub_.detachSink(this);
        hub_.disconnectClient();
    }
    releaseFromBus();
}

// --- the bus ----------------------------------------------------------------------------------

AutomationStatus TNCOM_DiagnosticSoftwareImpl::registerOn(const QDBusConnection& bus) {
    const QString path = QString::fromLatin1(automation::ObjectPath);
    const QString name = QString::fromLatin1(automation::BusName);
    if (!bus.isConnected())
        return {AutomationFault::Failed, "no bus connection: " + bus.lastError().message().toStdString()};
    QDBusConnection connection(bus);
    if (!connection.registerObject(path, this))
        return {AutomationFault::Failed, "the object path " + path.toStdString() + " is taken on this connection"};
    // Listening before the name is owned: no client can have called and left unseen.
    connection.connect(BusService, BusPath, BusInterface, NameOwnerChanged, this,
                       SLOT(busNameOwnerChanged(QString, QString, QString)));
    if (!connection.registerService(name)) {
        connection.disconnect(BusService, BusPath, BusInterface, NameOwnerChanged, this,
                              SLOT(busNameOwnerChanged(QString, QString, QString)));
        connection.unregisterObject(path);
        return {AutomationFault::Failed,
                "the bus name " + name.toStdString() + " could not be owned: " + whyNotOwned(connection, name)};
    }
    bus_ = connection;
    return {};
}

void TNCOM_DiagnosticSoftwareImpl::releaseFromBus() {
    if (!bus_) return;
    QDBusConnection connection = *bus_;
    bus_.reset();
    // The path first: a call that still reaches this connection by its unique name finds no
    // object rather than one that is closing.
    connection.unregisterObject(QString::fromLatin1(automation::ObjectPath));
    connection.disconnect(BusService, BusPath, BusInterface, NameOwnerChanged, this,
                          SLOT(busNameOwnerChanged(QString, QString, QString)));
    connection.unregisterService(QString::fromLatin1(automation::BusName));
}

void TNCOM_DiagnosticSoftwareImpl::busNameOwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (!newOwner.isEmpty() || !lifetime_.clientLeft(name.toStdString())) return;
    // From the event loop: the close leaves the bus, which is not done inside the bus's own signal.
    QTimer::singleShot(0, this, [this] { hub_.RequestCloseApplication(); });
}

// --- methods ------------------------------------------------------------------------------------

template <typename Body>
void TNCOM_DiagnosticSoftwareImpl::guarded(Body body) {
    try {
        body();
    } catch (const std::exception& error) {
        refuse({AutomationFault::Failed, error.what()});
    } catch (...) {
        refuse({AutomationFault::Failed, "unexpected error"});
    }
}

void TNCOM_DiagnosticSoftwareImpl::refuse(const AutomationStatus& status) {
    if (!calledFromDBus()) return;
    sendErrorReply(QString::fromLatin1(automationErrorName(status.fault)), QString::fromStdString(status.message));
}

int TNCOM_DiagnosticSoftwareImpl::comInit(int pHandleExternalApplication, int& pHandleMenu) {
    int own = 0;
    guarded([&] {
        const std::optional<int32_t> window = toWireHandle(static_cast<WindowHandle>(mainForm_.winId()));
        if (!window)
            return refuse({AutomationFault::Failed, "the main window's id does not fit into 32 bits"});
        hub_.connectClient(fromWireHandle(pHandleExternalApplication));
        if (calledFromDBus()) lifetime_.clientInitialized(message().service().toStdString());
        attached_ = hub_.attachSink(this).ok();
        AutomatisierungsModus = 1;
        own = *window;
        pHandleMenu = automation::MainMenuHandle;
    });
    return own;
}

void TNCOM_DiagnosticSoftwareImpl::comConnectApplication() {
    guarded([&] {
        AutomationStatus status = checkClientWindow(hub_);
        if (status.ok()) status = embedding_.embed(mainForm_, hub_.clientWindow());
        if (!status.ok()) refuse(status);
    });
}

void TNCOM_DiagnosticSoftwareImpl::comSetPosition(int Top, int Left, int Width, int Height) {
    guarded([&] {
        const AutomationStatus status = checkWindowSize(Width, Height, windowSizeLimits(mainForm_));
        if (!status.ok()) return refuse(status);
        if (embedding_.embedded()) {
            // No frame inside the client's window; and Qt would take the client's window for
            // a frame and add its offset to every move.
            mainForm_.setGeometry(Left, Top, Width, Height);
        } else {
            mainForm_.move(Left, Top);
            mainForm_.resize(Width, Height);
        }
        if (!mainForm_.isVisible()) mainForm_.show();
    });
}

bool TNCOM_DiagnosticSoftwareImpl::modalDialogOpen() const { return QApplication::activeModalWidget() != nullptr; }

void TNCOM_DiagnosticSoftwareImpl::comStartMenuItem(int MenuID) {
    guarded([&] {
        AutomationStatus status = checkStartMenuItem(MenuID, commands_);
        // The technician cannot click a menu while a dialog is open; the client cannot either,
        // or a second window would run inside the first one's loop.
        if (status.ok() && modalDialogOpen())
            status = {AutomationFault::CommandDisabled,
                      "the command " + numbers::formatInt(MenuID) + " waits: a dialog of the program is open"};
        if (!status.ok()) return refuse(status);
        // Run after the reply, so the command's dialogs do not hold it.
        QTimer::singleShot(0, this, [this, MenuID] {
            if (!modalDialogOpen()) commands_.startCommandNumber(MenuID);
        });
    });
}

void TNCOM_DiagnosticSoftwareImpl::comSetDialogToTop() {
    guarded([&] { hub_.BringModalWindowsToTop(); });
}

QString TNCOM_DiagnosticSoftwareImpl::comGetMenuItemInfo(const QString& Item, int& MenuState) {
    QString text;
    guarded([&] {
        const MenuItemLookup found = lookUpMenuItem(menuTreeOf(*mainForm_.menuBar()), Item.toStdString());
        if (!found.status.ok()) return refuse(found.status);
        text = QString::fromStdString(found.info.text);
        MenuState = found.info.state;
    });
    return text;
}

void TNCOM_DiagnosticSoftwareImpl::comShowWarningMessage() {
    guarded([&] {
        // The reply waits for the answer; a second call while the question is open gets the
        // same answer instead of a second question.
        setDelayedReply(true);
        const bool asking = !warningCalls_.empty();
        warningCalls_.push_back({connection(), message()});
        if (!asking) QTimer::singleShot(0, this, [this] { askSafetyQuestion(); });
    });
}

void TNCOM_DiagnosticSoftwareImpl::askSafetyQuestion() {
    try {
        // No ends the program through the hub (comCloseApplication answers the calls first).
        mainForm_.SicherheitsabfrageAnzeigen();
        answerWarningCalls();
    } catch (const std::exception& error) {
        answerWarningCalls({AutomationFault::Failed, error.what()});
    }
}

void TNCOM_DiagnosticSoftwareImpl::answerWarningCalls(const AutomationStatus& status) {
    const std::vector<PendingCall> calls = std::move(warningCalls_);
    warningCalls_.clear();
    for (const PendingCall& pending : calls)
        pending.bus.send(status.ok() ? pending.call.createReply()
                                     : pending.call.createErrorReply(
                                           QString::fromLatin1(automationErrorName(status.fault)),
                                           QString::fromStdString(status.message)));
}

// --- events -------------------------------------------------------------------------------------

// Sent at once, not through the adaptor's relay: the relay runs later on the bus thread and finds
// no object once the close has left the path; sent here, signals keep their order with replies.
void TNCOM_DiagnosticSoftwareImpl::sendEvent(const char* name, const QVariantList& arguments) {
    if (!bus_) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(automation::ObjectPath),
                                                     QString::fromLatin1(automation::EventsInterface),
                                                     QString::fromLatin1(name));
    signal.setArguments(arguments);
    bus_->send(signal);
}

SinkResult TNCOM_DiagnosticSoftwareImpl::comModalWindowActivated(WindowHandle window) {
    const std::optional<int32_t> handle = toWireHandle(window);
    if (!handle) return {1, "the dialog's window id does not fit into 32 bits"};
    sendEvent("comModalWindowActivated", {*handle});
    return {};
}

SinkResult TNCOM_DiagnosticSoftwareImpl::comModalWindowDeactivated() {
    sendEvent("comModalWindowDeactivated");
    return {};
}

SinkResult TNCOM_DiagnosticSoftwareImpl::comMenuStateHasChanged(int32_t state) {
    sendEvent("comMenuStateHasChanged", {state});
    return {};
}

SinkResult TNCOM_DiagnosticSoftwareImpl::comApplicationInitialized() {
    sendEvent("comApplicationInitialized");
    return {};
}

SinkResult TNCOM_DiagnosticSoftwareImpl::comCloseApplication() {
    // A safety question answered No: its caller gets the reply before the close.
    answerWarningCalls();
    sendEvent("comCloseApplication");
    // The hub disconnects the client after this event.
    attached_ = false;
    // Blocking: the bus has passed the signal on before the name is free and the program ends.
    releaseFromBus();
    return {};
}
