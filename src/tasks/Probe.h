#pragma once
// Media probing: the encoder run with only an input prints the duration and
// the video size, which become the task's Length and Size.
#include <string>
#include <string_view>

struct ProbeResult {
    std::string Duration; // such as "00:01:23.4"; empty when not found
    std::string Size;     // such as " 320x240" (with the blank); empty when not found or
                          // when the only picture is attached (an audio file's cover)
    std::string Start;    // "00:00:00.0" once the probe ran; empty when it could not start
    std::string End;      // a copy of Duration once the probe ran
    // Why the file cannot be read: the encoder's error line, "no duration
    // found", or why the probe could not start. Empty when the probe found a
    // duration. The task is still converted when the user starts it.
    std::string Problem;
    // Where each video and audio stream of the input ends, from the start,
    // as the encoder tells it on a line of its own ("Stream lengths: video
    // 00:00:10.00, audio 00:00:06.00"): "video 00:00:10.00, audio
    // 00:00:06.00". Empty when it does not.
    std::string StreamLengths{};
};

// Cuts the duration and the size out of the probe's whole output, and takes
// the streams' lengths.
void ParseProbeOutput(std::string_view text, const std::string& path, ProbeResult& result);

// Where the longest stream of the kinds an output keeps ends, in seconds,
// read from a StreamLengths text; -1 when that cannot be told (no text, a
// kept stream of unknown length, or no stream of a kept kind).
double KeptStreamsEnd(std::string_view lengths, bool video, bool audio);

// The seam the task list uses, so its rules are tested without an encoder.
class MediaProber {
public:
    virtual ~MediaProber() = default;
    virtual ProbeResult ProbeMedia(const std::string& path) = 0;
};
