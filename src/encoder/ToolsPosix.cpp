#ifndef _WIN32

#include "encoder/Tools.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t Requested = 0;

extern "C" void OnTerminationRequest(int) {
    Requested = 1;
}

// The group of the tool a pause is passed on to; 0 while none runs.
volatile std::sig_atomic_t ToolGroup = 0;
// The nanoseconds this program has spent paused.
std::atomic<std::int64_t> PausedNs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "used in a signal handler");

std::int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// SIGTSTP: the tool stops first, then this program; the handler returns
// when both have been continued. Only async-signal-safe calls.
extern "C" void OnPause(int) {
    const int saved = errno;
    const std::int64_t from = MonotonicNs();
    const pid_t group = ToolGroup;
    if (group > 0) kill(-group, SIGSTOP);
    kill(getpid(), SIGSTOP);
    if (group > 0) kill(-group, SIGCONT);
    PausedNs += MonotonicNs() - from;
    errno = saved;
}

// SIGCONT, also after a stop that did not come through OnPause (a SIGSTOP
// sent by hand): the tool goes on with us.
extern "C" void OnContinue(int) {
    const int saved = errno;
    const pid_t group = ToolGroup;
    if (group > 0) kill(-group, SIGCONT);
    errno = saved;
}

} // namespace

std::string OwnDirectory(const char* argv0) {
    std::string exe;
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n > 0) {
        exe.assign(buf, static_cast<size_t>(n));
    } else if (argv0 && std::strchr(argv0, '/')) {
        char* real = realpath(argv0, nullptr);
        exe = real ? real : argv0;
        std::free(real);
    }
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : exe.substr(0, slash);
}

void WatchTerminationRequests() {
    static bool watching = false;
    if (watching) return;
    watching = true;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnTerminationRequest;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
    // A reader that went away must not end this program (and with it, by
    // the parent death signal, the conversion).
    signal(SIGPIPE, SIG_IGN);
}

bool TerminationRequested() {
    return Requested != 0;
}

void PassPausesTo(long long toolId) {
    static bool watching = false;
    if (!watching) {
        watching = true;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_flags = SA_RESTART;
        sigemptyset(&sa.sa_mask);
        sa.sa_handler = OnPause;
        sigaction(SIGTSTP, &sa, nullptr);
        sa.sa_handler = OnContinue;
        sigaction(SIGCONT, &sa, nullptr);
    }
    ToolGroup = static_cast<std::sig_atomic_t>(toolId);
}

std::chrono::steady_clock::duration TimePaused() {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(PausedNs.load()));
}

std::string LastSystemError() {
    return std::strerror(errno);
}

void WriteError(std::string_view text) {
    while (!text.empty()) {
        ssize_t n = write(STDERR_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<size_t>(n));
    }
}

#endif
