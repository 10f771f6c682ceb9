#pragma once
// What the preview finds out about the media framework before it builds its
// player. Qt Multimedia plays through a backend chosen once per process:
// GStreamer or its own FFmpeg one (Qt 6.4 takes GStreamer where both are
// installed; QT_MEDIA_BACKEND overrides). Qt 6.4's GStreamer player does not
// check the elements it creates and crashes while it is built when they are
// missing (a GStreamer without its base plugins), so they are looked up in
// GStreamer's registry first. GStreamer is reached through the library Qt's
// backend has already loaded into the process: the program does not link it.
#include <string>
#include <vector>

enum class TMediaBackend { GStreamer, Other };

struct TMediaFramework {
    TMediaBackend Backend = TMediaBackend::Other;
    // GStreamer elements the player needs that the registry does not know.
    std::vector<std::string> MissingElements;
    // Whether the system offers a sound output device.
    bool HasAudioOutput = true;
};

// The GStreamer elements without which Qt's player cannot be built or
// cannot play any file.
const std::vector<std::string>& RequiredGStreamerElements();

// Looks at the backend Qt has chosen (making Qt choose it if it has not yet)
// without building a player.
TMediaFramework ProbeMediaFramework();

// The text of the preview's error box for a framework the player cannot be
// built on; empty when it can.
std::string MediaFrameworkProblem(const TMediaFramework& framework);

// Whether the player may be given a sound output. Qt 6.4's FFmpeg backend
// crashes in its audio thread when it has one but the system has no sound
// device; GStreamer then plays into a sink that only keeps time.
bool UseAudioOutput(const TMediaFramework& framework);
