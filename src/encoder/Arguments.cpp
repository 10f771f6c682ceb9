#include "encoder/Arguments.h"

#include <algorithm>
#include <cstddef>

RunRequest ClassifyRun(const std::vector<std::string>& args) {
    RunRequest r;
    auto in = std::find(args.begin(), args.end(), "-i");
    if (in == args.end()) {
        r.Problem = args.empty() ? "no input given" : "no input given (missing -i)";
        return r;
    }
    const size_t k = static_cast<size_t>(in - args.begin());
    if (k + 1 >= args.size()) {
        r.Problem = "missing argument for option 'i'";
        return r;
    }
    r.Input = args[k + 1];
    if (k + 2 == args.size()) {
        // Nothing follows the input: like ffmpeg without an output file,
        // describe the input and fail.
        r.Kind = RunKind::Probe;
        return r;
    }

    r.Kind = RunKind::Convert;
    r.Output = args.back();
    const size_t last = args.size() - 1; // the output path
    // The start position is the last "-ss" among the output options (the
    // program appends it after the profile's own options).
    size_t ss = 0;
    for (size_t j = last; j-- > k + 2;) {
        if (args[j] == "-ss" && j + 1 < last) {
            ss = j;
            break;
        }
    }
    r.FfmpegArgs.reserve(args.size());
    for (size_t j = 0; j < args.size(); ++j) {
        if (ss != 0 && j == k) {
            r.FfmpegArgs.push_back("-ss");
            r.FfmpegArgs.push_back(args[ss + 1]);
        }
        if (ss != 0 && (j == ss || j == ss + 1)) continue;
        r.FfmpegArgs.push_back(args[j]);
    }
    return r;
}
