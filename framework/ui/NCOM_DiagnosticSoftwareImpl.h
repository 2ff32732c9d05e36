#pragma once
// TNCOM_DiagnosticSoftwareImpl: the automation object a host program drives over D-Bus, the
// object /NCOM_DiagnosticSoftware (the interface is resources/Tarvik.NCOM_DiagnosticSoftware.xml;
// its adaptors are generated from that file and call the methods below). It is also the client's event connection on the automation hub:
// the hub's notifications become the signals of the events interface.
//
// Use:
//   TNCOM_DiagnosticSoftwareImpl automation(mainWindow, mainWindow);  // window and its commands
//   automation.registerOn(QDBusConnection::sessionBus());       // object path, then bus name
//
// Every method checks its arguments first; a refused call answers a D-Bus error (the names are
// in AutomationRequests.h) and changes nothing. comStartMenuItem and comShowWarningMessage run
// their work from the event loop, so no dialog ever holds a reply the client waits for (the
// safety question's reply waits for the answer on purpose).
//
// A program started by the bus (endAfterLastClient) ends when the last client that called comInit
// has left the bus, through the hub's RequestCloseApplication like any other close.
//
// When the program closes with a client connected (the hub's comCloseApplication), the signal is
// sent, the object leaves its path and the name is released with a blocking call: every listener
// has the signal before the program ends, and later calls get ServiceUnknown.
//
// Threading: user-interface thread only.

#include "AutomationHub.h"
#include "AutomationRequests.h"
#include "AutomationServer.h"
#include "ForeignWindowEmbedding.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <optional>
#include <vector>

class TNBasisform;

class TNCOM_DiagnosticSoftwareImpl : public QObject, public QDBusContext, public AutomationEventSink {
    Q_OBJECT
public:
    // The main window (placed, embedded, asked the safety question; its hub carries the client)
    // and its commands. Both must outlive the object.
    TNCOM_DiagnosticSoftwareImpl(TNBasisform& mainForm, AutomationCommands& commands, QObject* parent = nullptr);
    // Detaches from the hub (no client is left), leaves the bus and gives an embedded main
    // window back.
    ~TNCOM_DiagnosticSoftwareImpl() override;

    // Puts the object on the bus: its path (automation::ObjectPath), then the name
    // (automation::BusName). Refused (Failed, with the reason) when the bus is not connected,
    // the path is taken or another program owns the name; nothing stays registered then.
    AutomationStatus registerOn(const QDBusConnection& bus);
    // Leaves the path and releases the name (a blocking call); nothing when not registered.
    void releaseFromBus();
    bool registered() const { return bus_.has_value(); }
    // The bus started the program for its clients: it ends after them (automation::ServerLifetime).
    void endAfterLastClient() { lifetime_ = automation::ServerLifetime(true); }

    // --- Tarvik.INCOM_DiagnosticSoftware, called by the generated adaptor ---
    int comInit(int pHandleExternalApplication, int& pHandleMenu);
    void comConnectApplication();
    void comSetPosition(int Top, int Left, int Width, int Height);
    void comStartMenuItem(int MenuID);
    void comSetDialogToTop();
    QString comGetMenuItemInfo(const QString& Item, int& MenuState);
    void comShowWarningMessage();

    // --- AutomationEventSink: the signals of Tarvik.INCOM_DiagnosticSoftwareEvents ---
    SinkResult comModalWindowActivated(WindowHandle window) override;
    SinkResult comModalWindowDeactivated() override;
    SinkResult comMenuStateHasChanged(int32_t state) override;
    SinkResult comApplicationInitialized() override;
    SinkResult comCloseApplication() override;

private slots:
    // The bus's NameOwnerChanged: an empty new owner means the name's connection has gone.
    void busNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    struct PendingCall {
        QDBusConnection bus;
        QDBusMessage call;
    };

    // Runs a method's body; an exception becomes a Failed error for the caller.
    template <typename Body>
    void guarded(Body body);
    // Answers the current call with the status's error.
    void refuse(const AutomationStatus& status);
    bool modalDialogOpen() const;
    void askSafetyQuestion();
    // Sends a signal of the events interface (nothing while the object is not on a bus).
    void sendEvent(const char* name, const QVariantList& arguments = {});
    // Replies to every waiting comShowWarningMessage call (with the status's error if it has one).
    void answerWarningCalls(const AutomationStatus& status = {});

    TNBasisform& mainForm_;
    AutomationHub& hub_;
    AutomationCommands& commands_;
    ForeignWindowEmbedding embedding_;
    std::optional<QDBusConnection> bus_;
    bool attached_ = false;
    std::vector<PendingCall> warningCalls_;
    automation::ServerLifetime lifetime_{false};
};
