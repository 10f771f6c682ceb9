#pragma once
// What a probe run learns about an input and the text it prints about it,
// in the layout of ffmpeg's input description:
//   Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '<path>':
//     Duration: 00:00:05.00, start: 0.000000, bitrate: 115 kb/s
//       Stream #0.0: Video: h264, yuv420p, 320x240, 25 fps
//       Stream #0.1: Audio: aac, 44100 Hz, mono, fltp
//   Stream lengths: video 00:00:05.00, audio 00:00:04.98
// An attached picture's stream line ends with " (attached pic)", as ffmpeg's.
// Within a stream line commas only separate fields: the program takes the
// picture size as the text between the second and the third comma after
// "Video". The last line, not ffmpeg's, tells where each video and audio
// stream (attached pictures left out) ends, counted from the container's
// start, "N/A" when unknown: the program judges a finished conversion by
// the streams the output keeps. It names no "Video", so the size is still
// cut from the stream lines.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct StreamFacts {
    int Index = 0;
    std::string Type; // "video", "audio", "subtitle", "data", "attachment"
    std::string Codec;
    // video
    std::string PixelFormat;
    int Width = 0;
    int Height = 0;
    int RateNum = 0; // frames per second as a fraction; 0/0 when unknown
    int RateDen = 0;
    bool AttachedPicture = false; // a still picture (cover art), not a video
    std::optional<int64_t> StartUs;
    std::optional<int64_t> DurationUs;
    // audio
    int SampleRate = 0;
    int Channels = 0;
    std::string ChannelLayout;
    std::string SampleFormat;
};

struct MediaFacts {
    std::string FormatName;
    std::optional<int64_t> DurationUs;
    std::optional<int64_t> StartUs;
    int64_t BitRate = 0; // bits per second, 0 when unknown
    std::vector<StreamFacts> Streams;
};

// The description above, ending with a line break.
std::string FormatMediaReport(const std::string& path, const MediaFacts& facts);

// Reads ffprobe's default output of format and stream entries
// ([STREAM] ... [/STREAM], [FORMAT] ... [/FORMAT], key=value lines).
MediaFacts ParseFfprobeOutput(std::string_view text);

// A decimal number of seconds ("5.000000", "-0.021333") in microseconds.
std::optional<int64_t> SecondsTextToMicroseconds(std::string_view text);
// A clock time ("00:00:05.000000000", Matroska's stream length) in
// microseconds.
std::optional<int64_t> ClockTextToMicroseconds(std::string_view text);

// Reads the input in this process through FFmpeg's shared libraries when
// they can be loaded. Unavailable: no libraries (use ffprobe instead);
// Failed: error holds FFmpeg's text for why the input cannot be read.
// Describe reads everything the report shows and lets the demuxers' error
// lines show; Streams reads only what the container's header says about its
// streams (their types, attached pictures), quietly.
enum class LibavOutcome { Unavailable, Read, Failed };
enum class LibavDepth { Describe, Streams };
LibavOutcome ReadWithLibav(const std::string& path, MediaFacts& facts, std::string& error,
                           LibavDepth depth = LibavDepth::Describe);
