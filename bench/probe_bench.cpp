// Measures how the window takes many files:
//  (a) start-up: from starting the real program with 0, 100, 1,000 and
//      10,000 files named on its command line, and with a folder of 10,000
//      named, to its window's first paint (the program's
//      TARVOLIN_REPORT_SHOWN setting prints that moment);
//  (b) probing 1,000 files added to the window: the time until every row
//      has its length, over running ffprobe on the same files one after
//      another divided by the cores, and the longest lateness of a 10 ms
//      timer of the window's event loop meanwhile;
//  (c) one task added, removed and moved with 10 and with 10,000 tasks in
//      the list: through the task queue alone, and with the window's list
//      (its model and view) following each change.
// The files probed are copies of three short generated clips; the ones
// named at start-up are links to them.
// Usage: probe_bench <program dir> <work dir> [files] [rounds]
//   program dir: where tarvolin, wmaspi.dll and Profiles lie (build/bin).
#include "BenchSupport.h"
#include "WindowFakes.h"
#include "engine/ProbePool.h"
#include "platform/FileSystem.h"
#include "tasks/TaskQueue.h"
#include "ui/Look.h"
#include "ui/MainForm.h"
#include "ui/QtText.h"
#include "ui/TaskListModel.h"

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
#include <memory>
#include <random>
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

// Mean microseconds of one task added, one removed (a random row) and one
// moved up (a random row), the list holding size tasks throughout; with the
// window's list shown, each change is followed by the events it causes.
struct OperationCosts {
    double Add = 0, Remove = 0, Move = 0;
};

OperationCosts QueueCosts(int size, int reps, bool withList) {
    TaskQueue tasks;
    std::unique_ptr<TTaskListModel> model;
    std::unique_ptr<TTaskListView> view;
    if (withList) {
        model = std::make_unique<TTaskListModel>(tasks, nullptr);
        view = std::make_unique<TTaskListView>(nullptr);
        view->setModel(model.get());
        view->resize(519, 323);
        view->show();
    }
    const auto settle = [&] {
        if (withList) {
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        }
    };
    std::vector<std::string> names;
    for (int i = 0; i < size; ++i)
        names.push_back("/bench/list/file" + std::to_string(i) + ".avi");
    tasks.AddFiles(names, ".mp4");
    settle();
    std::mt19937 random(1);
    OperationCosts total;
    const auto timed = [&](double& sum, const std::function<void()>& change) {
        const auto begin = Clock::now();
        change();
        settle();
        sum += std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
    };
    for (int r = 0; r < reps; ++r) {
        const std::string path = "/bench/list/extra" + std::to_string(r) + ".avi";
        timed(total.Add, [&] { tasks.AddFiles({path}, ".mp4"); });
        const int row = static_cast<int>(random() % static_cast<unsigned>(tasks.Count()));
        timed(total.Remove, [&] { tasks.Remove({row}); });
        const int up = 1 + static_cast<int>(random() % static_cast<unsigned>(tasks.Count() - 1));
        timed(total.Move, [&] { tasks.MoveUp({up}); });
    }
    if (withList) model->Detach();
    return {total.Add / reps, total.Remove / reps, total.Move / reps};
}

// The costs with 10, 10,000 and (the queue alone) 100,000 tasks, and their
// ratios. A step that scanned the list would cost 1,000 times as much with
// 10,000 tasks as with 10; what grows here is the memory's own (a larger
// list no longer fits the processor's caches) and, with the list shown, the
// view's: it lays all its rows out again after an insertion or a removal.
void PrintCosts(const char* what, bool withList) {
    const int reps = withList ? 300 : 20000;
    std::vector<int> sizes{10, 10000};
    if (!withList) sizes.push_back(100000);
    std::vector<OperationCosts> costs;
    std::printf("  %s:", what);
    for (int size : sizes) {
        costs.push_back(QueueCosts(size, reps, withList));
        std::printf("  %d tasks %.2f / %.2f / %.2f us", size, costs.back().Add, costs.back().Remove,
                    costs.back().Move);
    }
    std::printf("\n    ratios:");
    for (size_t i = 1; i < sizes.size(); ++i)
        std::printf(" %d / %d tasks %.1f / %.1f / %.1f;", sizes[i], sizes[i - 1],
                    costs[i].Add / costs[i - 1].Add, costs[i].Remove / costs[i - 1].Remove,
                    costs[i].Move / costs[i - 1].Move);
    std::printf(" (a scan of the list: %d%s)\n", sizes[1] / sizes[0], withList ? "" : " and 10");
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
    // Links to the clips for the start-up: a folder of 10,000.
    constexpr int Named = 10000;
    fs::create_directories(work / "many");
    std::vector<std::string> many;
    for (int i = 0; i < Named; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "link%05d.avi", i);
        fs::create_hard_link(originals[static_cast<size_t>(i % 3)], work / "many" / name);
        many.push_back((work / "many" / name).string());
    }
    const unsigned cores = ProbePool::DefaultWorkers();
    std::printf("%d files (copies of 3 clips of 5 s, 320x240), %u cores, %d rounds\n", fileCount,
                cores, rounds);

    // (a) Start-up to the window on screen.
    const auto startUp = [&](const char* what, const std::vector<std::string>& args) {
        std::vector<double> ms;
        for (int r = 0; r < rounds; ++r)
            ms.push_back(StartUpMs(programDir / "tarvolin", args));
        std::sort(ms.begin(), ms.end());
        std::printf("window shown with %s: median %6.0f ms, worst %6.0f ms (target <= 300 ms)\n",
                    what, ms[ms.size() / 2], ms.back());
    };
    for (int named : {0, 100, 1000, Named}) {
        const std::string what = std::to_string(named) + " files named";
        startUp(what.c_str(), std::vector<std::string>(many.begin(), many.begin() + named));
    }
    startUp("a folder of 10000 named", {(work / "many").string()});

    // (c) One task added, removed, moved.
    std::printf("one task added / removed / moved (a random row), mean of each:\n");
    PrintCosts("the task queue", false);
    PrintCosts("with the list shown", true);

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
