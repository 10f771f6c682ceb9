#include "platform/QuitRequests.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int SignalCount = sizeof HandledSignals / sizeof HandledSignals[0];
// What the pipe carries: a request from the handler, or the end of watching.
constexpr char RequestByte = 1;
constexpr char EndByte = 0;

// The one watcher's state; a signal handler can reach nothing else.
std::atomic<bool> Active{false};
// [0] is read by the watcher's thread, [1] written by the handler.
int Pipe[2] = {-1, -1};
struct sigaction PreviousActions[SignalCount];
bool Replaced[SignalCount] = {};
std::function<void()> OnRequest;
std::thread Reader;

void OnQuitSignal(int) {
    const int savedErrno = errno;
    // A full pipe already holds requests that have not been read: nothing is
    // lost by dropping this one.
    ssize_t written = ::write(Pipe[1], &RequestByte, 1);
    (void)written;
    errno = savedErrno;
}

bool OpenPipe() {
    if (::pipe(Pipe) != 0) return false;
    // Nothing the program starts may inherit it; the handler never blocks.
    for (int fd : Pipe)
        ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    ::fcntl(Pipe[1], F_SETFL, ::fcntl(Pipe[1], F_GETFL) | O_NONBLOCK);
    return true;
}

void ClosePipe() {
    for (int& fd : Pipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void ReadRequests() {
    for (;;) {
        char bytes[64];
        const ssize_t n = ::read(Pipe[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bool request = false, end = false;
        for (ssize_t i = 0; i < n; ++i)
            (bytes[i] == EndByte ? end : request) = true;
        if (request && !end) OnRequest();
        if (end) return;
    }
}

} // namespace

QuitRequests::QuitRequests(std::function<void()> onRequest) {
    bool idle = false;
    if (!Active.compare_exchange_strong(idle, true)) return;
    if (!OpenPipe()) {
        Active = false;
        return;
    }
    OnRequest = std::move(onRequest);
    Reader = std::thread(ReadRequests);

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
    FWatching = true;
}

QuitRequests::~QuitRequests() {
    if (!FWatching) return;
    for (int i = 0; i < SignalCount; ++i) {
        if (Replaced[i]) ::sigaction(HandledSignals[i], &PreviousActions[i], nullptr);
        Replaced[i] = false;
    }
    // The end goes into the pipe behind any request still unread; the write
    // end does not block, but the reader empties the pipe.
    while (::write(Pipe[1], &EndByte, 1) < 0 && (errno == EINTR || errno == EAGAIN))
        std::this_thread::yield();
    Reader.join();
    OnRequest = nullptr;
    ClosePipe();
    Active = false;
}
