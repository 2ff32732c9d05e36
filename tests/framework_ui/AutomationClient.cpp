#include "AutomationClient.h"

#include "AutomationRequests.h"
#include "UiTestSupport.h"

#include <QDBusPendingCallWatcher>

#include <algorithm>
#include <atomic>

namespace {

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("automation-client-%1").arg(++counter);
}

}  // namespace

AutomationClient::AutomationClient(const std::string& address)
    : name_(nextConnectionName()), bus_(QDBusConnection::connectToBus(QString::fromStdString(address), name_)) {
    const QString events = QString::fromLatin1(automation::EventsInterface);
    for (const char* signal : {"comModalWindowActivated", "comModalWindowDeactivated", "comMenuStateHasChanged",
                               "comApplicationInitialized", "comCloseApplication"})
        bus_.connect(QString(), QString::fromLatin1(automation::ObjectPath), events, QString::fromLatin1(signal),
                     this, SLOT(received(QDBusMessage)));
}

AutomationClient::~AutomationClient() { QDBusConnection::disconnectFromBus(name_); }

QDBusPendingCall AutomationClient::callAsync(const QString& method, const QVariantList& arguments,
                                             const QString& interface) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(automation::BusName), QString::fromLatin1(automation::ObjectPath),
        interface.isEmpty() ? QString::fromLatin1(automation::MethodsInterface) : interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = bus_.asyncCall(call);
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, method] {
        log_.push_back((watcher->isError() ? "error " : "reply ") + method.toStdString());
        watcher->deleteLater();
    });
    return pending;
}

QDBusMessage AutomationClient::wait(const QDBusPendingCall& call) {
    if (!processEventsUntil([&] { return call.isFinished(); })) return QDBusMessage();
    return call.reply();
}

QDBusMessage AutomationClient::call(const QString& method, const QVariantList& arguments, const QString& interface) {
    return wait(callAsync(method, arguments, interface));
}

int AutomationClient::count(const QString& signal) const {
    return static_cast<int>(
        std::count_if(heard_.begin(), heard_.end(), [&](const Heard& h) { return h.name == signal; }));
}

bool AutomationClient::waitFor(const QString& signal, int times) {
    return processEventsUntil([&] { return count(signal) >= times; });
}

void AutomationClient::received(const QDBusMessage& message) {
    const Heard heard{message.member(), message.arguments()};
    heard_.push_back(heard);
    log_.push_back("signal " + heard.name.toStdString());
    // A copy: the handler may let further signals arrive.
    if (onSignal) onSignal(heard);
}

std::string errorNameOf(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName().toStdString() : std::string();
}
