#ifndef _WIN32

#include "encoder/Tools.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// After a termination request the tool gets this long to finish its file
// before it is killed: the program expects a stopped encoder to be gone
// within a second.
constexpr auto FinishGrace = std::chrono::milliseconds(800);
// Once the tool has been reaped, its output is read until it ends; a
// grandchild that kept the pipe open is not waited for longer than this.
constexpr auto DrainGrace = std::chrono::milliseconds(200);

const int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGCHLD};

// Signals are turned into bytes on this pipe, which the supervising loop
// polls together with the tool's output.
int SignalPipe[2] = {-1, -1};

extern "C" void OnSignal(int sig) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(sig);
    if (SignalPipe[1] >= 0) {
        ssize_t ignored = write(SignalPipe[1], &b, 1);
        (void)ignored;
    }
    errno = saved;
}

int MillisecondsUntil(Clock::time_point t) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms + 1);
}

int StatusToExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

// Makes fd survive exec when dup2 could not move it (it already was the target).
void KeepAcrossExec(int fd) {
    int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC);
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

void WriteError(std::string_view text) {
    while (!text.empty()) {
        ssize_t n = write(STDERR_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<size_t>(n));
    }
}

int RunTool(const std::string& program, const std::vector<std::string>& args,
            const std::function<void(std::string_view)>& onOutput, std::string& error) {
    // Everything the child needs is prepared before fork: between fork and
    // exec it only makes system calls.
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    if (SignalPipe[0] < 0 && pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    // The child reports a failed exec through this pipe; a successful exec
    // closes it (close-on-exec) without a word.
    int execStatus[2];
    if (pipe2(execStatus, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return -1;
    }
    int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

    // Termination requests that arrive while the child is being created wait
    // until the parent's handler can pass them on.
    sigset_t handled, previous;
    sigemptyset(&handled);
    for (int sig : HandledSignals)
        sigaddset(&handled, sig);
    sigprocmask(SIG_BLOCK, &handled, &previous);
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : HandledSignals)
        sigaction(sig, &sa, nullptr);
    // A reader that went away must not end this program (and with it, by
    // the parent death signal, the conversion).
    signal(SIGPIPE, SIG_IGN);

    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
#ifdef __linux__
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died before the line above took effect.
        if (getppid() != parent) _exit(127);
#endif
        // A group of its own: a signal to our group (the program stops the
        // encoder that way) must not reach ffmpeg besides the one we pass
        // on. ffmpeg takes a second signal as "exit immediately" and then
        // abandons writing the end of the file (an mp4 without its index).
        setpgid(0, 0);
        for (int sig : HandledSignals)
            sigaction(sig, &dfl, nullptr);
        sigaction(SIGPIPE, &dfl, nullptr);
        if (out[1] == STDOUT_FILENO)
            KeepAcrossExec(out[1]);
        else
            dup2(out[1], STDOUT_FILENO);
        if (devNull >= 0) {
            if (devNull == STDIN_FILENO)
                KeepAcrossExec(devNull);
            else
                dup2(devNull, STDIN_FILENO);
        }
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        execv(argv[0], argv.data());
        int e = errno;
        ssize_t ignored = write(execStatus[1], &e, sizeof e);
        (void)ignored;
        _exit(127);
    }
    const int forkError = errno;
    if (pid > 0) setpgid(pid, pid); // either side may get there first
    close(out[1]);
    close(execStatus[1]);
    if (devNull >= 0) close(devNull);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (pid < 0) {
        close(out[0]);
        close(execStatus[0]);
        error = std::strerror(forkError);
        return -1;
    }

    int execError = 0;
    ssize_t got;
    do {
        got = read(execStatus[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    close(execStatus[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        close(out[0]);
        error = std::strerror(execError);
        return -1;
    }

    bool reaped = false, outOpen = true, termSent = false, killSent = false;
    int status = 0;
    Clock::time_point killAt{}, drainUntil{};
    char buf[4096];
    while (!reaped || outOpen) {
        int timeout = -1;
        if (!reaped && termSent && !killSent) timeout = MillisecondsUntil(killAt);
        if (reaped) timeout = MillisecondsUntil(drainUntil);
        pollfd fds[2] = {{SignalPipe[0], POLLIN, 0}, {outOpen ? out[0] : -1, POLLIN, 0}};
        int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            // Cannot watch any more: do not leave the tool behind.
            if (!reaped) {
                kill(pid, SIGKILL);
                while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
            }
            if (outOpen) close(out[0]);
            return StatusToExitCode(status);
        }

        if (ready > 0 && (fds[0].revents & POLLIN)) {
            unsigned char sigs[64];
            ssize_t n;
            while ((n = read(SignalPipe[0], sigs, sizeof sigs)) > 0) {
                for (ssize_t i = 0; i < n; ++i) {
                    if (sigs[i] == SIGCHLD || termSent || reaped) continue;
                    kill(pid, SIGTERM);
                    termSent = true;
                    killAt = Clock::now() + FinishGrace;
                }
            }
        }
        if (!reaped) {
            pid_t w = waitpid(pid, &status, WNOHANG);
            if (w == pid) {
                reaped = true;
                drainUntil = Clock::now() + DrainGrace;
            }
        }
        if (outOpen && ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t n = read(out[0], buf, sizeof buf);
            if (n > 0) {
                onOutput(std::string_view(buf, static_cast<size_t>(n)));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                close(out[0]);
                outOpen = false;
            }
        }
        if (reaped && outOpen && Clock::now() >= drainUntil) {
            close(out[0]);
            outOpen = false;
        }
        if (!reaped && termSent && !killSent && Clock::now() >= killAt) {
            kill(pid, SIGKILL);
            killSent = true;
        }
    }
    return StatusToExitCode(status);
}

#endif
