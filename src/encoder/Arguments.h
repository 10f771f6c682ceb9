#pragma once
// How the stand-in reads its command line. Two forms reach it:
//   -i <input>                                  a probe: describe the input
//   -y -i <input> <options...> [-ss T] [-t N] <output>   a conversion
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
    std::vector<std::string> FfmpegArgs;
    // For Usage: what is wrong with the command line.
    std::string Problem;
};

RunRequest ClassifyRun(const std::vector<std::string>& args);
