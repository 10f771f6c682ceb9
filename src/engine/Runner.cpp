#include "engine/Runner.h"

#include "base/Text.h"
#include "engine/Progress.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// One read takes at most this many bytes.
constexpr size_t ReadSize = 4095;
// A terminated encoder may finish its file while it still prints (the
// stand-in gives its ffmpeg up to 10 s while that makes progress, and says
// so): it is killed outright once it has printed nothing for
// FinishSilenceMs, and FinishLimitMs after the request at the latest.
constexpr int FinishSilenceMs = 3000;
constexpr int FinishLimitMs = 12000;
// How long an encoder that closed its output may take to exit before it is
// ended like a terminated one, and how long it then has before the kill.
constexpr int ExitGraceMs = 2000;
constexpr int KillAfterMs = 2000;
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
        "error",           "invalid",       "fail",          "not found",
        "no such",         "unknown",       "unrecogni",     "cannot",
        "can't",           "could not",     "couldn't",      "unable",
        "denied",          "unsupported",   "not supported", "missing",
        "not allowed",     "does not",      "must be",       "out of memory",
        "no space",        "incorrect",     "mismatch",      "corrupt",
        "truncated",       "impossible",    "abort",         "not implemented",
        "not divisible",   "out of range",  "read-only",     "is a directory",
        "not a directory", "not permitted", "too long",      "quota",
        "no picture"};
    for (const char* word : words)
        if (text.find(word) != std::string::npos) return true;
    return false;
}

std::string WithPlainPaths(std::string line, const std::vector<std::string>& paths) {
    static constexpr std::string_view Prefix = "file:";
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        const std::string named = std::string(Prefix) + path;
        for (size_t at = line.find(named); at != std::string::npos;
             at = line.find(named, at + path.size()))
            line.erase(at, Prefix.size());
    }
    return line;
}

struct EncoderRunSet::Run {
    int Id = 0;
    ChildProcess Child;
    ChunkConsumer Consumer;
    LineKeeper Lines;
    RunOutcome Outcome;
    int TimeoutMs = 0;
    Clock::time_point Started;
    // Until the pipe ends; then the process is waited for.
    bool Reading = true;
    Clock::time_point OutputEnded;
    bool TerminateRequested = false;
    Clock::time_point TerminatedAt;
    Clock::time_point LastOutput;
    bool Killed = false;
    bool LingerTerminated = false;
};

EncoderRunSet::EncoderRunSet(std::string encoderPath) : FEncoderPath(std::move(encoderPath)) {}

// Runs still here are killed and reaped by their ChildProcess.
EncoderRunSet::~EncoderRunSet() = default;

RunningEncoders::Start EncoderRunSet::StartRun(const CommandLine& command, ChunkConsumer consumer,
                                               int timeoutMs) {
    auto run = std::make_unique<Run>();
    switch (run->Child.Start(FEncoderPath, command)) {
    case ChildProcess::StartError::Pipe:
        return {0, "Error On CreatePipe()"};
    case ChildProcess::StartError::Process:
        return {0, "Error on CreateProcess()"};
    case ChildProcess::StartError::None:
        break;
    }
    if (++FLastId <= 0) FLastId = 1;
    run->Id = FLastId;
    run->Consumer = std::move(consumer);
    run->TimeoutMs = timeoutMs;
    run->Started = Clock::now();
    run->Outcome.Started = true;
    if (FPaused) run->Child.Suspend();
    FRuns.push_back(std::move(run));
    return {FLastId, {}};
}

void EncoderRunSet::Terminate(Run& run) {
    if (!run.TerminateRequested) {
        run.TerminateRequested = true;
        run.TerminatedAt = Clock::now();
    }
    run.Child.Terminate();
}

void EncoderRunSet::KillIfNotFinishing(Run& run) {
    if (run.TerminateRequested && !run.Killed &&
        (ElapsedMs(run.TerminatedAt) >= FinishLimitMs ||
         ElapsedMs(std::max(run.TerminatedAt, run.LastOutput)) >= FinishSilenceMs)) {
        run.Killed = true;
        run.Child.Kill();
    }
}

void EncoderRunSet::EnforceLimits(Run& run) {
    if (run.TimeoutMs > 0 && !run.Outcome.TimedOut && ElapsedMs(run.Started) >= run.TimeoutMs) {
        run.Outcome.TimedOut = true;
        Terminate(run);
    }
    if (run.Reading) return;
    // The output has ended; the encoder normally exits at the same moment.
    // One that lingers is ended as Stop would end it, without the run
    // counting as stopped.
    if (!run.LingerTerminated && !run.TerminateRequested &&
        ElapsedMs(run.OutputEnded) >= ExitGraceMs) {
        run.LingerTerminated = true;
        run.Child.Terminate();
    }
    if (run.LingerTerminated && !run.Killed &&
        ElapsedMs(run.OutputEnded) >= ExitGraceMs + KillAfterMs) {
        run.Killed = true;
        run.Child.Kill();
    }
}

std::vector<RunningEncoders::Ended> EncoderRunSet::Poll(int waitMs) {
    std::vector<Ended> ended;
    if (FRuns.empty()) return ended;
    std::vector<ChildProcess*> reading;
    bool lingering = false;
    for (const auto& run : FRuns) {
        if (!FPaused) EnforceLimits(*run);
        if (run->Reading)
            reading.push_back(&run->Child);
        else
            lingering = true;
    }

    auto reapEnded = [&] {
        for (auto it = FRuns.begin(); it != FRuns.end();) {
            Run& run = **it;
            int exitCode = -1;
            if (run.Reading || !run.Child.Wait(0, exitCode)) {
                ++it;
                continue;
            }
            run.Outcome.ExitCode = exitCode;
            run.Outcome.Signal = run.Child.EndSignal();
            run.Outcome.Terminated = run.TerminateRequested;
            run.Outcome.Killed = run.Killed;
            run.Lines.Take(run.Outcome);
            ended.push_back({run.Id, std::move(run.Outcome)});
            it = FRuns.erase(it);
        }
    };

    if (reading.empty()) {
        // Only exits to wait for: look often at first (the usual case is an
        // encoder just exiting), then every 2 ms.
        const auto deadline = Clock::now() + Ms(std::max(waitMs, 0));
        auto pause = std::chrono::microseconds(200);
        for (;;) {
            if (!FPaused)
                for (const auto& run : FRuns)
                    KillIfNotFinishing(*run);
            reapEnded();
            if (!ended.empty() || Clock::now() >= deadline) return ended;
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(2000));
        }
    }

    // With exits to wait for, the wait for output is kept short.
    ChildProcess::WaitForOutput(reading, lingering ? std::min(waitMs, 2) : waitMs);
    char buffer[ReadSize + 2];
    for (const auto& item : FRuns) {
        Run& run = *item;
        if (!run.Reading) continue;
        size_t got = 0;
        ChildProcess::ReadStatus status = run.Child.Read(buffer, ReadSize, 0, got);
        if (status == ChildProcess::ReadStatus::End) {
            run.Reading = false;
            run.OutputEnded = Clock::now();
        } else if (status == ChildProcess::ReadStatus::Data) {
            run.LastOutput = Clock::now();
            std::string_view chunk(buffer, got);
            run.Lines.Add(chunk);
            if (run.Consumer) run.Consumer(chunk);
        }
    }
    // Looked at after the reads, so that output waiting in a pipe counts
    // even when the window kept us from reading for a while.
    if (!FPaused)
        for (const auto& run : FRuns)
            KillIfNotFinishing(*run);
    reapEnded();
    return ended;
}

void EncoderRunSet::Suspend() {
    if (FPaused) return;
    FPaused = true;
    FPausedAt = Clock::now();
    for (const auto& run : FRuns)
        run->Child.Suspend();
}

void EncoderRunSet::Resume() {
    if (!FPaused) return;
    FPaused = false;
    // Every clock of a run stood still meanwhile.
    const auto paused = Clock::now() - FPausedAt;
    for (const auto& run : FRuns) {
        for (Clock::time_point* t :
             {&run->Started, &run->OutputEnded, &run->TerminatedAt, &run->LastOutput})
            *t += paused;
        run->Child.Resume();
    }
}

void EncoderRunSet::TerminateEncoder() {
    Resume();
    for (const auto& run : FRuns)
        Terminate(*run);
}

void EncoderRunSet::KillEncoder() {
    Resume();
    for (const auto& run : FRuns) {
        Terminate(*run);
        run->Killed = true;
        run->Child.Kill();
    }
}

void EncoderRunSet::Abandon() {
    FRuns.clear();
    FPaused = false;
}

EncoderRunner::EncoderRunner(std::string encoderPath) : FRuns(std::move(encoderPath)) {}

RunOutcome EncoderRunner::RunEncoder(const CommandLine& command, const MessagePump& pump,
                                     const ChunkConsumer& consumer, int timeoutMs) {
    RunOutcome outcome;
    if (FRuns.Count() > 0) {
        // A run started from inside the pump of another run: refuse it
        // rather than lose track of the first encoder.
        outcome.StartError = "Error on CreateProcess()";
        return outcome;
    }
    const RunningEncoders::Start start = FRuns.StartRun(command, consumer, timeoutMs);
    if (!start.Started()) {
        outcome.StartError = start.Error;
        return outcome;
    }
    try {
        for (;;) {
            if (pump) pump();
            for (RunningEncoders::Ended& ended : FRuns.Poll(SliceMs))
                return std::move(ended.Outcome);
        }
    } catch (...) {
        // A consumer or pump that throws: the encoder is killed and reaped.
        FRuns.Abandon();
        throw;
    }
}

void EncoderRunner::TerminateEncoder() {
    FRuns.TerminateEncoder();
}
