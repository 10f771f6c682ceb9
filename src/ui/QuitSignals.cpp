#include "QuitSignals.h"

#include <QSocketNotifier>

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// The one installed object; the Windows console handler reaches it from a
// thread of its own.
std::atomic<TQuitSignals*> CurrentInstance{nullptr};

#ifndef _WIN32

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int SignalCount = sizeof HandledSignals / sizeof HandledSignals[0];

// [0] is written by the handler, [1] is read by the notifier.
int SignalSocket[2] = {-1, -1};
struct sigaction PreviousActions[SignalCount];
bool Replaced[SignalCount] = {};

void OnQuitSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full socket already holds a request that has not been read: nothing
    // is lost by dropping this one.
    ssize_t written = ::write(SignalSocket[0], &byte, 1);
    (void)written;
    errno = savedErrno;
}

bool OpenSignalSocket() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalSocket) != 0) return false;
    for (int fd : SignalSocket) {
        // The encoder and anything else the program starts must not inherit
        // it, and neither the handler nor the reader may ever block.
        ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void CloseSignalSocket() {
    for (int& fd : SignalSocket) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

#else

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: {
        TQuitSignals* target = CurrentInstance.load();
        if (!target) return FALSE;
        // Queued: the window is closed on its own thread.
        QMetaObject::invokeMethod(target, "Request", Qt::QueuedConnection);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

#endif

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent) {
    TQuitSignals* none = nullptr;
    if (!CurrentInstance.compare_exchange_strong(none, this)) return;
#ifndef _WIN32
    if (!OpenSignalSocket()) {
        CurrentInstance = nullptr;
        return;
    }
    FNotifier = new QSocketNotifier(SignalSocket[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        while (::read(SignalSocket[1], bytes, sizeof bytes) > 0) {
        }
        Request();
    });

    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < SignalCount; ++i) {
        struct sigaction previous {};
        if (::sigaction(HandledSignals[i], nullptr, &previous) != 0) continue;
        if (previous.sa_handler == SIG_IGN) continue;
        Replaced[i] = ::sigaction(HandledSignals[i], &action, &PreviousActions[i]) == 0;
    }
#else
    if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        CurrentInstance = nullptr;
        return;
    }
#endif
    FInstalled = true;
}

TQuitSignals::~TQuitSignals() {
    if (!FInstalled) return;
#ifndef _WIN32
    for (int i = 0; i < SignalCount; ++i)
        if (Replaced[i]) ::sigaction(HandledSignals[i], &PreviousActions[i], nullptr);
    for (bool& replaced : Replaced)
        replaced = false;
    delete FNotifier;
    FNotifier = nullptr;
    CloseSignalSocket();
#else
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#endif
    CurrentInstance = nullptr;
}

void TQuitSignals::SetWindow(QWidget* window) {
    FWindow = window;
    if (FPending && FWindow) QMetaObject::invokeMethod(this, "Request", Qt::QueuedConnection);
}

void TQuitSignals::Request() {
    if (!FWindow) {
        FPending = true;
        return;
    }
    FPending = false;
    // A window that has already closed is not closed again (its closing
    // saves the preferences and ends the program once).
    // It closes without asking, also during a batch: the window offers a
    // slot for that, any other window is simply closed.
    if (!FWindow->isVisible()) return;
    if (!QMetaObject::invokeMethod(FWindow, "CloseUnasked")) FWindow->close();
}
