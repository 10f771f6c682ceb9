#pragma once
// The system's requests to end the program close the main window as its
// close box does, but without asking: a running batch stops, the preferences
// are saved and the program ends normally.
//
// Which requests those are is the platform's (platform/QuitRequests.h); each
// arrives on a thread of its own and is queued to the window's thread.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QuitRequests;

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
    bool Installed() const;

private:
    // Closes the window, or keeps the request until there is one. Invoked
    // by name so that the watcher's thread can queue it.
    Q_INVOKABLE void Request();

    QPointer<QWidget> FWindow;
    bool FPending = false;
    std::unique_ptr<QuitRequests> FRequests;
};
