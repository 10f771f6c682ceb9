#pragma once
// The task list's prober backed by the real encoder.
#include "tasks/Probe.h"

#include <string>

class EncoderRunner;

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
