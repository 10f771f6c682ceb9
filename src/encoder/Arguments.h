#pragma once
// How the stand-in reads its command line. Two forms reach it:
//   -i <input>                                  a probe: describe the input
//   -y -i <input> <options...> [-ss T] [-t N] <output>   a conversion
#include "encoder/MediaReport.h"

#include <string>
#include <vector>

enum class RunKind { Usage, Probe, Convert };

struct RunRequest {
    RunKind Kind = RunKind::Usage;
    std::string Input;
    std::string Output;
    // For a conversion: the arguments for ffmpeg, in order, with a start
    // position ("-ss T") among the output options moved in front of the
    // input so that ffmpeg seeks in the input instead of decoding up to T.
    // The input and the output are named as files ("file:" before the name),
    // so that no name is taken for a protocol ("pipe:0.avi", "http:x.mp4").
    std::vector<std::string> FfmpegArgs;
    // For Usage: what is wrong with the command line.
    std::string Problem;
};

RunRequest ClassifyRun(const std::vector<std::string>& args);

// The name ffmpeg and ffprobe get for the file path, whatever it looks like.
std::string AsFileName(const std::string& path);

// Which of the input's audio streams an output keeps.
enum class AudioTracks { First, All };

// Takes the stand-in's own "-audio_tracks first|all" out of the options for
// ffmpeg and returns it; First when it is not given or names neither.
AudioTracks TakeAudioTracks(RunRequest& request);

// Turns an "up to" size, "-s fit<long>x<short>" such as "-s fit1280x720",
// into ffmpeg's scale filter, run after the filter the options give (such
// as "-vf yadif"): the picture as it is seen (ffmpeg turns it by its
// rotation before the filters), in square pixels and keeping its shape, its
// long side at most the first number and its short side at most the second,
// never enlarged, with even sides. A portrait 1080x1920 picture becomes
// 720x1280 with fit1280x720, a 640x360 one stays 640x360.
void FitPictureSize(RunRequest& request);

// Chooses the input's streams for ffmpeg, unless the options already do
// ("-map", "-filter_complex", "-lavfi"): the first video stream that is not
// an attached picture such as cover art (unless "-vn"), and the first audio
// stream or every one (unless "-an"; an input without sound is fine). True
// when the output needs a picture: ffmpeg then fails on an input that has
// none.
bool ChooseStreams(RunRequest& request, AudioTracks tracks);

// Whether the output's container keeps a track's name as its handler name
// and drops a "title" (MP4 and its kin).
bool NamesTracksByHandler(const std::string& output);

// Gives each audio track of the output (every audio stream of input, in
// order) the input stream's title as its handler name.
void NameAudioTracks(RunRequest& request, const MediaFacts& input);

// Why an input without a picture cannot become a video: "<name> has no
// picture to convert.", the name without its folder.
std::string NoPictureReason(const std::string& input);

// An exact output size ("-s WxH") with an odd width or height becomes even where
// the video codec needs it (H.264, H.265, Xvid, WMV): the odd side is rounded
// down, a 1 up to 2. Returns the line that says so, empty when nothing
// changed.
std::string EvenOutputSize(RunRequest& request);
