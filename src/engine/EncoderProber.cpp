#include "engine/EncoderProber.h"

#include "base/FileNames.h"
#include "base/TimeText.h"
#include "engine/Invocation.h"
#include "engine/Runner.h"
#include "platform/FileSystem.h"

namespace {
// More output than any probe prints; what comes beyond it is not kept.
constexpr size_t MaxProbeOutput = 4 * 1024 * 1024;
} // namespace

ProbeResult EncoderProber::ProbeMedia(const std::string& path) {
    ProbeResult result;
    // Said plainly for a task whose input has gone since it was added (or
    // since the list was saved): all four stay empty.
    if (!FileExists(path)) {
        result.Problem = "the file is no longer there";
        return result;
    }
    std::string output;
    auto keep = [&output](std::string_view chunk) {
        if (output.size() < MaxProbeOutput)
            output.append(chunk.substr(0, MaxProbeOutput - output.size()));
    };
    // No window messages while probing; a probe that never ends is stopped
    // after the time limit and what it printed so far is parsed.
    MessagePump pump;
    if (FStop)
        pump = [this, stopped = false]() mutable {
            if (!stopped && FStop()) {
                stopped = true;
                FRunner.TerminateEncoder();
            }
        };
    RunOutcome run = FRunner.RunEncoder(ProbeCommandLine(path), pump, keep, FTimeoutMs);
    if (!run.Started) {
        // All four stay empty. A missing encoder is named with the folder it
        // was looked for in: the user can put it back there.
        const std::string& encoder = FRunner.EncoderPath();
        const std::string name = ExtractFileName(encoder);
        result.Problem = FileExists(encoder) ? run.StartError
                                             : "the encoder " + name + " was not found in " +
                                                   encoder.substr(0, encoder.size() - name.size());
        return result;
    }

    ParseProbeOutput(output, path, result);
    result.Start = "00:00:00.0";
    result.End = result.Duration;
    if (TimeToSeconds(result.Duration) < 0) {
        if (!run.LastErrorLine.empty())
            result.Problem = WithPlainPaths(run.LastErrorLine, {path});
        else if (run.TimedOut)
            result.Problem = "no duration found: the encoder did not end within " +
                             std::to_string(FTimeoutMs / 1000) + " seconds";
        else
            result.Problem = "no duration found";
    }
    return result;
}
