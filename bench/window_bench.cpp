// Measures a batch converted through the real main window (headless), with
// the stand-in encoder and ffmpeg on generated clips:
//  (a) how responsive the window stays: the longest gap between two runs of
//      a 10 ms timer while the batch converts, and how late that run came
//      (gap - 10 ms);
//  (b) the batch's wall time over running the same ffmpeg commands directly,
//      one after another.
// The window's batch and the direct runs take turns at going first, round by
// round, so that drifting load on the machine falls on both alike.
// Usage: window_bench <program dir> <work dir> [clips] [rounds]
//   program dir: where wmaspi.dll and Profiles lie (the build's bin folder).
#include "BenchSupport.h"
#include "WindowFakes.h"
#include "engine/Invocation.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "profiles/Profile.h"
#include "tasks/TaskRecord.h"
#include "ui/Look.h"
#include "ui/MainForm.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const ProfileName = "MP4 - H.264 AAC";
constexpr int TickMs = 10;

// CPU time (user and system) this process has used so far.
double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ApplyProgramLook(app);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s <program dir> <work dir> [clips] [rounds]\n", argv[0]);
        return 2;
    }
    const fs::path built = FromQ(args[1]);
    const fs::path work = FromQ(args[2]);
    const int clipCount = args.size() > 3 ? std::max(1, args[3].toInt()) : 6;
    const int rounds = args.size() > 4 ? std::max(1, args[4].toInt()) : 3;

    const std::string ffmpeg = FindProgram("", "ffmpeg");
    if (ffmpeg.empty() || !fs::exists(built / "wmaspi.dll") ||
        !fs::exists(built / "Profiles" / (std::string(ProfileName) + ".apf"))) {
        std::fprintf(stderr, "needs ffmpeg on PATH, %s/wmaspi.dll and the shipped profiles\n",
                     built.c_str());
        return 2;
    }

    // A program folder of its own, so that no preferences of another run
    // come in: the encoder and the shipped profiles.
    const fs::path programDir = work / "program";
    fs::create_directories(programDir / "Profiles");
    fs::create_symlink(fs::absolute(built / "wmaspi.dll"), programDir / "wmaspi.dll");
    for (const auto& entry : fs::directory_iterator(built / "Profiles"))
        fs::copy_file(entry.path(), programDir / "Profiles" / entry.path().filename());
    for (const char* dir : {"in", "out window", "out direct"})
        fs::create_directories(work / dir);

    // The clips: 5 s of a 320x240 test picture and a tone each.
    std::vector<std::string> clips;
    for (int k = 0; k < clipCount; ++k) {
        std::string path = (work / "in" / ("clip " + std::to_string(k) + ".avi")).string();
        if (!MakeClip(ffmpeg, path, 300 + 40 * k, "libmp3lame")) return 1;
        clips.push_back(path);
    }

    QuietPrompter prompter;
    NoShell shell;
    NoDialogs dialogs;
    TMainFormOptions options;
    options.ProgramDir = programDir.string();
    options.prompter = &prompter;
    options.shell = &shell;
    options.dialogs = &dialogs;
    TMainForm window(options);
    window.CreateForms();
    window.show();
    QCoreApplication::processEvents();
    auto* profiles = window.findChild<QComboBox*>("cmbProfile");
    profiles->setCurrentIndex(profiles->findText(QString::fromLatin1(ProfileName)));
    window.cmbProfileChange();
    window.SetOutputDir((work / "out window").string());
    window.DropFiles(clips);
    if (window.Tasks().Count() != clipCount || window.OutputExtension() != ".mp4") {
        std::fprintf(stderr, "the window did not take the clips or the profile\n");
        return 1;
    }

    // The same ffmpeg commands the stand-in runs for these tasks, without its
    // progress reporting (the direct run is quiet, as ffmpeg is at
    // "-loglevel error").
    const std::string profileArgs =
        BuildProfileArguments(window.ProfilesDir() + ProfileName + ".apf", window.MainSheets());
    std::vector<std::vector<std::string>> direct;
    for (int i = 0; i < clipCount; ++i) {
        ltvItemData task;
        GetTaskData(window.Tasks(), i, tfAll, task);
        std::vector<std::string> a = {"-hide_banner", "-nostdin", "-loglevel", "error",
                                      "-nostats",     "-y",       "-i",        task.InputFile};
        for (std::string& word : SplitWindowsArguments(profileArgs))
            a.push_back(std::move(word));
        a.push_back((work / "out direct" / (task.NewFileName + ".mp4")).string());
        direct.push_back(std::move(a));
    }

    // The event loop's pulse while the window converts.
    QElapsedTimer pulse;
    qint64 lastTick = -1, longestGap = 0;
    std::vector<qint64> gaps;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(TickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = pulse.nsecsElapsed();
        if (lastTick >= 0) {
            gaps.push_back(now - lastTick);
            longestGap = std::max(longestGap, now - lastTick);
        }
        lastTick = now;
    });

    int failures = 0;
    double windowTotal = 0, directTotal = 0;
    std::vector<double> windowTimes, directTimes;
    double windowCpu = 0;
    auto runWindow = [&] {
        prompter.Shown.clear();
        lastTick = -1;
        pulse.start();
        ticker.start();
        const auto t = Clock::now();
        const double cpu = OwnCpuSeconds();
        window.tbtnStartClick();
        windowCpu += OwnCpuSeconds() - cpu;
        windowTimes.push_back(Seconds(t));
        windowTotal += windowTimes.back();
        ticker.stop();
        for (int i = 0; i < clipCount; ++i)
            if (window.Tasks().At(i).State != TaskState::Complete) ++failures;
        if (prompter.Shown != std::vector<std::string>{"The coversion is completed successfully."})
            ++failures;
    };
    auto runDirect = [&] {
        const auto t = Clock::now();
        for (const auto& a : direct)
            if (RunDirect(ffmpeg, a) != 0) ++failures;
        directTimes.push_back(Seconds(t));
        directTotal += directTimes.back();
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            runWindow();
            runDirect();
        } else {
            runDirect();
            runWindow();
        }
    }

    std::sort(gaps.begin(), gaps.end());
    const double longestMs = longestGap / 1e6;
    const double lateMs = std::max(0.0, longestMs - TickMs);
    const double p99Ms = gaps.empty() ? 0 : gaps[gaps.size() * 99 / 100] / 1e6;
    const double ratio = windowTotal / directTotal;
    // The middle round's ratio, which one round disturbed by other work on
    // the machine does not move.
    std::vector<double> ratios;
    for (size_t r = 0; r < windowTimes.size(); ++r)
        ratios.push_back(windowTimes[r] / directTimes[r]);
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];
    std::printf("(a) event loop during %d batches of %d clips: %zu runs of a %d ms timer; "
                "longest gap %.1f ms, 99th percentile %.1f ms\n",
                rounds, clipCount, gaps.size() + rounds, TickMs, longestMs, p99Ms);
    std::printf("    longest lateness %.1f ms (target < 50) %s\n", lateMs,
                lateMs < 50 ? "ok" : "OVER");
    std::printf("(b) batch wall time: window %.3f s, ffmpeg directly %.3f s (per batch, mean of "
                "%d)\n",
                windowTotal / rounds, directTotal / rounds, rounds);
    std::printf("    the window's own CPU time during a batch %.3f s (%.1f %% of its wall time)\n",
                windowCpu / rounds, 100 * windowCpu / windowTotal);
    std::printf("    ratio %.3f, median of the rounds' ratios %.3f (target <= 1.05) %s\n", ratio,
                medianRatio, ratio <= 1.05 ? "ok" : "OVER");
    if (failures) std::printf("%d tasks or batches failed\n", failures);
    window.hide();
    return failures ? 1 : 0;
}
