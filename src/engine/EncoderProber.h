#pragma once
// The task list's prober backed by the real encoder.
#include "tasks/Probe.h"

#include <functional>
#include <string>

class EncoderRunner;

// Probes with the real encoder; a probe that does not end within 30 seconds
// is terminated and what was read is kept. A probe that finds no duration
// names the encoder's last error line (or "no duration found") as its
// Problem; one that cannot start names why (a missing encoder: "the encoder
// wmaspi.dll was not found in <folder>").
class EncoderProber : public MediaProber {
public:
    explicit EncoderProber(EncoderRunner& runner, int timeoutMs = 30000)
        : FRunner(runner), FTimeoutMs(timeoutMs) {}
    ProbeResult ProbeMedia(const std::string& path) override;

    // Asked every few milliseconds while a probe runs; true ends the running
    // encoder (its result is then of no use). Called on the probing thread.
    void SetStopCheck(std::function<bool()> stop) { FStop = std::move(stop); }

private:
    EncoderRunner& FRunner;
    int FTimeoutMs;
    std::function<bool()> FStop;
};
