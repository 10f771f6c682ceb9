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

// Leaves the input's attached pictures (cover art) out of a conversion: when
// every video stream of the input is one, the output gets no video ("-vn"),
// so that an audio file with a picture converts to its sound. Nothing
// changes when the options already choose streams ("-map") or drop video.
void LeaveOutAttachedPictures(RunRequest& request, const MediaFacts& input);

// An output size ("-s WxH") with an odd width or height becomes even where
// the video codec needs it (H.264, H.265, Xvid, WMV): the odd side is rounded
// down, a 1 up to 2. Returns the line that says so, empty when nothing
// changed.
std::string EvenOutputSize(RunRequest& request);
