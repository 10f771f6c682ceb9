#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int& fd) {
    if (fd >= 0) {
        // close() must not be retried on EINTR on Linux: the descriptor is
        // gone either way.
        ::close(fd);
        fd = -1;
    }
}

// Moves a new descriptor above 0..2: a program started without standard
// handles gets them from the next pipe it makes, and the child's dup2 onto
// 1 and 2 would then not clear close-on-exec (or would overwrite another of
// the pipe's ends).
bool AboveStandardHandles(int& fd) {
    if (fd > STDERR_FILENO) return true;
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) return false;
    ::close(fd);
    fd = moved;
    return true;
}

// The exit code of a reaped process; -1 when it did not end by exiting.
int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void DupOnto(int fd, int target) {
    while (::dup2(fd, target) < 0 && errno == EINTR) {
    }
}

// What the child needs besides its program and arguments, all prepared
// before fork.
struct ChildSetup {
    int OutFd = -1;    // the pipe's write end
    int StatusFd = -1; // tells the parent why exec failed
    int InputFd = -1;  // the null device for standard input, or -1: ours
    bool ErrorIntoPipe = true;
    pid_t Parent = -1;
};

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const char* program, char* const* argv, const ChildSetup& setup) {
    // A group of its own, so that a signal to the group reaches whatever the
    // encoder starts in turn.
    ::setpgid(0, 0);

    // Dispositions set to "ignore" survive exec; the encoder gets defaults.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigemptyset(&dfl.sa_mask);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD})
        ::sigaction(sig, &dfl, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

#ifdef __linux__
    // The child dies with us: a program that is killed (or ends without
    // stopping its encoder) must not leave it converting. SIGKILL, because
    // nobody is left to wait for an encoder that ignores a polite request.
    // The parent may already have died before this took effect.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != setup.Parent) ::_exit(127);
#endif

    // Standard output (and error, unless it stays ours) goes into the pipe;
    // dup2 leaves the new descriptors open across exec. Standard input stays
    // as it is unless it is to be the null device.
    DupOnto(setup.OutFd, STDOUT_FILENO);
    if (setup.ErrorIntoPipe) DupOnto(setup.OutFd, STDERR_FILENO);
    if (setup.InputFd >= 0) DupOnto(setup.InputFd, STDIN_FILENO);

    ::execv(program, argv);

    // Tell the parent why exec failed; the status pipe closes on a
    // successful exec, so a read of zero bytes there means "started".
    int err = errno;
    ssize_t ignored = ::write(setup.StatusFd, &err, sizeof err);
    (void)ignored;
    ::_exit(127);
}

} // namespace

struct ChildProcess::Impl {
    pid_t Pid = -1;
    int ReadFd = -1;
    bool Reaped = false;
    int ExitCode = -1;
    int EndSignal = 0;
    bool Suspended = false;

    // The process has been started and not yet reaped: its id, and with it
    // its group id, still belong to it and may be signalled.
    bool Alive() const { return Pid > 0 && !Reaped; }

    void Signal(int sig) const {
        if (!Alive()) return;
        // The whole group first (the encoder and its helpers); the process
        // alone in case it has left the group.
        if (::kill(-Pid, sig) != 0) ::kill(Pid, sig);
    }

    // One waitpid without blocking (or blocking when block is set); true
    // when the process has been reaped.
    bool TryReap(bool block) {
        if (Reaped) return true;
        if (Pid <= 0) return false;
        for (;;) {
            int status = 0;
            pid_t r = ::waitpid(Pid, &status, block ? 0 : WNOHANG);
            if (r == Pid) {
                Reaped = true;
                ExitCode = ExitCodeOf(status);
                EndSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
                return true;
            }
            if (r == 0) return false;
            if (errno == EINTR) continue;
            // ECHILD: someone else reaped it (SIGCHLD ignored, a foreign
            // waitpid(-1)). Its id may be reused now, so never signal it again.
            Reaped = true;
            ExitCode = -1;
            return true;
        }
    }
};

ChildProcess::ChildProcess() : d(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    if (d->Alive()) {
        d->Signal(SIGKILL);
        d->TryReap(true);
    }
    CloseFd(d->ReadFd);
}

bool ChildProcess::Started() const {
    return d->Pid > 0;
}

long long ChildProcess::Id() const {
    return d->Alive() ? d->Pid : 0;
}

ChildProcess::StartError ChildProcess::Start(const std::string& program, const CommandLine& command,
                                             const ChildOptions& options) {
    if (d->Pid > 0) return StartError::Process; // one process per object

    int out[2] = {-1, -1};
    int status[2] = {-1, -1};
    bool piped = ::pipe2(out, O_CLOEXEC) == 0 && ::pipe2(status, O_CLOEXEC) == 0;
    for (int* fd : {&out[0], &out[1], &status[0], &status[1]})
        if (piped && !AboveStandardHandles(*fd)) piped = false;
    if (!piped) {
        for (int* fd : {&out[0], &out[1], &status[0], &status[1]})
            CloseFd(*fd);
        return StartError::Pipe;
    }
    int input = -1;
    if (options.NoInput) {
        input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (input < 0 || !AboveStandardHandles(input)) {
            for (int* fd : {&out[0], &out[1], &status[0], &status[1], &input})
                CloseFd(*fd);
            return StartError::Process;
        }
    }

    // Everything the child needs is prepared before fork.
    std::vector<char*> argv;
    argv.reserve(command.Args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : command.Args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    ChildSetup setup;
    setup.OutFd = out[1];
    setup.StatusFd = status[1];
    setup.InputFd = input;
    setup.ErrorIntoPipe = options.ErrorIntoPipe;
    setup.Parent = ::getpid();

    pid_t pid = ::fork();
    if (pid < 0) {
        for (int* fd : {&out[0], &out[1], &status[0], &status[1], &input})
            CloseFd(*fd);
        return StartError::Process;
    }
    if (pid == 0) ExecChild(program.c_str(), argv.data(), setup);

    // Also from this side, so that the group exists before any signal is
    // sent, whichever process runs first.
    ::setpgid(pid, pid);
    ::close(out[1]);
    ::close(status[1]);
    CloseFd(input);

    int err = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);

    d->Pid = pid;
    d->Reaped = false;
    d->Suspended = false;
    d->ExitCode = -1;
    d->EndSignal = 0;
    if (n > 0) {
        // exec failed: the program is missing or cannot be run. errno tells
        // why, as after a failed call.
        d->TryReap(true);
        d->Pid = -1;
        ::close(out[0]);
        errno = err;
        return StartError::Process;
    }
    d->ReadFd = out[0];
    return StartError::None;
}

ChildProcess::ReadStatus ChildProcess::Read(char* buffer, size_t maxBytes, int timeoutMs,
                                            size_t& got) {
    got = 0;
    if (d->ReadFd < 0) return ReadStatus::End;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd p{d->ReadFd, POLLIN, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0) {
            if (errno == EINTR) continue;
            return ReadStatus::End;
        }
        if (r == 0) return ReadStatus::Timeout;

        ssize_t n = ::read(d->ReadFd, buffer, maxBytes);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return ReadStatus::Data;
        }
        if (n == 0) return ReadStatus::End;
        if (errno == EINTR || errno == EAGAIN) continue;
        return ReadStatus::End;
    }
}

bool ChildProcess::WaitForOutput(const std::vector<ChildProcess*>& children, int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(children.size());
    for (ChildProcess* child : children) {
        // A child without a pipe reads as ended at once.
        if (child->d->ReadFd < 0) return true;
        fds.push_back(pollfd{child->d->ReadFd, POLLIN, 0});
    }
    if (fds.empty()) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int r = ::poll(fds.data(), fds.size(), std::max(0, static_cast<int>(left.count())));
        if (r > 0) return true;
        if (r == 0) return false;
        // A failed poll is left to the reads, which then tell the end.
        if (errno != EINTR) return true;
    }
}

void ChildProcess::Terminate() {
    // A paused process would not see the request until it goes on.
    Resume();
    d->Signal(SIGTERM);
}

void ChildProcess::Suspend() {
    if (d->Suspended || !d->Alive()) return;
    d->Suspended = true;
    // SIGTSTP rather than SIGSTOP: a process that started others in groups
    // of their own can catch it and stop them before it stops itself.
    d->Signal(SIGTSTP);
}

void ChildProcess::Resume() {
    if (!d->Suspended) return;
    d->Suspended = false;
    d->Signal(SIGCONT);
}

void ChildProcess::Kill() {
    d->Signal(SIGKILL);
}

bool ChildProcess::Wait(int timeoutMs, int& exitCode) {
    if (d->Pid <= 0) return false;
    if (timeoutMs < 0) {
        d->TryReap(true);
    } else {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        auto pause = std::chrono::microseconds(200);
        while (!d->TryReap(false)) {
            auto now = Clock::now();
            if (now >= deadline) return false;
            auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
            std::this_thread::sleep_for(std::min(pause, left));
            // Quick at first (the usual case: the process is just exiting),
            // then no busier than every 10 ms.
            pause = std::min(pause * 2, std::chrono::microseconds(10000));
        }
    }
    exitCode = d->ExitCode;
    return true;
}

int ChildProcess::EndSignal() const {
    return d->Reaped ? d->EndSignal : 0;
}

double ChildProcess::CpuSeconds() const {
    // Once reaped, the id may belong to another process.
    if (!d->Alive()) return -1;
#ifdef __linux__
    // /proc/<pid>/stat: "<pid> (<name>) <state> ..." with the user and the
    // system time, in clock ticks, as the 14th and 15th fields. The name may
    // hold blanks and parentheses, so the fields are counted after the last
    // ")".
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(d->Pid));
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char buf[1024];
    ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return -1;
    buf[n] = '\0';
    const char* p = std::strrchr(buf, ')');
    if (!p) return -1;
    unsigned long long user = 0, system = 0;
    // After ")": state (3rd field), then 4th..13th, then utime and stime.
    if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                    &system) != 2)
        return -1;
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    return perSecond > 0 ? static_cast<double>(user + system) / perSecond : -1;
#else
    return -1;
#endif
}

std::string ExitCodeText(int code) {
    return code >= 0 ? std::to_string(code) : std::string();
}

namespace {
// word as a POSIX shell reads it back: as it stands when it holds only
// characters no shell treats specially, else in single quotes.
std::string ShellWord(const std::string& word) {
    const bool plain =
        !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                "abcdefghijklmnopqrstuvwxyz"
                                                "0123456789@%+=:,./_-") == std::string::npos;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
} // namespace

std::string ShellCommandText(const std::string& program, const CommandLine& command) {
    std::string text = ShellWord(program);
    for (const std::string& word : command.Args)
        text += " " + ShellWord(word);
    return text;
}
