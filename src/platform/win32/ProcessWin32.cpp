#include "platform/Process.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

// The child writes its standard output (and by default its standard error)
// into the write end of one anonymous pipe; we poll the read end. The child
// runs in a job object that kills everything it started when the job is
// terminated or its last handle closes, so nothing it spawned can outlive us.

namespace {

// Between creating a pipe and closing the parent's copy of its write end, the
// write end is inheritable: a child started by another thread in that window
// would inherit it and keep our pipe from ever ending. Starts are serialized
// so that no foreign child can pick up the handle.
std::mutex& StartMutex() {
    static std::mutex m;
    return m;
}

void CloseIfOpen(HANDLE& h) {
    if (h) {
        CloseHandle(h);
        h = nullptr;
    }
}

constexpr UINT TerminatedExitCode = 4;

// An inheritable copy of one of our standard handles, for a child that is to
// share it (handles passed in STARTUPINFO must be inheritable); null when we
// have none.
HANDLE InheritableCopy(DWORD which) {
    HANDLE own = GetStdHandle(which);
    if (!own || own == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

} // namespace

struct ChildProcess::Impl {
    HANDLE ReadEnd = nullptr;
    HANDLE Process = nullptr; // kept open until the next Start so the id stays ours
    HANDLE Job = nullptr;
    // The threads Suspend stopped, by id, to be resumed by Resume.
    std::vector<std::pair<DWORD, HANDLE>> SuspendedThreads;
    bool Suspended = false;

    // The processes of the job (what the child started too), or the child
    // alone when it runs without one.
    std::vector<DWORD> ProcessIds() const {
        std::vector<DWORD> ids;
        if (Job) {
            constexpr DWORD Most = 1024;
            std::vector<char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) +
                                     Most * sizeof(ULONG_PTR));
            auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
            if (QueryInformationJobObject(Job, JobObjectBasicProcessIdList, list,
                                          static_cast<DWORD>(buffer.size()), nullptr))
                for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i)
                    ids.push_back(static_cast<DWORD>(list->ProcessIdList[i]));
        }
        if (ids.empty() && Process) ids.push_back(GetProcessId(Process));
        return ids;
    }

    // Suspends every thread of those processes. A thread that one of them
    // started while the others were being suspended is caught by the next
    // pass.
    void SuspendThreads() {
        for (int pass = 0; pass < 4; ++pass) {
            const std::vector<DWORD> processes = ProcessIds();
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
            if (snapshot == INVALID_HANDLE_VALUE) return;
            bool more = false;
            THREADENTRY32 entry{};
            entry.dwSize = sizeof entry;
            for (BOOL got = Thread32First(snapshot, &entry); got;
                 got = Thread32Next(snapshot, &entry)) {
                if (std::find(processes.begin(), processes.end(), entry.th32OwnerProcessID) ==
                    processes.end())
                    continue;
                if (std::any_of(SuspendedThreads.begin(), SuspendedThreads.end(),
                                [&](const auto& t) { return t.first == entry.th32ThreadID; }))
                    continue;
                HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
                if (!thread) continue;
                if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
                    CloseHandle(thread);
                    continue;
                }
                SuspendedThreads.emplace_back(entry.th32ThreadID, thread);
                more = true;
            }
            CloseHandle(snapshot);
            if (!more) return;
        }
    }

    void ResumeThreads() {
        for (auto& [id, thread] : SuspendedThreads) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
        SuspendedThreads.clear();
        Suspended = false;
    }

    void CloseAll() {
        ResumeThreads();
        CloseIfOpen(ReadEnd);
        CloseIfOpen(Process);
        // The job is created with "kill on job close": closing it ends
        // anything of the previous run that is still alive.
        CloseIfOpen(Job);
    }

    bool Running() const { return Process && WaitForSingleObject(Process, 0) == WAIT_TIMEOUT; }

    void KillAll() {
        if (Job) TerminateJobObject(Job, TerminatedExitCode);
        // Without a job (the system refused to nest it) only the process
        // itself can be reached.
        if (Process) TerminateProcess(Process, TerminatedExitCode);
    }
};

ChildProcess::ChildProcess() : d(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    if (d->Running()) d->KillAll();
    d->CloseAll();
}

bool ChildProcess::Started() const {
    return d->Process != nullptr;
}

long long ChildProcess::Id() const {
    return d->Running() ? GetProcessId(d->Process) : 0;
}

ChildProcess::StartError ChildProcess::Start(const std::string& program, const CommandLine& command,
                                             const ChildOptions& options) {
    d->CloseAll();

    std::lock_guard<std::mutex> lock(StartMutex());

    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return StartError::Pipe;
    // Only the write end goes to the child; the read end stays with us so
    // that no child keeps the pipe alive by holding it.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si{};
    si.cb = sizeof(si);
    GetStartupInfoA(&si);
    si.cb = sizeof(si);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    // Handles made for this start only; closed once the child has its copies.
    HANDLE ownError = nullptr;
    HANDLE nullInput = nullptr;
    if (!options.ErrorIntoPipe) {
        ownError = InheritableCopy(STD_ERROR_HANDLE);
        si.hStdError = ownError;
    }
    if (options.NoInput) {
        nullInput = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                OPEN_EXISTING, 0, nullptr);
        if (nullInput == INVALID_HANDLE_VALUE) nullInput = nullptr;
        si.hStdInput = nullInput;
    }
    si.wShowWindow = SW_HIDE;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    // Our own C runtime's inherited descriptor table (if whoever started us
    // passed one) holds handle values that mean nothing in the child and
    // would take precedence over the standard handles above.
    si.cbReserved2 = 0;
    si.lpReserved2 = nullptr;

    // CreateProcessA may write into the command-line buffer.
    std::vector<char> text(command.Text.begin(), command.Text.end());
    text.push_back('\0');

    PROCESS_INFORMATION pi{};
    BOOL created = CreateProcessA(program.c_str(), text.data(), nullptr, nullptr, TRUE,
                                  CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    DWORD createError = created ? 0 : GetLastError();
    // Close our copy of the write end at once: the pipe ends when the child
    // (and whatever inherited the handle from it) has exited.
    CloseHandle(writeEnd);
    CloseIfOpen(ownError);
    CloseIfOpen(nullInput);
    if (!created) {
        CloseHandle(readEnd);
        SetLastError(createError);
        return StartError::Process;
    }

    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                     sizeof(limits)) ||
            !AssignProcessToJobObject(job, pi.hProcess)) {
            // Older systems cannot nest jobs when we run in one ourselves;
            // the child then runs without, and only it can be terminated.
            CloseHandle(job);
            job = nullptr;
        }
    }

    if (ResumeThread(pi.hThread) == static_cast<DWORD>(-1)) {
        DWORD err = GetLastError();
        TerminateProcess(pi.hProcess, TerminatedExitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (job) CloseHandle(job);
        CloseHandle(readEnd);
        SetLastError(err);
        return StartError::Process;
    }
    CloseHandle(pi.hThread);

    d->ReadEnd = readEnd;
    d->Process = pi.hProcess;
    d->Job = job;
    return StartError::None;
}

ChildProcess::ReadStatus ChildProcess::Read(char* buffer, size_t maxBytes, int timeoutMs,
                                            size_t& got) {
    got = 0;
    if (!d->ReadEnd) return ReadStatus::End;

    // Anonymous pipes cannot be read with a timeout (no overlapped I/O), so
    // poll for available bytes in short sleeps and read only what is there;
    // ReadFile then never blocks.
    const ULONGLONG start = GetTickCount64();
    DWORD pause = 1;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(d->ReadEnd, nullptr, 0, nullptr, &available, nullptr)) {
            // ERROR_BROKEN_PIPE: every writer has closed and nothing is left.
            // Any other failure ends the reading just the same.
            return ReadStatus::End;
        }
        if (available > 0) break;
        ULONGLONG elapsed = GetTickCount64() - start;
        if (timeoutMs <= 0 || elapsed >= static_cast<ULONGLONG>(timeoutMs))
            return ReadStatus::Timeout;
        DWORD left = static_cast<DWORD>(static_cast<ULONGLONG>(timeoutMs) - elapsed);
        Sleep(std::min({pause, left, DWORD{10}}));
        pause = std::min<DWORD>(pause * 2, 10);
    }
    if (maxBytes == 0) return ReadStatus::Data;

    DWORD want = static_cast<DWORD>(std::min<size_t>(maxBytes, 0x7fffffff));
    DWORD n = 0;
    if (!ReadFile(d->ReadEnd, buffer, want, &n, nullptr)) return ReadStatus::End;
    got = n;
    return ReadStatus::Data;
}

bool ChildProcess::WaitForOutput(const std::vector<ChildProcess*>& children, int timeoutMs) {
    if (children.empty()) return false;
    // Anonymous pipes cannot be waited on together either: look at each in
    // turn, then sleep a little, as Read does for one pipe.
    const ULONGLONG start = GetTickCount64();
    DWORD pause = 1;
    for (;;) {
        for (ChildProcess* child : children) {
            if (!child->d->ReadEnd) return true;
            DWORD available = 0;
            // A failure is the pipe's end (or an error the read will see).
            if (!PeekNamedPipe(child->d->ReadEnd, nullptr, 0, nullptr, &available, nullptr) ||
                available > 0)
                return true;
        }
        ULONGLONG elapsed = GetTickCount64() - start;
        if (timeoutMs <= 0 || elapsed >= static_cast<ULONGLONG>(timeoutMs)) return false;
        DWORD left = static_cast<DWORD>(static_cast<ULONGLONG>(timeoutMs) - elapsed);
        Sleep(std::min({pause, left, DWORD{10}}));
        pause = std::min<DWORD>(pause * 2, 10);
    }
}

void ChildProcess::Suspend() {
    if (d->Suspended || !d->Running()) return;
    d->Suspended = true;
    d->SuspendThreads();
}

void ChildProcess::Resume() {
    d->ResumeThreads();
}

void ChildProcess::Terminate() {
    Resume();
    if (!d->Process) return;
    // There is no polite request on Windows: the process ends with exit code
    // 4, and so does anything it started (its job). A process that has
    // already ended keeps its own exit code; the handle we still hold keeps
    // its id from being given to another process.
    if (d->Running()) TerminateProcess(d->Process, TerminatedExitCode);
    if (d->Job) TerminateJobObject(d->Job, TerminatedExitCode);
}

void ChildProcess::Kill() {
    d->KillAll();
}

int ChildProcess::EndSignal() const {
    return 0;
}

double ChildProcess::CpuSeconds() const {
    FILETIME created, exited, kernel, user;
    if (!d->Process || !GetProcessTimes(d->Process, &created, &exited, &kernel, &user)) return -1;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    // In units of 100 ns.
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

bool ChildProcess::Wait(int timeoutMs, int& exitCode) {
    if (!d->Process) return false;
    DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (WaitForSingleObject(d->Process, wait) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(d->Process, &code)) return false;
    exitCode = static_cast<int>(code);
    return true;
}

std::string ExitCodeText(int code) {
    if (code >= 0) return std::to_string(code);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string ShellCommandText(const std::string& program, const CommandLine& command) {
    return "\"" + program + "\"" + command.Text;
}
