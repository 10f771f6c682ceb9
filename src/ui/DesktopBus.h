#pragma once
// What a Linux desktop offers a long batch over D-Bus: keeping the computer
// awake (logind on the system bus, else the desktop portal on the session
// bus), a notification when a batch has ended, and the batch's progress on
// the program's task-bar or dock entry. The buses are handed in, so that
// tests can give private ones.
#include "platform/Desktop.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <string>

// The desktop entry's name, by which the desktop knows the program.
inline constexpr const char* DesktopEntryName = "io.github.tarvolin.Tarvolin";

class TDBusSleepInhibitor : public SleepInhibitor {
public:
    TDBusSleepInhibitor(QDBusConnection system, QDBusConnection session);
    ~TDBusSleepInhibitor() override;

    // logind's Inhibit("sleep:idle", "Tarvolin", why, "block"), its file
    // descriptor held until Release; if that fails, the portal's Inhibit for
    // suspending and idling. problem names why each failed.
    bool Inhibit(const std::string& why, std::string& problem) override;
    void Release() override;

private:
    bool InhibitLogind(const QString& why, QString& problem);
    bool InhibitPortal(const QString& why, QString& problem);

    QDBusConnection FSystem;
    QDBusConnection FSession;
    QDBusUnixFileDescriptor FLogindLock;
    QString FPortalRequest; // the portal's request object while it holds
};

class TDesktopNotices : public QObject {
    Q_OBJECT
public:
    explicit TDesktopNotices(QDBusConnection session, QObject* parent = nullptr);

    // A notification with text as its summary and an action that shows the
    // program's window.
    void Notify(const std::string& text);
    // The total progress (0..1) on the program's task-bar entry, or none;
    // said only when it changes.
    void ShowProgress(bool visible, double progress);

signals:
    // The user has asked for the window from the notification.
    void ShowRequested();

private slots:
    void ActionInvoked(uint id, const QString& action);

private:
    QDBusConnection FSession;
    // The id of the last notification, once the server has answered.
    uint FNotification = 0;
    bool FProgressShown = false;
    int FProgressPercent = -1;
};
