#pragma once
// A child process whose standard output (and by default its standard error)
// goes into one pipe that the parent reads. POSIX (fork/exec, poll) and
// Win32 (CreatePipe/CreateProcessA, a job object) implement the same class.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// How the encoder is called. Text is the command-line text exactly as the
// program composes it (it begins with a blank and does not name the
// program); Win32 passes it to CreateProcessA as it stands. Args are the same
// words already split (paths whole, whatever characters they hold); POSIX
// passes them as argv[1..]. Both are composed from the same pieces.
struct CommandLine {
    std::string Text;
    std::vector<std::string> Args;
};

// How a child is started. The defaults are the encoder's: standard output and
// error into the pipe, standard input this program's own.
struct ChildOptions {
    // False: standard error stays this program's own, only standard output
    // goes into the pipe (a tool whose messages are passed straight on).
    bool ErrorIntoPipe = true;
    // True: standard input is the null device, for a child that must read
    // nothing of ours.
    bool NoInput = false;
};

class ChildProcess {
public:
    enum class StartError { None, Pipe, Process };
    enum class ReadStatus { Data, Timeout, End };

    ChildProcess();
    ~ChildProcess(); // a process still running is killed; handles are closed
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program hidden (no window, standard input not fed), its output
    // and error on the pipe as options say, in a group of its own so that
    // terminating it reaches its children too. The parent's copy of the
    // write end is closed.
    //
    // The child never outlives this program: on Linux it gets SIGKILL when
    // the thread that started it ends (so start it from a thread that lives
    // as long as the child is wanted: the program's main thread); on Windows
    // its job object ends it when this program's handles close.
    StartError Start(const std::string& program, const CommandLine& command,
                     const ChildOptions& options = {});

    // Waits at most timeoutMs (0: do not wait) for output and reads at most
    // maxBytes. End: the pipe has ended (every writer has closed it).
    ReadStatus Read(char* buffer, size_t maxBytes, int timeoutMs, size_t& got);
    // Waits at most timeoutMs (0: do not wait) until one of children has
    // output to read or its pipe has ended, so that several children can be
    // read without blocking on any one of them. true: a Read with no wait
    // finds data or the end on at least one of them.
    static bool WaitForOutput(const std::vector<ChildProcess*>& children, int timeoutMs);

    // Asks the process (and its group) to end: SIGTERM on POSIX, so that it
    // can finish its output file; TerminateProcess with exit code 4 on
    // Windows. Harmless when the process has ended or was never started;
    // never signals a process that has already been reaped.
    void Terminate();
    // Ends it for sure (SIGKILL to the group / TerminateJobObject).
    void Kill();

    // Pauses the process and what it started, so that they use no processor
    // time until Resume: SIGTSTP to its group on POSIX (a program that runs
    // tools in groups of their own, as the encoder does, catches it and
    // passes the pause on); on Windows every thread of every process of its
    // job is suspended. Harmless when it has ended or is paused already.
    // Terminate resumes it first, so that it can finish its file.
    void Suspend();
    // Lets a paused process go on (SIGCONT to its group; the threads
    // suspended are resumed).
    void Resume();

    // Waits for the process to end (at most timeoutMs, -1 forever), reaps it
    // and returns true with its exit code; false when it is still running.
    bool Wait(int timeoutMs, int& exitCode);
    // After a Wait that returned true: the signal that ended the process
    // (its exit code is then -1); 0 when it exited by itself, always on
    // Windows.
    int EndSignal() const;

    bool Started() const;
    // The process's id from its start until it is reaped; 0 otherwise.
    long long Id() const;

    // The processor time the process itself has used so far, in seconds:
    // whether it still works, when it prints nothing. -1 when that cannot be
    // told (not started, already reaped, or the system does not say).
    double CpuSeconds() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The program with its command as a user would type it into the system's
// shell: POSIX quotes each word that needs it ('...'); Windows puts the
// program in double quotes before the command's text as it stands.
std::string ShellCommandText(const std::string& program, const CommandLine& command);

// An exit code as messages show it: in decimal, and on Windows a negative
// one (a crash status such as 0xC0000005) in hex. Empty for a negative code
// on POSIX, where there is none when a signal ended the process.
std::string ExitCodeText(int code);
