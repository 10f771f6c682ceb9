#pragma once
// Runs the external encoder and hands its printed text to a consumer chunk
// by chunk (at most 4095 bytes a read): one run at a time and waiting for it
// (EncoderRunner), or several side by side (EncoderRunSet).
#include "platform/Process.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using ChunkConsumer = std::function<void(std::string_view chunk)>;
// The longest wait for encoder output before the window gets its messages
// again (the runner's and the batch driver's polls).
inline constexpr int SliceMs = 20;
// Handles the window's pending messages; called between short waits for output
// (at most SliceMs each) so that repainting, timers and Stop run while the
// encoder works.
using MessagePump = std::function<void()>;

struct RunOutcome {
    bool Started = false;
    // "Error On CreatePipe()" or "Error on CreateProcess()" when not started.
    std::string StartError;
    // Exit status once reaped; -1 when unknown (killed by a signal, ...).
    int ExitCode = -1;
    // The signal that ended the encoder (POSIX); 0 when it exited itself.
    int Signal = 0;
    // TerminateEncoder was called during the run (Stop, or a time limit).
    bool Terminated = false;
    bool TimedOut = false;
    // It was killed, not left to end: what it was writing is unfinished.
    bool Killed = false;
    // The last line the encoder printed that reads as an error message
    // ("... Invalid data found ...", "Unknown encoder 'x'"): what a failed
    // task shows as the reason. Empty when it printed none; banners, stream
    // overviews and progress lines never count.
    std::string LastErrorLine;
    // The largest "time=" reading of the encoder's progress lines, in
    // seconds: how much output it wrote. -1 when it printed none.
    double LastReading = -1;
    bool Succeeded() const { return Started && !Terminated && ExitCode == 0; }
};

// Whether one line of the encoder's text reads as an error message.
bool IsErrorLine(std::string_view line);

// The line with "file:" taken away where it stands right before one of
// paths: the encoder may name files that way to its tools, whose messages
// repeat it; a reason shows a file as the user knows it.
std::string WithPlainPaths(std::string line, const std::vector<std::string>& paths);

// The encoders of a batch that converts several tasks at once: each run is
// started and left running; Poll reads whichever has output, without blocking
// on any one of them, and tells which runs have ended.
class RunningEncoders {
public:
    struct Start {
        int Id = 0;        // 0: not started
        std::string Error; // "Error On CreatePipe()" or "Error on CreateProcess()"
        bool Started() const { return Id != 0; }
    };
    struct Ended {
        int Id = 0;
        RunOutcome Outcome;
    };

    virtual ~RunningEncoders() = default;
    // Starts the encoder with command; its output goes to consumer, chunk by
    // chunk, from inside Poll.
    virtual Start StartRun(const CommandLine& command, ChunkConsumer consumer) = 0;
    // Waits at most waitMs for output of any run, hands each run at most one
    // chunk, and returns the runs that have ended (output closed, process
    // reaped) in the order they were started. They are then forgotten.
    virtual std::vector<Ended> Poll(int waitMs) = 0;
    // Asks every running encoder to end (Stop). It may finish its file while
    // it still prints something; one that stays silent for 3 s, or has not
    // ended 12 s after the request, is killed. Harmless when none runs.
    virtual void TerminateEncoder() = 0;
    // Ends every running encoder at once, with no time to finish its file;
    // the runs are reported by Poll as terminated.
    virtual void KillEncoder() = 0;
    // Kills every run at once and forgets it, without reporting it (the
    // batch ends on an error).
    virtual void Abandon() = 0;
    // How many runs have not yet been reported as ended.
    virtual int Count() const = 0;
    // Pauses every running encoder and what it started: they use no
    // processor time, and no time limit or kill deadline runs on, until
    // Resume. A run started meanwhile starts paused. TerminateEncoder and
    // KillEncoder resume first. Encoders that cannot be paused ignore it.
    virtual void Suspend() {}
    virtual void Resume() {}
};

// Runs encoders side by side, each in its own child process with its own
// pipe. An encoder that closes its output but keeps running is ended as Stop
// would end it (without counting as terminated), 2 s after its output ended.
class EncoderRunSet : public RunningEncoders {
public:
    explicit EncoderRunSet(std::string encoderPath);
    ~EncoderRunSet() override;

    Start StartRun(const CommandLine& command, ChunkConsumer consumer) override {
        return StartRun(command, std::move(consumer), 0);
    }
    // timeoutMs > 0: the run is terminated after that long (probes).
    Start StartRun(const CommandLine& command, ChunkConsumer consumer, int timeoutMs);
    std::vector<Ended> Poll(int waitMs) override;
    void TerminateEncoder() override;
    void KillEncoder() override;
    void Abandon() override;
    int Count() const override { return static_cast<int>(FRuns.size()); }
    void Suspend() override;
    void Resume() override;

    const std::string& EncoderPath() const { return FEncoderPath; }

private:
    struct Run;
    // Time limits and the end of a lingerer.
    void EnforceLimits(Run& run);
    // The kill of a terminated encoder that takes too long to finish.
    void KillIfNotFinishing(Run& run);
    void Terminate(Run& run);

    std::string FEncoderPath;
    std::vector<std::unique_ptr<Run>> FRuns; // in the order they were started
    int FLastId = 0;
    // Paused since FPausedAt: the runs' clocks are moved on by the pause
    // when they go on.
    bool FPaused = false;
    std::chrono::steady_clock::time_point FPausedAt;
};

// One encoder run at a time, waited for: what a probe needs.
class EncoderRunner {
public:
    explicit EncoderRunner(std::string encoderPath);

    // Starts the encoder with command and hands its output to consumer until
    // the output ends, then reaps it. pump, when set, handles the window's
    // messages between reads. timeoutMs > 0 terminates the encoder after that
    // long.
    RunOutcome RunEncoder(const CommandLine& command, const MessagePump& pump,
                          const ChunkConsumer& consumer, int timeoutMs = 0);
    // Terminates the running encoder; harmless when none runs.
    void TerminateEncoder();

    const std::string& EncoderPath() const { return FRuns.EncoderPath(); }

private:
    // Holds the one run of RunEncoder.
    EncoderRunSet FRuns;
};
