#include "engine/EncoderProber.h"

#include "engine/Invocation.h"
#include "engine/Runner.h"

namespace {
// More output than any probe prints; what comes beyond it is not kept.
constexpr size_t MaxProbeOutput = 4 * 1024 * 1024;
} // namespace

ProbeResult EncoderProber::ProbeMedia(const std::string& path) {
    ProbeResult result;
    std::string output;
    auto keep = [&output](std::string_view chunk) {
        if (output.size() < MaxProbeOutput)
            output.append(chunk.substr(0, MaxProbeOutput - output.size()));
    };
    // No window messages while probing; a probe that never ends is stopped
    // after the time limit and what it printed so far is parsed.
    RunOutcome run = FRunner.RunEncoder(ProbeCommandLine(path), MessagePump(), keep, FTimeoutMs);
    if (!run.Started) return result; // all four stay empty

    ParseProbeOutput(output, path, result);
    result.Start = "00:00:00.0";
    result.End = result.Duration;
    return result;
}
