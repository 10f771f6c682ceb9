#pragma once
// The system's requests to end the program close the main window as its
// close box does, but without asking: a running batch stops, the preferences
// are saved and the program ends normally.
//
// POSIX systems: SIGTERM, SIGINT and SIGHUP. The handler only writes a byte
// into a socket pair, which is all a signal handler may safely do; a socket
// notifier reads it on the window's thread and closes the window there. A
// signal that was ignored when the program started (nohup, a background
// job) stays ignored.
//
// Windows: Ctrl+C, Ctrl+Break and the closing of a console the program is
// attached to. The console's handler runs on a thread of its own and queues
// the close to the window's thread.
#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

class TQuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. A request that arrives before SetWindow waits
    // until the window is given. One object at a time: a second one installs
    // nothing.
    explicit TQuitSignals(QObject* parent = nullptr);
    // Puts back the handlers that were there before.
    ~TQuitSignals() override;

    // The window each request closes from now on. Give it once it is shown
    // (its first showing restores the preferences that its closing saves).
    void SetWindow(QWidget* window);
    bool Installed() const { return FInstalled; }

private:
    // Closes the window, or keeps the request until there is one. Invoked
    // by name so that the Windows console thread can queue it.
    Q_INVOKABLE void Request();

    QPointer<QWidget> FWindow;
    bool FInstalled = false;
    bool FPending = false;
    QSocketNotifier* FNotifier = nullptr;
};
