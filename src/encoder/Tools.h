#pragma once
// The stand-in's dealings with the system: where it lies, finding ffmpeg
// and ffprobe, running one of them under supervision, writing messages.
// POSIX in ToolsPosix.cpp, Win32 in ToolsWin32.cpp.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The folder holding this program's executable file, without a trailing
// separator; argv0 is the fallback when the system cannot tell.
std::string OwnDirectory(const char* argv0);

// Runs program with args (the words after the program name, passed exactly
// as they are, never through a shell). The tool's standard output is handed
// to onOutput piece by piece as it arrives; its standard error is ours; it
// reads nothing from standard input.
//
// The tool never outlives this program: on POSIX it dies with it (parent
// death signal), and a termination request to this program (SIGTERM,
// SIGINT, SIGHUP) is passed on to the tool as one SIGTERM, after which it
// gets a short time to finish its output file before it is killed; this
// program returns once the tool has ended. The tool runs in a process group
// of its own so that a signal to this program's group reaches it only
// through us, exactly once. On Windows the tool runs in a job object that kills it
// when this program ends.
//
// Returns the tool's exit status (128 + signal number when a signal ended
// it), or -1 with error set when it could not be started.
int RunTool(const std::string& program, const std::vector<std::string>& args,
            const std::function<void(std::string_view)>& onOutput, std::string& error);

// Writes text to standard error in one piece where possible; a reader that
// has gone away is ignored.
void WriteError(std::string_view text);
