#pragma once
// Media probing: the encoder run with only an input prints the duration and
// the video size, which become the task's Length and Size.
#include <string>
#include <string_view>

class EncoderRunner;

struct ProbeResult {
    std::string Duration; // such as "00:01:23.4"; empty when not found
    std::string Size;     // such as " 320x240" (with the blank); empty when not found
    std::string Start;    // "00:00:00.0" once the probe ran; empty when it could not start
    std::string End;      // a copy of Duration once the probe ran
};

// Cuts the duration and the size out of the probe's whole output.
void ParseProbeOutput(std::string_view text, const std::string& path, ProbeResult& result);

// The seam the task list uses, so its rules are tested without an encoder.
class MediaProber {
public:
    virtual ~MediaProber() = default;
    virtual ProbeResult ProbeMedia(const std::string& path) = 0;
};

// Probes with the real encoder; a probe that does not end within 30 seconds
// is terminated and what was read is kept.
class EncoderProber : public MediaProber {
public:
    explicit EncoderProber(EncoderRunner& runner, int timeoutMs = 30000)
        : FRunner(runner), FTimeoutMs(timeoutMs) {}
    ProbeResult ProbeMedia(const std::string& path) override;

private:
    EncoderRunner& FRunner;
    int FTimeoutMs;
};
