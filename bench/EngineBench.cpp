// Measures what the program's way of running the encoder costs over running
// ffmpeg and ffprobe directly, on the same generated clips:
//  (a) converting 5 s clips through RunEncoder and the stand-in encoder over
//      the same ffmpeg commands run directly;
//  (b) probing clips through EncoderProber over ffprobe on them, one after
//      another;
//  (c) as (a) with 1 s clips, as phones make them by the hundred, where
//      whatever the stand-in adds to each conversion shows most.
// Each side's fastest round counts (the machine may be busy with other
// work now and then).
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
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const Options = " -vcodec libx264 -s 320x240 -acodec aac";

// The system's load averages over 1, 5 and 15 minutes, where it tells them.
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen)) return "unknown";
    return one + " " + five + " " + fifteen;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

ltvItemData RunTask(const std::string& input, const std::string& name, int seconds) {
    ltvItemData t;
    t.InputFile = input;
    t.NewFileName = name;
    t.NewFileExt = ".mp4";
    t.Length = t.ClipLength = t.EndTime = t.SourceEnd = "00:00:0" + std::to_string(seconds);
    t.StartTime = t.SourceStart = "00:00:00.0";
    t.LengthSec = t.ClipLengthSec = t.EndSec = t.SourceEndSec = seconds;
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
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
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

    // The clips: 5 s (and 1 s) of a 320x240 test picture and a tone each.
    std::vector<std::string> clips, shortClips;
    for (int k = 0; k < convertCount; ++k) {
        std::string path = (work / "in" / ("clip " + std::to_string(k) + ".mp4")).string();
        if (!MakeClip(ffmpeg, path, 300 + 40 * k, "aac")) return 1;
        clips.push_back(path);
        path = (work / "in" / ("short " + std::to_string(k) + ".mp4")).string();
        if (!MakeClip(ffmpeg, path, 300 + 40 * k, "aac", 1)) return 1;
        shortClips.push_back(path);
    }
    std::vector<std::string> probeClips;
    for (int k = 0; k < probeCount; ++k) {
        fs::path copy = work / "in" / ("probe " + std::to_string(k) + ".mp4");
        fs::copy_file(clips[k % clips.size()], copy, fs::copy_options::overwrite_existing);
        probeClips.push_back(copy.string());
    }

    const std::string loadBefore = LoadAverage();
    EncoderRunner runner(encoder);
    EncoderProber prober(runner);
    int failures = 0;

    auto convertDirect = [&](const std::vector<std::string>& inputs, size_t k) {
        // The stand-in runs ffmpeg quietly (errors only, no status lines)
        // and takes its progress from "-progress"; the direct run is just
        // as quiet, so the difference is what the program's way costs.
        std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error",
                                         "-nostats",     "-y",       "-i",        inputs[k]};
        for (std::string& w : SplitWindowsArguments(Options))
            args.push_back(std::move(w));
        args.push_back((work / "out" / ("direct " + std::to_string(k) + ".mp4")).string());
        if (RunDirect(ffmpeg, args) != 0) ++failures;
    };
    auto convertRunner = [&](const std::vector<std::string>& inputs, int seconds, size_t k) {
        ltvItemData t = RunTask(inputs[k], "runner " + std::to_string(k), seconds);
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
    // drifting load on the machine falls on both alike; each side's fastest
    // round counts.
    struct Result {
        double Direct = 0, Program = 0;
        double Ratio() const { return Program / Direct; }
    };
    auto compare = [&](size_t count, auto direct, auto viaProgram) {
        Result best;
        for (int round = 0; round < rounds; ++round) {
            double directTotal = 0, programTotal = 0;
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
            if (round == 0 || directTotal < best.Direct) best.Direct = directTotal;
            if (round == 0 || programTotal < best.Program) best.Program = programTotal;
        }
        return best;
    };
    auto report = [&](const char* what, int count, const char* direct, const char* program,
                      const Result& r, double target) {
        std::printf("%s %d clips: %s %.3f s, %s %.3f s (best of %d)\n", what, count, direct,
                    r.Direct, program, r.Program, rounds);
        std::printf("    ratio %.3f (target <= %.2f) %s\n", r.Ratio(), target,
                    r.Ratio() <= target ? "ok" : "OVER");
    };

    const Result converted = compare(
        clips.size(), [&](size_t k) { convertDirect(clips, k); },
        [&](size_t k) { convertRunner(clips, 5, k); });
    const Result probed = compare(probeClips.size(), probeDirect, probeRunner);
    const Result shortConverted = compare(
        shortClips.size(), [&](size_t k) { convertDirect(shortClips, k); },
        [&](size_t k) { convertRunner(shortClips, 1, k); });

    std::printf("load before: %s\n", loadBefore.c_str());
    report("(a) convert 5 s", convertCount, "ffmpeg directly", "RunEncoder + stand-in", converted,
           1.03);
    report("(b) probe", probeCount, "ffprobe", "EncoderProber + stand-in", probed, 1.3);
    report("(c) convert 1 s", convertCount, "ffmpeg directly", "RunEncoder + stand-in",
           shortConverted, 1.05);
    std::printf("load after: %s\n", LoadAverage().c_str());
    if (failures) std::printf("%d runs failed or gave wrong values\n", failures);
    return failures ? 1 : 0;
}
