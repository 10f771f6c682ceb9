#pragma once
// Runs the external encoder and hands its printed text to a consumer chunk
// by chunk (at most 4095 bytes a read). One run at a time.
#include "platform/Process.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

using ChunkConsumer = std::function<void(std::string_view chunk)>;
// Handles the window's pending messages; called between short waits for output
// (at most 20 ms each) so that repainting, timers and Stop run while the
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

// One encoder run as the batch driver needs it: the window hands the driver
// its EncoderRunner; tests script their own.
class EncoderRun {
public:
    virtual ~EncoderRun() = default;
    // Starts the encoder with command and hands its output to consumer until
    // the output ends. pump: set for conversions (window messages handled
    // between reads); empty for probes.
    virtual RunOutcome RunEncoder(const CommandLine& command, const MessagePump& pump,
                                  const ChunkConsumer& consumer) = 0;
    // Terminates the running encoder; harmless when none runs.
    virtual void TerminateEncoder() = 0;
};

class EncoderRunner : public EncoderRun {
public:
    explicit EncoderRunner(std::string encoderPath);

    // Starts the encoder with command, reads until its output ends, reaps it.
    RunOutcome RunEncoder(const CommandLine& command, const MessagePump& pump,
                          const ChunkConsumer& consumer) override {
        return RunEncoder(command, pump, consumer, 0);
    }
    // The same with a time limit: timeoutMs > 0 terminates the encoder after
    // that long (probes use it).
    RunOutcome RunEncoder(const CommandLine& command, const MessagePump& pump,
                          const ChunkConsumer& consumer, int timeoutMs);

    void TerminateEncoder() override;

    const std::string& EncoderPath() const { return FEncoderPath; }

private:
    std::string FEncoderPath;
    ChildProcess* FRunning = nullptr;
    bool FTerminateRequested = false;
    bool FKilled = false;
    std::chrono::steady_clock::time_point FTerminatedAt;
};
