#pragma once
// What a probe run learns about an input and the text it prints about it,
// in the layout of ffmpeg's input description:
//   Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '<path>':
//     Duration: 00:00:05.00, start: 0.000000, bitrate: 115 kb/s
//       Stream #0.0: Video: h264, yuv420p, 320x240, 25 fps
//       Stream #0.1: Audio: aac, 44100 Hz, mono, fltp
//   Stream lengths: video 00:00:05.00, audio 00:00:04.98
// An attached picture's stream line ends with " (attached pic)", as ffmpeg's.
// A picture's size is given as it is seen: turned by the rotation its
// stream carries, as players and ffmpeg's conversions turn it.
// Within a stream line commas only separate fields: the program takes the
// picture size as the text between the second and the third comma after
// "Video". The last line, not ffmpeg's, tells where each video and audio
// stream (attached pictures left out) ends, counted from the container's
// start, "N/A" when unknown: the program judges a finished conversion by
// the streams the output keeps. It names no "Video", so the size is still
// cut from the stream lines.
#include <chrono>
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
    int Rotation = 0;             // how far it is turned to be seen: 0, 90, 180 or 270 degrees
    std::optional<int64_t> StartUs;
    std::optional<int64_t> DurationUs;
    // audio
    int SampleRate = 0;
    int Channels = 0;
    std::string ChannelLayout;
    std::string SampleFormat;
    std::string Title; // the stream's own name, such as "Director's comments"
};

struct MediaFacts {
    std::string FormatName;
    std::optional<int64_t> DurationUs;
    std::optional<int64_t> StartUs;
    int64_t BitRate = 0; // bits per second, 0 when unknown
    std::vector<StreamFacts> Streams;
    // The length was only estimated from the bit rate and the file's size
    // (headerless MP3 and AAC, elementary MPEG video), or is not known.
    bool LengthEstimated = false;
};

// A rotation in degrees (any sign, any number of turns, as a display matrix
// gives it) as a quarter turn: 0, 90, 180 or 270.
int QuarterTurn(double degrees);

// The video streams that are pictures to convert: not attached ones.
bool HasPicture(const MediaFacts& facts);

// Reading a whole file to learn its true length takes at most this long; a
// file that takes longer keeps the length its header gives.
inline constexpr std::chrono::seconds MeasureLimit{2};

// Where each stream's packets begin and end, gathered while reading them:
// the true lengths of a file whose header only estimates them.
class PacketSpans {
public:
    // A packet of stream index from startUs to endUs (microseconds).
    void Add(int index, int64_t startUs, int64_t endUs);
    // Gives facts the lengths the packets show; false (facts untouched) when
    // no packet had a time.
    bool ApplyTo(MediaFacts& facts) const;

private:
    struct Span {
        int64_t Start, End;
    };
    std::vector<std::optional<Span>> FSpans;
};

// Reads ffprobe's packet entries ("stream_index=0|pts_time=0.026122|
// dts_time=...|duration_time=0.026122", one packet a line) into spans.
void AddFfprobePackets(std::string_view text, PacketSpans& spans);

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
