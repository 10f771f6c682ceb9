#pragma once
// Running tools the way the end-to-end tests need them (ffmpeg, ffprobe, the
// encoder stand-in), making small test clips, and looking at the processes
// that live. POSIX only: the Windows build has no end-to-end tests.
#ifndef _WIN32
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

using TestClock = std::chrono::steady_clock;

// A started tool: in a process group of its own, as the program starts the
// encoder, with its standard input on /dev/null. Its standard output (and
// error, unless kept apart) comes through Fd; kept-apart errors through ErrFd.
struct StartedTool {
    pid_t Pid = -1;
    int Fd = -1;
    int ErrFd = -1;
};

enum class ErrorOutput { Merged, Apart };

// Starts program (looked up on PATH when it names no folder) with args. env:
// "NAME=value" entries that replace or add to this process's environment.
StartedTool StartTool(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {},
                      ErrorOutput errors = ErrorOutput::Merged);

// Reads until the pipe ends or the deadline passes; true when it ended.
bool ReadUntilEnd(int fd, std::string& out, TestClock::time_point deadline);

// Waits for pid to end: its exit code, or 128 + the signal that ended it.
int WaitExit(pid_t pid);

struct ToolResult {
    int Exit = -1;      // -1 when it could not be started
    std::string Output; // standard output, and standard error when merged
    std::string Errors; // standard error when kept apart
};

// Runs a tool to its end, or kills its group after a minute.
ToolResult RunCaptured(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {},
                       ErrorOutput errors = ErrorOutput::Merged);

// ffmpeg, quiet but for errors, never asking and overwriting its output.
ToolResult Ffmpeg(std::vector<std::string> args);

// A clip from ffmpeg's test sources: a moving picture at 25 fps in yuv420p
// and a 440 Hz tone at 44100 Hz in AAC. Rotation: degrees the picture is to
// be turned for viewing, as phones tag it (MP4 and MOV only).
struct TestClip {
    int Width = 320;
    int Height = 240;
    double Seconds = 5;
    std::string VideoCodec = "libx264";
    int Rotation = 0;
};

// Writes clip to path, making its folder first; ffmpeg's result.
ToolResult MakeTestClip(const std::string& path, const TestClip& clip = {});

struct ProcessEntry {
    int Pid = 0;
    char State = 0;
    int Parent = 0;
    int Group = 0;
    std::string Name;
    std::string CommandLine; // the arguments, each ended by a NUL
};

// Every process that has not ended (zombies left out), from /proc.
std::vector<ProcessEntry> LiveProcesses();
#endif
