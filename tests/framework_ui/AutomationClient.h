#pragma once
// A host program on a bus connection of its own: it calls the automation object and records, in
// one log, the replies it got and the signals it heard. The object runs in the test's own
// thread, so every call is asynchronous and the client lets the event loop run while it waits.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <string>
#include <vector>

class AutomationClient : public QObject {
    Q_OBJECT
public:
    // Connects to the bus at `address` and listens to the events interface of the program's
    // object. Check connected().
    explicit AutomationClient(const std::string& address);
    ~AutomationClient() override;

    bool connected() const { return bus_.isConnected(); }
    QDBusConnection& bus() { return bus_; }

    // Calls a method of the program (Tarvik.INCOM_DiagnosticSoftware unless `interface` says
    // otherwise) and waits, bounded, for the answer; "reply <method>" or "error <method>" goes
    // into the log when it arrives. On a time-out the result is an invalid message.
    QDBusMessage call(const QString& method, const QVariantList& arguments = {},
                      const QString& interface = QString());
    // Sends the call without waiting.
    QDBusPendingCall callAsync(const QString& method, const QVariantList& arguments = {},
                               const QString& interface = QString());
    // Lets the event loop run until the call is answered (bounded).
    QDBusMessage wait(const QDBusPendingCall& call);

    struct Heard {
        QString name;  // the signal's member name
        QVariantList arguments;
    };
    // The signals heard so far, oldest first.
    const std::vector<Heard>& heard() const { return heard_; }
    int count(const QString& signal) const;
    // Lets the event loop run until the signal has been heard `times` times in all (bounded).
    bool waitFor(const QString& signal, int times = 1);
    // Replies and signals in the order they arrived: "reply m", "error m", "signal s".
    const std::vector<std::string>& log() const { return log_; }

    // Runs for every signal as it arrives (inside whatever event loop is running then).
    std::function<void(const Heard&)> onSignal;

private slots:
    void received(const QDBusMessage& message);

private:
    QString name_;
    QDBusConnection bus_;
    std::vector<Heard> heard_;
    std::vector<std::string> log_;
};

// The error name of a reply ("" for a method return).
std::string errorNameOf(const QDBusMessage& reply);
