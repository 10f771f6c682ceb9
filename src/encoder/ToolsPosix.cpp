#ifndef _WIN32

#include "encoder/Tools.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t Requested = 0;

extern "C" void OnTerminationRequest(int) {
    Requested = 1;
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
