#pragma once
// The stand-in's dealings with the system: where it lies, running ffmpeg or
// ffprobe under supervision, writing messages. The tool runs as the
// platform's child process (platform/Process.h); Tools.cpp supervises it,
// ToolsPosix.cpp and ToolsWin32.cpp hold what differs between the systems.
#include "platform/Process.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The folder holding this program's executable file, without a trailing
// separator; argv0 is the fallback when the system cannot tell.
std::string OwnDirectory(const char* argv0);

// How RunTool runs a tool beyond its arguments.
struct ToolOptions {
    // Called while the tool finishes after a termination request (below).
    std::function<void()> OnFinishing;
    // The tool's standard error comes through onOutput with its standard
    // output, instead of going straight to ours.
    bool ErrorsWithOutput = false;
    // The tool is killed once it has run this long (0: no limit).
    std::chrono::milliseconds TimeLimit{0};
};

// Runs program with args (the words after the program name, passed exactly
// as they are, never through a shell). The tool's standard output is handed
// to onOutput piece by piece as it arrives; its standard error is ours; it
// reads nothing from standard input.
//
// The tool never outlives this program: it dies with it (on Linux by the
// parent death signal, on Windows by its job object), and a termination
// request to this program (SIGTERM, SIGINT, SIGHUP) is passed on to the tool
// as one SIGTERM, after which it may finish its output file: for up to 10 s
// while it makes progress (prints something, or uses the processor), and it
// is killed once it has made none for 2 s. While it finishes,
// options.OnFinishing (when given) is called each time it is seen making
// progress, at most four times a second. This program returns once the tool
// has ended. The tool runs in a process group of its own so that a signal to
// this program's group reaches it only through us, exactly once; a pause of
// this program is passed on to it as well (PassPausesTo), and no time limit
// runs on while paused.
//
// Returns the tool's exit status (128 + signal number when a signal ended
// it; on Windows any code, a crash's too), or nothing with error set when it
// could not be started.
std::optional<int> RunTool(const std::string& program, const std::vector<std::string>& args,
                           const std::function<void(std::string_view)>& onOutput,
                           std::string& error, const ToolOptions& options = {});

// The words as a tool gets them: Args for POSIX, and Text with the program
// and every word quoted so that a Windows program's C runtime splits it back
// into exactly these words.
CommandLine ToolCommandLine(const std::string& program, const std::vector<std::string>& args);

// Starts catching termination requests to this program (POSIX: SIGTERM,
// SIGINT, SIGHUP; from then on a reader that has gone away no longer ends
// it either). Windows has no such requests to catch: the program ends the
// encoder and, through its job, the tool.
void WatchTerminationRequests();
// True once a termination request has arrived since watching began.
bool TerminationRequested();

// Passes a pause of this program on to the tool it runs (toolId: the
// tool's process id, which is also its group's; 0: none runs). POSIX: on
// SIGTSTP the tool's group is stopped, then this program stops itself; when
// it is continued, so is the tool's group. On Windows the program that
// pauses the encoder suspends the tool's threads too; nothing is passed on.
void PassPausesTo(long long toolId);
// How long this program has been paused so far: the supervision's clocks
// leave that time out, so that a pause never counts against a tool that is
// finishing its file.
std::chrono::steady_clock::duration TimePaused();

// The system's text for the last failure of a system call.
std::string LastSystemError();

// Writes text to standard error in one piece where possible; a reader that
// has gone away is ignored.
void WriteError(std::string_view text);
