// Measures a batch of short 720p clips converted to 480x272 through the batch
// driver with the real runner and the stand-in encoder:
//  (a) with as many conversions at once as there are processors: wall time
//      over the summed CPU time of the same ffmpeg commands run directly,
//      divided by the processors (the machine's limit);
//  (b) one conversion at a time: wall time over the same ffmpeg commands run
//      one after another.
// ffmpeg is multi-threaded itself, so its CPU time (user + system of the
// children) is what tells how busy the processors can be kept.
// Usage: batch_bench <program dir> <work dir> [clips] [seconds] [rounds]
#include "BenchSupport.h"
#include "engine/BatchDriver.h"
#include "engine/Invocation.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "profiles/Profile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const ProfileName = "PSP - MP4 H.264 480x272";

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// User and system time of every child reaped so far, in seconds.
double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The batch's settings over sheets of their own: overwrite, nothing after
// the batch.
struct Settings : BatchSettings {
    ParamSheet Video, Audio, Advanced;
    Settings() {
        OutputExtension = ".mp4";
        Sheets = {&Video, &Audio, &Advanced};
        General.AutoOpenDir = false;
    }
};

struct Messages : Prompter {
    std::vector<std::string> Shown;
    MsgResult Message(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
        Shown.push_back(text);
        return MsgResult::Ok;
    }
};
struct NoShell : ShellActions {
    void Open(const std::string&) override {}
};
struct NoPower : PowerControl {
    void PowerOff() override {}
};

// Runs the commands directly, up to slots at a time in list order; returns
// false when one fails. The control for a busy machine: the same ffmpeg
// commands side by side without the program in between.
bool RunDirectAtOnce(const std::string& program, const std::vector<std::vector<std::string>>& all,
                     int slots) {
    std::vector<std::unique_ptr<ChildProcess>> running;
    size_t next = 0;
    char buffer[4095];
    while (next < all.size() || !running.empty()) {
        while (next < all.size() && static_cast<int>(running.size()) < slots) {
            running.push_back(std::make_unique<ChildProcess>());
            if (running.back()->Start(program, CommandLine{"", all[next++]}) !=
                ChildProcess::StartError::None)
                return false;
        }
        std::vector<ChildProcess*> children;
        for (const auto& child : running)
            children.push_back(child.get());
        ChildProcess::WaitForOutput(children, 20);
        for (auto it = running.begin(); it != running.end();) {
            size_t got = 0;
            if ((*it)->Read(buffer, sizeof buffer, 0, got) != ChildProcess::ReadStatus::End) {
                ++it;
                continue;
            }
            int code = -1;
            (*it)->Wait(-1, code);
            if (code != 0) return false;
            it = running.erase(it);
        }
    }
    return true;
}

ltvItemData ClipTask(const std::string& input, int seconds) {
    const std::string length =
        "00:00:" + std::string(seconds < 10 ? "0" : "") + std::to_string(seconds);
    ltvItemData t;
    t.InputFile = input;
    t.Length = t.ClipLength = t.EndTime = t.SourceEnd = length;
    t.Size = "1280x720";
    t.Status = "OK";
    t.NewFileName = fs::path(input).stem().string();
    t.NewFileExt = ".mp4";
    t.StartTime = t.SourceStart = "00:00:00.0";
    t.LengthSec = t.ClipLengthSec = t.EndSec = t.SourceEndSec = seconds;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program dir> <work dir> [clips] [seconds] [rounds]\n",
                     argv[0]);
        return 2;
    }
    const fs::path programDir = argv[1];
    const fs::path work = argv[2];
    const int clipCount = argc > 3 ? std::max(1, std::atoi(argv[3])) : 8;
    const int seconds = argc > 4 ? std::clamp(std::atoi(argv[4]), 1, 59) : 4;
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 2;
    const int cores = std::max(1u, std::thread::hardware_concurrency());

    const std::string ffmpeg = FindProgram("", "ffmpeg");
    const std::string encoder = (programDir / "wmaspi.dll").string();
    const std::string profile =
        (programDir / "Profiles" / (std::string(ProfileName) + ".apf")).string();
    if (ffmpeg.empty() || !fs::exists(encoder) || !fs::exists(profile)) {
        std::fprintf(stderr, "needs ffmpeg on PATH, %s and %s\n", encoder.c_str(), profile.c_str());
        return 2;
    }
    fs::create_directories(work / "in");
    fs::create_directories(work / "out");

    Settings settings;
    settings.OutputDir = (work / "out").string();
    settings.ProfileFile = profile;
    LoadProfile(profile, settings.Sheets, nullptr);
    const std::string arguments = BuildProfileArguments(profile, settings.Sheets);

    // The clips: a 1280x720 test picture and a tone each.
    TaskQueue rows;
    std::vector<std::vector<std::string>> direct;
    for (int k = 0; k < clipCount; ++k) {
        const std::string path = (work / "in" / ("clip" + std::to_string(k) + ".mp4")).string();
        const std::string length = std::to_string(seconds);
        if (RunDirect(ffmpeg,
                      {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc2=size=1280x720:rate=25:duration=" + length, "-f", "lavfi", "-i",
                       "sine=frequency=" + std::to_string(300 + 40 * k) + ":duration=" + length,
                       "-c:v", "mpeg4", "-q:v", "4", "-c:a", "aac", path}) != 0) {
            std::fprintf(stderr, "cannot make %s\n", path.c_str());
            return 1;
        }
        const ltvItemData task = ClipTask(path, seconds);
        rows.AddFiles({path}, "");
        SetTaskData(rows, rows.Count() - 1, tfAll, task);
        // What the stand-in hands ffmpeg, writing beside the batch's outputs.
        const std::string output =
            (work / "out" / ("direct" + std::to_string(k) + ".mp4")).string();
        std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error",
                                         "-nostats"};
        for (const std::string& a : EncoderCommandLine(task, arguments, output).Args)
            args.push_back(a);
        direct.push_back(args);
    }

    Messages prompter;
    NoShell shell;
    NoPower power;
    EncoderRunSet runs(encoder);
    BatchServices services;
    services.Tasks = &rows;
    services.Settings = &settings;
    services.ProgramTitle = "batch_bench";
    services.Prompt = &prompter;
    services.Shell = &shell;
    services.Power = &power;
    services.Encoder = &runs;
    BatchDriver driver(services);

    double batchCpu = 1e9;
    auto batch = [&](int slots) {
        settings.General.SimultaneousConversions = slots;
        prompter.Shown.clear();
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = Clock::now();
        driver.tbtnStartClick();
        const double wall = Seconds(start);
        batchCpu = std::min(batchCpu, ChildrenCpuSeconds() - cpuBefore);
        if (prompter.Shown.size() != 1 ||
            prompter.Shown[0] != "The coversion is completed successfully.") {
            std::fprintf(stderr, "the batch did not complete: %s\n",
                         prompter.Shown.empty() ? "no message" : prompter.Shown[0].c_str());
            std::exit(1);
        }
        return wall;
    };

    double bestSequential = 1e9, bestCpu = 1e9, bestParallel = 1e9, bestOne = 1e9;
    double bestDirectAtOnce = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = Clock::now();
        for (const auto& args : direct)
            if (RunDirect(ffmpeg, args) != 0) {
                std::fprintf(stderr, "ffmpeg failed on %s\n", args.back().c_str());
                return 1;
            }
        bestSequential = std::min(bestSequential, Seconds(start));
        bestCpu = std::min(bestCpu, ChildrenCpuSeconds() - cpuBefore);
        const auto atOnce = Clock::now();
        if (!RunDirectAtOnce(ffmpeg, direct, cores)) {
            std::fprintf(stderr, "ffmpeg failed\n");
            return 1;
        }
        bestDirectAtOnce = std::min(bestDirectAtOnce, Seconds(atOnce));
        bestParallel = std::min(bestParallel, batch(cores));
        bestOne = std::min(bestOne, batch(1));
    }

    const double limit = bestCpu / cores;
    std::printf("%d clips of %d s, 1280x720 to 480x272 (%s), %d processors, best of %d\n",
                clipCount, seconds, ProfileName, cores, rounds);
    std::printf("ffmpeg directly one after another: %.3f s wall, %.3f s CPU; limit CPU/cores "
                "%.3f s\n",
                bestSequential, bestCpu, limit);
    std::printf("(a) batch with %d at once: %.3f s, ratio to the limit %.3f (target <= 1.05)\n",
                cores, bestParallel, bestParallel / limit);
    std::printf("    control: the ffmpeg commands directly, %d at once: %.3f s; the batch over it "
                "%.3f (a busy machine shows here, not in the limit)\n",
                cores, bestDirectAtOnce, bestParallel / bestDirectAtOnce);
    std::printf("    CPU time of a batch (stand-in, its probe, ffmpeg) over ffmpeg's alone: %.3f\n",
                batchCpu / bestCpu);
    std::printf("(b) batch one at a time: %.3f s, ratio to ffmpeg one after another %.3f "
                "(target <= 1.02)\n",
                bestOne, bestOne / bestSequential);
    return 0;
}
