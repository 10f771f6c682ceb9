#include "cli/Run.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "cli/Display.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/ProfileChoice.h"
#include "config/Locations.h"
#include "config/Preferences.h"
#include "engine/BatchDriver.h"
#include "engine/Invocation.h"
#include "engine/ProbePool.h"
#include "engine/TaskLog.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/QuitRequests.h"
#include "tasks/OutputSheet.h"
#include "tasks/TaskList.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A message on standard error, in one line.
void Say(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "tarvolin-cli: %s\n", text.c_str());
    std::fflush(stderr);
}

int UsageError(const std::string& problem) {
    Say(problem);
    return ExitUsage;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// What the batch would show in a message box (an encoder that cannot start)
// is said on standard error; nothing waits for an answer.
struct ErrorLines : Prompter {
    MsgResult Message(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
        Say(text);
        return MsgResult::Ok;
    }
};
// The completion actions are switched off in the driver; should one be
// reached all the same, these do nothing: no folder opens, the machine stays
// on, a countdown is always cancelled.
struct NoShell : ShellActions {
    void Open(const std::string&) override {}
};
struct NoPower : PowerControl {
    void PowerOff() override {}
};
struct NoCountdown : CountdownPrompter {
    bool ConfirmCountdown(CompletionAction, int, const std::string&) override { return false; }
};

// Where the profiles are listed from: the user's, or, for an installed
// program whose user has none yet, the shipped ones, read where they lie
// (nothing is copied).
std::string CatalogueDir(const Locations& where) {
    if (!where.Installed || !ScanProfiles(where.ProfilesDir).empty()) return where.ProfilesDir;
    return where.ShippedProfilesDir;
}

// Probes every task as the window does, several at once, on the pool's
// threads; the results are handed to the queue on the caller's thread.
// Destroyed, it ends the probes still running.
class Probes {
public:
    Probes(TaskQueue& tasks, const std::string& encoderPath)
        : FTasks(tasks),
          FPool(ProbePool::EncoderProbers(encoderPath),
                [this](std::uint64_t id, const std::string&, const ProbeResult& result) {
                    std::lock_guard<std::mutex> hold(FLock);
                    FResults.emplace_back(id, result);
                    FArrived.notify_one();
                }) {
        for (TaskId id : tasks.Ids())
            FPool.Submit(id, tasks.Find(id)->InputFile);
    }

    // Applies the results that have arrived, waiting up to wait for one;
    // returns how many.
    size_t Apply(std::chrono::milliseconds wait = 0ms) {
        std::vector<std::pair<TaskId, ProbeResult>> got;
        {
            std::unique_lock<std::mutex> hold(FLock);
            FArrived.wait_for(hold, wait, [&] { return !FResults.empty(); });
            got.swap(FResults);
        }
        for (const auto& [id, result] : got)
            FTasks.ApplyProbe(id, result);
        return got.size();
    }

    // Waits for every probe. false when a quit request came first.
    bool ApplyAll(const std::atomic<int>& quits) {
        for (size_t applied = 0; applied < static_cast<size_t>(FTasks.Count());) {
            applied += Apply(50ms);
            if (quits > 0) return false;
        }
        return true;
    }

private:
    TaskQueue& FTasks;
    std::mutex FLock;
    std::condition_variable FArrived;
    std::vector<std::pair<TaskId, ProbeResult>> FResults;
    // Last: its workers end before what they hand results to.
    ProbePool FPool;
};

// --dry-run: each task's output path and encoder command line, as a batch
// would compose them; no file is made.
void PrintPlan(const TaskQueue& tasks, const BatchSettings& settings, const std::string& arguments,
               const std::string& encoderPath, bool json) {
    std::vector<std::string> written;
    const OutputNaming naming{settings.OutputDir, settings.OutputExtension,
                              settings.General.Overwrite, &written};
    for (int i = 0; i < tasks.Count(); ++i) {
        const ltvItemData task = RecordOf(tasks.At(i));
        const std::string output = OutputPath(task, i, naming);
        written.push_back(output);
        const CommandLine command = EncoderCommandLine(task, arguments, output);
        if (json) {
            std::string words;
            for (const std::string& word : command.Args)
                words += (words.empty() ? "" : ",") + JsonString(word);
            Print("{\"event\":\"plan\",\"input\":" + JsonString(task.InputFile) +
                  ",\"output\":" + JsonString(output) + ",\"encoder\":" + JsonString(encoderPath) +
                  ",\"arguments\":[" + words + "]}\n");
        } else {
            Print(task.InputFile + " -> " + output + "\n  " +
                  ShellCommandText(encoderPath, command) + "\n");
        }
    }
}

// The batch through the core's driver, its pump a plain loop: quit
// requests, the one-second timer, the display.
struct BatchRun {
    TaskQueue& Tasks;
    CliDisplay& Display;
    const BatchSettings& Settings;
    const std::atomic<int>& Quits;
    // The probes still running while the batch converts; null when every
    // task was probed first.
    Probes* Probing;
    ErrorLines Prompt;
    NoShell Shell;
    NoPower Power;
    NoCountdown Countdown;
    TaskLog Log;
    EncoderRunSet Encoders;
    std::unique_ptr<BatchDriver> Driver;
    int QuitsHandled = 0;
    Clock::time_point LastTick{};

    BatchRun(TaskQueue& tasks, CliDisplay& display, const BatchSettings& settings,
             const std::atomic<int>& quits, const Locations& where, Probes* probing)
        : Tasks(tasks), Display(display), Settings(settings), Quits(quits), Probing(probing),
          Log(tasks, where.LogsDir), Encoders(where.EncoderPath) {
        BatchServices s;
        s.Tasks = &Tasks;
        s.Observer = &Display;
        s.Settings = &Settings;
        s.ProgramTitle = "tarvolin-cli";
        s.Prompt = &Prompt;
        s.Shell = &Shell;
        s.Power = &Power;
        s.Countdown = &Countdown;
        s.Encoder = &Encoders;
        s.Log = &Log;
        s.Pump = [this] { Pump(); };
        s.CompletionActions = false;
        s.StartWhileProbing = Probing != nullptr;
        Driver = std::make_unique<BatchDriver>(std::move(s));
    }

    void Pump() {
        // The first request stops the batch as Stop does (the encoders
        // finish their files); the next ends the encoders at once.
        const int quits = Quits;
        if (quits > QuitsHandled) {
            if (QuitsHandled == 0 && quits == 1)
                Driver->tbtnStopClick();
            else
                Driver->EndAtOnce();
            QuitsHandled = quits;
        }
        if (Probing) Probing->Apply();
        const auto now = Clock::now();
        if (!Driver->Snapshot().TimerRunning) {
            LastTick = now;
        } else if (now - LastTick >= 1s) {
            LastTick += 1s;
            Driver->timerTimeTimer();
        }
        Display.Tick();
    }
};

} // namespace

int RunCommandLine(const std::vector<std::string>& args, const std::string& programDir) {
    const auto started = Clock::now();
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.Error.empty()) return UsageError(parsed.Error);
    const CliOptions& o = parsed.Options;
    if (o.Help) {
        Print(HelpText());
        return ExitAllComplete;
    }
    if (o.Version) {
        Print(VersionText());
        return ExitAllComplete;
    }

    // The window's places; nothing is made or copied there.
    const Locations where = FindLocations(programDir);
    const std::string profilesDir = CatalogueDir(where);
    const std::vector<CatalogueEntry> catalogue = ScanProfiles(profilesDir);
    std::vector<std::string> names;
    for (const CatalogueEntry& entry : catalogue)
        names.push_back(entry.Name);
    if (o.ListProfiles) {
        for (const std::string& name : names)
            Print(name + "\n");
        if (!o.ShowProfile) return ExitAllComplete;
    }

    // The window's settings, read without writing the file back.
    const PreferencesFile prefs(where.PreferencesFile, where.DefaultOutputDir, IniAccess::ReadOnly);
    GeneralPreferences general;
    general.OutputPath = where.DefaultOutputDir;
    MainWindowPreferences window;
    window.OutputPath = where.DefaultOutputDir;
    try {
        general = prefs.ReadGeneral();
        window = prefs.ReadMainWindow(names);
    } catch (const std::exception& e) {
        Say(std::string(e.what()) + " The settings' defaults are used.");
    }

    // The profile: named, else the window's last, else the first.
    ChosenProfile chosen;
    const std::string wanted = o.ShowProfile ? *o.ShowProfile : o.Profile;
    if (!wanted.empty()) {
        chosen = ChooseProfile(wanted, profilesDir, catalogue);
        if (!chosen.Error.empty()) return UsageError(chosen.Error);
    } else if (catalogue.empty()) {
        return UsageError("there is no profile in \"" + profilesDir +
                          "\"; name a .apf file with --profile");
    } else {
        const int index = window.ProfileRead && window.ProfileIndex >= 0 &&
                                  window.ProfileIndex < static_cast<int>(catalogue.size())
                              ? window.ProfileIndex
                              : 0;
        chosen.Name = catalogue[static_cast<size_t>(index)].Name;
        chosen.Path = ProfilePath(profilesDir, catalogue, chosen.Name);
    }
    ParamSheet video, audio, advanced;
    const SheetSet sheets{&video, &audio, &advanced};
    std::string extension;
    std::string arguments;
    try {
        LoadProfile(chosen.Path, sheets, &extension, IniAccess::ReadOnly);
        if (extension.empty()) return UsageError("the profile \"" + chosen.Path + "\" is gone");
        for (const auto& [caption, value] : o.Sets) {
            const std::string problem = SetSheetRow(sheets, caption, value);
            if (!problem.empty()) return UsageError(problem);
        }
        // Refused now rather than after the probes: a pick-list choice
        // without an encoder value.
        arguments = BuildProfileArguments(chosen.Path, sheets, IniAccess::ReadOnly);
    } catch (const std::exception& e) {
        return UsageError("the profile \"" + chosen.Name + "\" cannot be used: " + e.what());
    }
    if (o.ShowProfile) {
        Print(chosen.Name + " (" + chosen.Path + "), output type " + extension + "\n" +
              ProfileRowsText(sheets));
        return ExitAllComplete;
    }

    const std::string outputDir = o.OutputDir ? *o.OutputDir : window.OutputPath;
    if (!DirectoryExists(outputDir))
        return UsageError("the output folder \"" + outputDir + "\" does not exist");

    // From here on Ctrl+C (and SIGTERM, SIGHUP) are the run's to handle.
    std::atomic<int> quits{0};
    QuitRequests watcher([&quits] { ++quits; });

    // The inputs, taken as the window takes them from its command line.
    const IntakeFiles taken = TakeFiles(o.Inputs, CommandLineAction);
    for (const std::string& path : taken.NotTaken)
        if (!path.empty())
            Say("not taken: " + path + " (not a file of a type converted, or not found)");
    std::vector<std::string> inputs;
    for (const std::string& path : taken.Files)
        inputs.push_back(IntakePath(path));
    TaskQueue tasks;
    tasks.AddFiles(inputs, extension);
    if (tasks.Count() == 0) return UsageError("no input taken");
    if ((o.Name || o.Start || o.End) && tasks.Count() > 1)
        return UsageError("--name, --start and --end need a single input; " +
                          std::to_string(tasks.Count()) + " were taken");

    const DisplayMode mode = o.Json                         ? DisplayMode::Json
                             : IsRedrawableTerminal(stdout) ? DisplayMode::Terminal
                                                            : DisplayMode::Lines;
    CliDisplay display(tasks, mode, o.Quiet, stdout, TerminalColumns(stdout));
    // Interrupted before the batch: every task is reported as Stop, with the
    // summary, as after a stopped batch.
    const auto interrupted = [&] {
        display.ReportRest();
        display.Summary(std::chrono::duration<double>(Clock::now() - started).count(), {});
        return ExitInterrupted;
    };
    // A single input given its name or times is probed first: they are
    // judged against its length. Otherwise the batch starts at once and
    // each task waits for its own probe.
    const bool probeFirst = o.DryRun || o.Name || o.Start || o.End;
    Probes probes(tasks, where.EncoderPath);
    if (probeFirst && !probes.ApplyAll(quits)) return interrupted();
    if (o.Name || o.Start || o.End) {
        // As typed into the Output sheet of the one task.
        ltvItemData task;
        GetTaskData(tasks, 0, tfAll, task);
        std::string name = o.Name.value_or(task.NewFileName + task.NewFileExt);
        if (o.Name && LowerAscii(ExtractFileExt(name)) != LowerAscii(extension)) name += extension;
        const OutputSheetValues typed{name, o.Start.value_or(task.StartTime),
                                      o.End.value_or(task.EndTime)};
        const std::string problems = OutputTimeProblems(typed, task);
        if (!problems.empty()) return UsageError(problems);
        vleOutputValidate(tasks, 0, typed);
    }

    BatchSettings settings;
    settings.OutputDir = AbsolutePath(outputDir);
    settings.OutputExtension = extension;
    settings.ProfileFile = chosen.Path;
    settings.ProfileAccess = IniAccess::ReadOnly;
    settings.Sheets = sheets;
    settings.General = general;
    if (o.Jobs) settings.General.SimultaneousConversions = *o.Jobs;
    if (o.Overwrite) settings.General.Overwrite = *o.Overwrite;
    settings.General.AutoOpenDir = settings.General.AutoExit = settings.General.AutoTurnOff = false;

    if (o.DryRun) {
        PrintPlan(tasks, settings, arguments, where.EncoderPath, o.Json);
        return ExitAllComplete;
    }
    if (quits > 0) return interrupted();

    tasks.SetListener(&display);
    BatchRun batch(tasks, display, settings, quits, where, probeFirst ? nullptr : &probes);
    const StartOutcome outcome = batch.Driver->tbtnStartClick();
    display.ReportRest();
    display.Summary(std::chrono::duration<double>(Clock::now() - started).count(),
                    batch.Log.LastBatchFile());
    tasks.SetListener(nullptr);

    if (outcome == StartOutcome::NoOutputDir || outcome == StartOutcome::ProfileRefused)
        return ExitUsage;
    if (quits > 0) return ExitInterrupted;
    const StatusCounts& counts = display.Counts();
    return counts.Complete == tasks.Count() ? ExitAllComplete : ExitSomeFailed;
}
