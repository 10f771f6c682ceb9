#include "engine/Runner.h"

#include "base/Text.h"
#include "engine/Progress.h"

#include <chrono>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// One read takes at most this many bytes.
constexpr size_t ReadSize = 4095;
// The longest wait for output before the window gets its messages again.
constexpr int SliceMs = 20;
// How long a terminated encoder may take to finish its file before it is
// killed outright.
constexpr int KillAfterMs = 2000;
// How long an encoder that closed its output may take to exit before it is
// ended like a terminated one.
constexpr int ExitGraceMs = 2000;
// A single line longer than this is cut; the encoder's lines are short.
constexpr size_t MaxLineLength = 4096;

// Progress lines ("frame=  250 fps= 98 ... time=10.00 ...") say nothing
// about why a run failed.
bool IsProgressLine(std::string_view line) {
    if (line.find("time=") != std::string_view::npos) return true;
    size_t b = line.find_first_not_of(" \t");
    return b != std::string_view::npos && line.substr(b).starts_with("frame=");
}

// ffmpeg's closing words after the line that says what went wrong.
bool IsGenericFailure(std::string_view line) {
    return LowerAscii(line) == "conversion failed!";
}

// Collects the encoder's lines across chunk borders: the last one that reads
// as an error, and the largest progress reading.
class LineKeeper {
public:
    void Add(std::string_view chunk) {
        for (char c : chunk) {
            if (c == '\n' || c == '\r') {
                Finish();
            } else if (FLine.size() < MaxLineLength) {
                FLine.push_back(c);
            }
        }
    }
    void Take(RunOutcome& outcome) {
        Finish();
        outcome.LastErrorLine = std::move(FLast);
        outcome.LastReading = FReading;
    }

private:
    void Finish() {
        size_t e = FLine.find_last_not_of(" \t");
        if (e != std::string::npos) {
            std::string_view line(FLine.data(), e + 1);
            double seconds = 0;
            if (IsProgressLine(line)) {
                if (ParseTimeReading(line, seconds) && seconds > FReading) FReading = seconds;
            } else if (IsErrorLine(line) && !(IsGenericFailure(line) && !FLast.empty())) {
                FLast.assign(line);
            }
        }
        FLine.clear();
    }
    std::string FLine;
    std::string FLast;
    double FReading = -1;
};

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<Ms>(Clock::now() - since).count());
}

} // namespace

bool IsErrorLine(std::string_view line) {
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string_view::npos || IsProgressLine(line)) return false;
    const std::string text = LowerAscii(line);
    // What an encoder prints while all is well: its banner, the overview of
    // the input and output streams, their metadata ("    title  : ..."),
    // and the words of a clean end.
    static const char* const informational[] = {
        "output #",  "input #",   "stream #",         "stream mapping", "duration:",
        "metadata:", "press [q]", "exiting normally", "chapter #",      "side data:"};
    const std::string_view trimmed = std::string_view(text).substr(b);
    for (const char* start : informational)
        if (trimmed.starts_with(start)) return false;
    if (b > 0 && text.find(" : ") != std::string::npos) return false;
    static const char* const words[] = {
        "error",         "invalid",     "fail",          "not found",
        "no such",       "unknown",     "unrecogni",     "cannot",
        "can't",         "could not",   "couldn't",      "unable",
        "denied",        "unsupported", "not supported", "missing",
        "not allowed",   "does not",    "must be",       "out of memory",
        "no space",      "incorrect",   "mismatch",      "corrupt",
        "truncated",     "impossible",  "abort",         "not implemented",
        "not divisible", "out of range"};
    for (const char* word : words)
        if (text.find(word) != std::string::npos) return true;
    return false;
}

EncoderRunner::EncoderRunner(std::string encoderPath) : FEncoderPath(std::move(encoderPath)) {}

RunOutcome EncoderRunner::RunEncoder(const CommandLine& command, const MessagePump& pump,
                                     const ChunkConsumer& consumer, int timeoutMs) {
    RunOutcome outcome;
    if (FRunning) {
        // A run started from inside the pump of another run: refuse it
        // rather than lose track of the first encoder.
        outcome.StartError = "Error on CreateProcess()";
        return outcome;
    }

    ChildProcess child;
    switch (child.Start(FEncoderPath, command)) {
    case ChildProcess::StartError::Pipe:
        outcome.StartError = "Error On CreatePipe()";
        return outcome;
    case ChildProcess::StartError::Process:
        outcome.StartError = "Error on CreateProcess()";
        return outcome;
    case ChildProcess::StartError::None:
        break;
    }
    outcome.Started = true;

    FRunning = &child;
    FTerminateRequested = false;
    FKilled = false;
    // Clears the running encoder whichever way this function is left (a
    // consumer or pump that throws included); the child object then kills
    // and reaps a process that is still running.
    struct Reset {
        EncoderRunner* Runner;
        ~Reset() { Runner->FRunning = nullptr; }
    } reset{this};

    const auto started = Clock::now();
    LineKeeper lines;
    char buffer[ReadSize + 2];

    // Time limit and the kill that follows an ignored terminate.
    auto enforceLimits = [&] {
        if (timeoutMs > 0 && !outcome.TimedOut && ElapsedMs(started) >= timeoutMs) {
            outcome.TimedOut = true;
            TerminateEncoder();
        }
        if (FTerminateRequested && !FKilled && ElapsedMs(FTerminatedAt) >= KillAfterMs) {
            FKilled = true;
            child.Kill();
        }
    };

    for (;;) {
        if (pump) pump();
        enforceLimits();
        size_t got = 0;
        ChildProcess::ReadStatus status = child.Read(buffer, ReadSize, SliceMs, got);
        if (status == ChildProcess::ReadStatus::End) break;
        if (status == ChildProcess::ReadStatus::Data) {
            std::string_view chunk(buffer, got);
            lines.Add(chunk);
            if (consumer) consumer(chunk);
        }
    }

    // The output has ended; the encoder normally exits at the same moment.
    // One that lingers is ended as Stop would end it, without the run
    // counting as stopped.
    const auto ended = Clock::now();
    bool lingerTerminated = false;
    int exitCode = -1;
    while (!child.Wait(SliceMs, exitCode)) {
        if (pump) pump();
        enforceLimits();
        if (!lingerTerminated && !FTerminateRequested && ElapsedMs(ended) >= ExitGraceMs) {
            lingerTerminated = true;
            child.Terminate();
        }
        if (lingerTerminated && !FKilled && ElapsedMs(ended) >= ExitGraceMs + KillAfterMs) {
            FKilled = true;
            child.Kill();
        }
    }
    outcome.ExitCode = exitCode;
    outcome.Signal = child.EndSignal();
    outcome.Terminated = FTerminateRequested;
    lines.Take(outcome);
    return outcome;
}

void EncoderRunner::TerminateEncoder() {
    if (!FRunning) return;
    if (!FTerminateRequested) {
        FTerminateRequested = true;
        FTerminatedAt = Clock::now();
    }
    FRunning->Terminate();
}
