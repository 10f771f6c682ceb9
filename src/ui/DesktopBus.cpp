#include "ui/DesktopBus.h"

#include "ui/QtText.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace {

// A desktop service that does not answer within this is taken as failed: a
// batch does not wait on it.
constexpr int CallTimeoutMs = 5000;

const QString LogindService = QStringLiteral("org.freedesktop.login1");
const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// The portal's Inhibit flags: suspending the computer, and idling.
constexpr uint PortalSuspend = 4;
constexpr uint PortalIdle = 8;

QString ErrorText(const QDBusError& error) {
    return error.message().isEmpty() ? error.name() : error.message();
}

} // namespace

TDBusSleepInhibitor::TDBusSleepInhibitor(QDBusConnection system, QDBusConnection session)
    : FSystem(std::move(system)), FSession(std::move(session)) {}

TDBusSleepInhibitor::~TDBusSleepInhibitor() {
    Release();
}

bool TDBusSleepInhibitor::Inhibit(const std::string& why, std::string& problem) {
    Release();
    QString logind, portal;
    if (InhibitLogind(ToQ(why), logind) || InhibitPortal(ToQ(why), portal)) return true;
    problem = FromQ(QStringLiteral("logind: ") + logind + QStringLiteral("; the desktop portal: ") +
                    portal);
    return false;
}

bool TDBusSleepInhibitor::InhibitLogind(const QString& why, QString& problem) {
    if (!FSystem.isConnected()) {
        problem = QStringLiteral("no system bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        LogindService, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Tarvolin") << why
         << QStringLiteral("block");
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        FSystem.call(call, QDBus::Block, CallTimeoutMs);
    if (!reply.isValid()) {
        problem = ErrorText(reply.error());
        return false;
    }
    // The lock lasts while the descriptor is open: this copy of it.
    FLogindLock = reply.value();
    if (!FLogindLock.isValid()) {
        problem = QStringLiteral("no lock was given");
        return false;
    }
    return true;
}

bool TDBusSleepInhibitor::InhibitPortal(const QString& why, QString& problem) {
    if (!FSession.isConnected()) {
        problem = QStringLiteral("no session bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << (PortalSuspend | PortalIdle)
         << QVariantMap{{QStringLiteral("reason"), why}};
    const QDBusReply<QDBusObjectPath> reply = FSession.call(call, QDBus::Block, CallTimeoutMs);
    if (!reply.isValid()) {
        problem = ErrorText(reply.error());
        return false;
    }
    FPortalRequest = reply.value().path();
    return true;
}

void TDBusSleepInhibitor::Release() {
    FLogindLock = QDBusUnixFileDescriptor();
    if (FPortalRequest.isEmpty()) return;
    // Closing the request ends the portal's inhibition.
    FSession.asyncCall(QDBusMessage::createMethodCall(
        PortalService, FPortalRequest, QStringLiteral("org.freedesktop.portal.Request"),
        QStringLiteral("Close")));
    FPortalRequest.clear();
}

TDesktopNotices::TDesktopNotices(QDBusConnection session, QObject* parent)
    : QObject(parent), FSession(std::move(session)) {
    if (FSession.isConnected())
        FSession.connect(QString(), NotificationsPath, NotificationsService,
                         QStringLiteral("ActionInvoked"), this, SLOT(ActionInvoked(uint, QString)));
}

void TDesktopNotices::Notify(const std::string& text) {
    if (!FSession.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        NotificationsService, NotificationsPath, NotificationsService, QStringLiteral("Notify"));
    // The default action (a click on the notification) and a button, both
    // showing the window.
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromLatin1(DesktopEntryName)}};
    call << QStringLiteral("Tarvolin PSP Video Converter") << uint(0) << QStringLiteral("tarvolin")
         << ToQ(text) << QString() << QStringList{QStringLiteral("default"), QStringLiteral("Show")}
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(FSession.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isValid()) FNotification = reply.value();
                done->deleteLater();
            });
}

void TDesktopNotices::ActionInvoked(uint id, const QString& action) {
    if (id != 0 && id == FNotification && action == QStringLiteral("default")) emit ShowRequested();
}

void TDesktopNotices::ShowProgress(bool visible, double progress) {
    const int percent = visible ? qBound(0, qRound(progress * 100), 100) : -1;
    if (visible == FProgressShown && percent == FProgressPercent) return;
    FProgressShown = visible;
    FProgressPercent = percent;
    if (!FSession.isConnected()) return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/io/github/tarvolin/Tarvolin"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://") + QString::fromLatin1(DesktopEntryName) +
                  QStringLiteral(".desktop")
           << QVariantMap{{QStringLiteral("progress"), visible ? percent / 100.0 : 0.0},
                          {QStringLiteral("progress-visible"), visible}};
    FSession.send(update);
}
