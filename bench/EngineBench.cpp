// Measures what the program's way of running the encoder costs over running
// ffmpeg and ffprobe directly, on the same generated clips:
//  (a) converting clips through RunEncoder and the stand-in encoder over
//      the same ffmpeg commands run directly;
//  (b) probing clips through EncoderProber over ffprobe on them, one after
//      another.
// Usage: engine_bench <encoder> <work dir> [rounds] [clips to convert] [clips to probe]
#include "BenchSupport.h"
#include "base/TimeText.h"
#include "engine/EncoderProber.h"
#include "engine/Invocation.h"
#include "engine/Runner.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const Options = " -vcodec libx264 -s 320x240 -acodec aac";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

ltvItemData RunTask(const std::string& input, const std::string& name) {
    ltvItemData t;
    t.InputFile = input;
    t.NewFileName = name;
    t.NewFileExt = ".mp4";
    t.Length = t.ClipLength = t.EndTime = t.SourceEnd = "00:00:05";
    t.StartTime = t.SourceStart = "00:00:00.0";
    t.LengthSec = t.ClipLengthSec = t.EndSec = t.SourceEndSec = 5;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <encoder> <work dir> [rounds] [convert] [probe]\n",
                     argv[0]);
        return 2;
    }
    const std::string encoder = argv[1];
    const fs::path work = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const int convertCount = argc > 4 ? std::max(1, std::atoi(argv[4])) : 10;
    const int probeCount = argc > 5 ? std::max(1, std::atoi(argv[5])) : 50;

    const std::string ffmpeg = FindProgram("", "ffmpeg");
    const std::string ffprobe = FindProgram("", "ffprobe");
    if (ffmpeg.empty() || ffprobe.empty() || !fs::exists(encoder)) {
        std::fprintf(stderr, "needs ffmpeg and ffprobe on PATH and the encoder %s\n",
                     encoder.c_str());
        return 2;
    }
    fs::create_directories(work / "in");
    fs::create_directories(work / "out");

    // The clips: 5 s of a 320x240 test picture and a tone each.
    std::vector<std::string> clips;
    for (int k = 0; k < convertCount; ++k) {
        std::string path = (work / "in" / ("clip " + std::to_string(k) + ".mp4")).string();
        if (!MakeClip(ffmpeg, path, 300 + 40 * k, "aac")) return 1;
        clips.push_back(path);
    }
    std::vector<std::string> probeClips;
    for (int k = 0; k < probeCount; ++k) {
        fs::path copy = work / "in" / ("probe " + std::to_string(k) + ".mp4");
        fs::copy_file(clips[k % clips.size()], copy, fs::copy_options::overwrite_existing);
        probeClips.push_back(copy.string());
    }

    EncoderRunner runner(encoder);
    EncoderProber prober(runner);
    int failures = 0;

    auto convertDirect = [&](size_t k) {
        // The stand-in runs ffmpeg quietly (errors only, no status lines)
        // and takes its progress from "-progress"; the direct run is just
        // as quiet, so the difference is what the program's way costs.
        std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error",
                                         "-nostats",     "-y",       "-i",        clips[k]};
        for (std::string& w : SplitWindowsArguments(Options))
            args.push_back(std::move(w));
        args.push_back((work / "out" / ("direct " + std::to_string(k) + ".mp4")).string());
        if (RunDirect(ffmpeg, args) != 0) ++failures;
    };
    auto convertRunner = [&](size_t k) {
        ltvItemData t = RunTask(clips[k], "runner " + std::to_string(k));
        std::string out =
            OutputPath(t, static_cast<int>(k), OutputNaming{(work / "out").string(), ".mp4", true});
        RunOutcome r = runner.RunEncoder(
            EncoderCommandLine(t, Options, out), [] {}, nullptr);
        if (!r.Succeeded()) ++failures;
    };
    auto probeDirect = [&](size_t k) {
        if (RunDirect(ffprobe, {probeClips[k]}) != 0) ++failures;
    };
    auto probeRunner = [&](size_t k) {
        ProbeResult r = prober.ProbeMedia(probeClips[k]);
        if (r.Duration != "00:00:05.00" || r.Size != " 320x240") ++failures;
    };

    // Both sides run clip by clip, taking turns at going first, so that
    // drifting load on the machine falls on both alike.
    auto compare = [&](size_t count, auto direct, auto viaProgram, double& directTotal,
                       double& programTotal) {
        for (int round = 0; round < rounds; ++round) {
            for (size_t k = 0; k < count; ++k) {
                bool directFirst = (k + static_cast<size_t>(round)) % 2 == 0;
                for (int side = 0; side < 2; ++side) {
                    bool runDirect = (side == 0) == directFirst;
                    auto t = Clock::now();
                    if (runDirect) {
                        direct(k);
                        directTotal += Seconds(t);
                    } else {
                        viaProgram(k);
                        programTotal += Seconds(t);
                    }
                }
            }
        }
    };

    double convertDirectTotal = 0, convertProgramTotal = 0;
    compare(clips.size(), convertDirect, convertRunner, convertDirectTotal, convertProgramTotal);
    double probeDirectTotal = 0, probeProgramTotal = 0;
    compare(probeClips.size(), probeDirect, probeRunner, probeDirectTotal, probeProgramTotal);

    double convertRatio = convertProgramTotal / convertDirectTotal;
    double probeRatio = probeProgramTotal / probeDirectTotal;
    std::printf("(a) convert %d clips: ffmpeg directly %.3f s, RunEncoder + stand-in %.3f s "
                "(per pass, mean of %d)\n",
                convertCount, convertDirectTotal / rounds, convertProgramTotal / rounds, rounds);
    std::printf("    ratio %.3f (target <= 1.05) %s\n", convertRatio,
                convertRatio <= 1.05 ? "ok" : "OVER");
    std::printf("(b) probe %d clips: ffprobe %.3f s, EncoderProber + stand-in %.3f s "
                "(per pass, mean of %d)\n",
                probeCount, probeDirectTotal / rounds, probeProgramTotal / rounds, rounds);
    std::printf("    ratio %.3f (target <= 1.3) %s\n", probeRatio,
                probeRatio <= 1.3 ? "ok" : "OVER");
    if (failures) std::printf("%d runs failed or gave wrong values\n", failures);
    return failures ? 1 : 0;
}
