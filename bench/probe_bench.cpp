// Measures how the window takes many files:
//  (a) start-up: from starting the real program with 0, 100 and 1,000 files
//      named on its command line to its window's first paint (the program's
//      TARVOLIN_REPORT_SHOWN setting prints that moment);
//  (b) probing 1,000 files added to the window: the time until every row
//      has its length, over running ffprobe on the same files one after
//      another divided by the cores, and the longest lateness of a 10 ms
//      timer of the window's event loop meanwhile.
// The files are copies of three short generated clips.
// Usage: probe_bench <program dir> <work dir> [files] [rounds]
//   program dir: where tarvolin, wmaspi.dll and Profiles lie (build/bin).
#include "BenchSupport.h"
#include "WindowFakes.h"
#include "engine/ProbePool.h"
#include "platform/FileSystem.h"
#include "ui/Look.h"
#include "ui/MainForm.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int TickMs = 10;

// CPU time the calling thread has used so far.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop until done holds, with a 10 ms timer noting how late
// each of its runs came; returns the latenesses, largest first.
std::vector<double> Lateness(const std::function<bool()>& done) {
    std::vector<double> late;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        late.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - TickMs);
        sinceTick.restart();
    });
    sinceTick.start();
    tick.start(TickMs);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::sort(late.begin(), late.end(), std::greater<double>());
    if (late.empty()) late.push_back(0);
    return late;
}

std::string Describe(const std::vector<double>& late) {
    const auto over = std::count_if(late.begin(), late.end(), [](double l) { return l > 20; });
    char text[160];
    std::snprintf(text, sizeof text,
                  "longest %.0f ms, 99th percentile %.1f ms, %ld of %zu over 20 ms", late.front(),
                  late[late.size() / 100], static_cast<long>(over), late.size());
    return text;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Starts the program with args and returns the milliseconds from the start
// to its window's first paint; -1 when it did not say.
double StartUpMs(const fs::path& program, const std::vector<std::string>& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TARVOLIN_REPORT_SHOWN", "1");
    process.setProcessEnvironment(env);
    QStringList arguments;
    for (const auto& a : args)
        arguments << ToQ(a);
    const auto started =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count();
    process.start(ToQ(program.string()), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const qsizetype at = out.indexOf("shown ");
    if (at < 0) return -1;
    return static_cast<double>(out.mid(at + 6).section('\n', 0, 0).toLongLong() - started);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ApplyProgramLook(app);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s <program dir> <work dir> [files] [rounds]\n", argv[0]);
        return 2;
    }
    const fs::path built = FromQ(args[1]);
    const fs::path work = FromQ(args[2]);
    const int fileCount = args.size() > 3 ? std::max(1, args[3].toInt()) : 1000;
    const int rounds = args.size() > 4 ? std::max(1, args[4].toInt()) : 3;

    const std::string ffmpeg = FindProgram("", "ffmpeg");
    const std::string ffprobe = FindProgram("", "ffprobe");
    if (ffmpeg.empty() || ffprobe.empty() || !fs::exists(built / "wmaspi.dll") ||
        !fs::exists(built / "tarvolin")) {
        std::fprintf(stderr, "needs ffmpeg and ffprobe on PATH, %s/tarvolin and wmaspi.dll\n",
                     built.c_str());
        return 2;
    }

    // A program folder of its own (the program takes the folder it lies in),
    // so that no preferences of another run come in.
    const fs::path programDir = work / "program";
    fs::create_directories(programDir / "Profiles");
    fs::create_symlink(fs::absolute(built / "wmaspi.dll"), programDir / "wmaspi.dll");
    std::error_code linkFailed;
    fs::create_hard_link(built / "tarvolin", programDir / "tarvolin", linkFailed);
    if (linkFailed) fs::copy_file(built / "tarvolin", programDir / "tarvolin");

    // Three clips, then copies of them up to the count.
    fs::create_directories(work / "in");
    std::vector<std::string> originals, files;
    for (int k = 0; k < 3; ++k) {
        std::string path = (work / ("clip" + std::to_string(k) + ".avi")).string();
        if (!MakeClip(ffmpeg, path, 300 + 40 * k, "libmp3lame")) return 1;
        originals.push_back(path);
    }
    for (int i = 0; i < fileCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file%04d.avi", i);
        fs::copy_file(originals[static_cast<size_t>(i % 3)], work / "in" / name);
        files.push_back((work / "in" / name).string());
    }
    const unsigned cores = ProbePool::DefaultWorkers();
    std::printf("%d files (copies of 3 clips of 5 s, 320x240), %u cores, %d rounds\n", fileCount,
                cores, rounds);

    // (a) Start-up to the window on screen.
    for (int named : {0, std::min(100, fileCount), fileCount}) {
        std::vector<double> ms;
        for (int r = 0; r < rounds; ++r) {
            std::vector<std::string> some(files.begin(), files.begin() + named);
            ms.push_back(StartUpMs(programDir / "tarvolin", some));
        }
        std::sort(ms.begin(), ms.end());
        std::printf("window shown with %4d files named: median %6.0f ms, worst %6.0f ms "
                    "(target <= 300 ms)\n",
                    named, ms[ms.size() / 2], ms.back());
    }

    // (b) Probing through the window, with a 10 ms timer watching its loop.
    QuietPrompter prompter;
    NoShell shell;
    NoDialogs dialogs;
    double windowBest = 1e9, addWorst = 0, ownCpu = 0;
    std::vector<double> lateWorst{0};
    for (int r = 0; r < rounds; ++r) {
        TMainFormOptions options;
        options.ProgramDir = programDir.string();
        options.prompter = &prompter;
        options.shell = &shell;
        options.dialogs = &dialogs;
        TMainForm window(options);
        window.CreateForms();
        window.show();
        QCoreApplication::processEvents();

        const auto begin = Clock::now();
        const double cpuBefore = ThreadCpuSeconds();
        window.DropFiles(files);
        addWorst = std::max(addWorst, Seconds(begin) * 1000);
        std::vector<double> late = Lateness([&] { return window.ProbesPending() == 0; });
        const double seconds = Seconds(begin);
        if (seconds < windowBest) ownCpu = ThreadCpuSeconds() - cpuBefore;
        windowBest = std::min(windowBest, seconds);
        if (late.front() > lateWorst.front()) lateWorst = late;
        window.close();
    }

    // ffprobe on the same files, one after another.
    double directBest = 1e9;
    for (int r = 0; r < std::max(1, rounds / 2); ++r) {
        const auto begin = Clock::now();
        for (const auto& f : files)
            RunDirect(ffprobe, {"-hide_banner", "-i", f});
        directBest = std::min(directBest, Seconds(begin));
    }
    std::printf("probing %d files: window %.2f s, ffprobe one after another %.2f s\n", fileCount,
                windowBest, directBest);
    std::printf("  ratio window / (ffprobe in a row / %u cores): %.3f (target <= 1.2)\n", cores,
                windowBest / (directBest / cores));
    std::printf("  event loop's lateness meanwhile: %s (target <= 20 ms)\n",
                Describe(lateWorst).c_str());
    std::printf("  the window's thread used %.2f s of CPU; adding the %d rows took %.0f ms\n",
                ownCpu, fileCount, addWorst);
    // The same timer with nothing to do: what the machine's load alone gives.
    const auto idleBegin = Clock::now();
    std::printf("  the same timer idle for 5 s: %s\n",
                Describe(Lateness([&] { return Seconds(idleBegin) > 5; })).c_str());
    return 0;
}
