#include "engine/BatchDriver.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "base/TimeText.h"
#include "engine/Invocation.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "profiles/Profile.h"
#include "tasks/Probe.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <thread>
#include <utility>

namespace {

// A task whose clip length is not a time (its probe found nothing) counts as
// empty, so that it cannot pull the batch total below what is left to do.
double ClipSeconds(const ltvItemData& task) {
    return std::max(0.0, task.ClipLengthSec);
}

std::string FailureText(const RunOutcome& outcome) {
    if (!outcome.LastErrorLine.empty()) return outcome.LastErrorLine;
    if (outcome.TimedOut) return "The encoder did not finish in time.";
    if (outcome.Signal > 0)
        return "The encoder was ended by signal " + std::to_string(outcome.Signal) + ".";
    const std::string code = ExitCodeText(outcome.ExitCode);
    if (!code.empty()) return "The encoder ended with exit code " + code + ".";
    return "The encoder ended abnormally.";
}

// Whether an encoder that reports success wrote clearly less than the clip
// it was asked for: an input cut short ends the output early, and ffmpeg
// still exits with 0. The last reading falls short of the clip's end by up to
// a frame and by the rounding of the reported times, more with variable
// frame rates; a second and 2 % of the clip cover that. Without a reading
// (an encoder that prints no progress) nothing can be told.
bool FallsShort(double reading, double asked) {
    if (asked <= 0 || reading < 0) return false;
    return reading < asked - (1.0 + 0.02 * asked);
}

// Whether the output keeps the input's picture and its sound: the profile
// may leave either out, and an output type made for sound holds no picture.
struct KeptStreams {
    bool Video = true;
    bool Audio = true;
};

KeptStreams StreamsKept(std::string_view profileArguments, const std::string& output) {
    static const char* const soundTypes[] = {".mp3",  ".m4a", ".wma", ".aac",  ".ac3",
                                             ".flac", ".wav", ".mka", ".opus", ".oga",
                                             ".amr",  ".mp2", ".aiff"};
    KeptStreams keeps;
    for (const std::string& word : SplitWindowsArguments(profileArguments)) {
        if (word == "-vn") keeps.Video = false;
        if (word == "-an") keeps.Audio = false;
    }
    const std::string type = LowerAscii(ExtractFileExt(output));
    for (const char* sound : soundTypes)
        if (type == sound) keeps.Video = false;
    return keeps;
}

// The seconds of output a task can give: its clip, but never beyond the end
// of the input's streams that the output keeps (or of the whole input when
// their lengths are unknown). An End Time past the input, or a sound track
// shorter than the picture when only the sound is kept, ends the output
// early, and rightly.
double ObtainableSeconds(const ltvItemData& task, const KeptStreams& keeps) {
    if (task.StartSec < 0 || task.ClipLengthSec < 0) return task.ClipLengthSec;
    double inputEnd = KeptStreamsEnd(task.StreamLengths, keeps.Video, keeps.Audio);
    if (inputEnd < 0) inputEnd = task.LengthSec;
    double end = task.StartSec + task.ClipLengthSec;
    if (inputEnd >= 0) end = std::min(end, inputEnd);
    return end - task.StartSec;
}

} // namespace

// What one task's encoder run leaves for judging it.
struct BatchDriver::TaskRun {
    std::string Output; // the output path; empty when the task was not started
    // The temporary file the encoder writes; renamed to Output once it has
    // ended, by the naming it was composed with.
    std::string Part;
    OutputNaming Naming;
    KeptStreams Keeps;  // the input's kinds of stream the output keeps
    RunOutcome Outcome; // not started when a Stop came first
};

// A task whose encoder runs.
struct BatchDriver::ActiveTask {
    TaskId Id = 0;
    int Position = 0; // in the batch: the list's row when it began
    ltvItemData Task; // as read when it was prepared
    TaskRun Run;
    ProgressParser Parser;
    int RunId = 0;
};

BatchDriver::BatchDriver(BatchServices services) : FServices(std::move(services)) {}

BatchDriver::~BatchDriver() = default;

StartOutcome BatchDriver::imgStartClick() {
    if (FServices.Tasks->Count() == 0) return StartOutcome::NothingToDo;
    return tbtnStartClick();
}

StartOutcome BatchDriver::tbtnStartClick() {
    // The start image is hidden while a batch runs; the menu and the keyboard
    // must not start a second batch inside the first one either.
    if (FNow.State != ConvertState::Idle) return StartOutcome::Busy;
    if (!FServices.StartWhileProbing) {
        const std::string refusal = FServices.Tasks->StartRefusal();
        if (!refusal.empty()) {
            FServices.Prompt->Message(refusal, FServices.ProgramTitle, MsgIcon::Information);
            return StartOutcome::StillProbing;
        }
    }
    if (!DirectoryExists(FServices.Settings->OutputDir)) {
        FServices.Prompt->Message("The output path does not exist. Please specify another one.",
                                  "Output path does not exist", MsgIcon::Information);
        return StartOutcome::NoOutputDir;
    }
    if (FServices.Tasks->Count() == 0) return StartOutcome::NothingToDo;
    SetBusy(true);
    std::string arguments;
    try {
        arguments =
            BuildProfileArguments(FServices.Settings->ProfileFile, FServices.Settings->Sheets,
                                  FServices.Settings->ProfileAccess);
    } catch (const std::exception& e) {
        // The profile is refused (a pick-list choice without an encoder
        // value, a file that cannot be rewritten): nothing is converted.
        FServices.Prompt->Message(e.what(), FServices.ProgramTitle, MsgIcon::Error);
        SetBusy(false);
        return StartOutcome::ProfileRefused;
    }
    ConvertTasks(arguments);
    SetBusy(false);
    return StartOutcome::Converted;
}

void BatchDriver::tbtnStopClick() {
    if (FNow.State != ConvertState::Running) return;
    RequestStop();
}

void BatchDriver::Pause() {
    if (FNow.State != ConvertState::Running || !FNow.Converting || FNow.Paused) return;
    FServices.Encoder->Suspend();
    FNow.Paused = true;
    // Straight into the queue: a pause is no new run for the tasks' logs.
    for (const auto& active : FActive)
        FServices.Tasks->SetState(active->Id, TaskState::Paused);
    SetTimerRunning(false);
}

void BatchDriver::Resume() {
    if (!FNow.Paused) return;
    FServices.Encoder->Resume();
    FNow.Paused = false;
    for (const auto& active : FActive)
        FServices.Tasks->SetState(active->Id, TaskState::Converting);
    SetTimerRunning(FNow.Converting);
}

void BatchDriver::tbtnPauseClick() {
    if (FNow.Paused)
        Resume();
    else
        Pause();
}

void BatchDriver::SetStopAfterCurrent(bool on) {
    if (FNow.State != ConvertState::Running || !FNow.Converting || FNow.StopAfterCurrent == on)
        return;
    FNow.StopAfterCurrent = on;
    const GeneralPreferences& general = FServices.Settings->General;
    FNow.Then = on ? "Then: stop after the current tasks"
                   : CompletionNote(general.AutoTurnOff, general.AutoExit);
    Publish();
}

void BatchDriver::tbtnStopAfterClick() {
    SetStopAfterCurrent(!FNow.StopAfterCurrent);
}

bool BatchDriver::CloseRequested() {
    if (FNow.State == ConvertState::Idle) return false;
    FCloseRequested = true;
    if (FNow.State == ConvertState::Running) RequestStop();
    return true;
}

void BatchDriver::EndAtOnce() {
    if (!CloseRequested()) return;
    FServices.Encoder->KillEncoder();
}

bool BatchDriver::InterruptForExit() {
    if (FNow.State == ConvertState::Idle) return false;
    FInterrupting = true;
    EndAtOnce();
    return true;
}

void BatchDriver::timerTimeTimer() {
    // A tick already on its way when the batch was paused does not count.
    if (FNow.Paused) return;
    ++FNow.ElapsedSeconds;
    FNow.ElapsedText = SecondsToTime(FNow.ElapsedSeconds);
    const int p = FNow.Bars.Total;
    if (p != 0)
        FNow.RemainingSeconds = static_cast<int>(
            RoundHalfEven(FNow.ElapsedSeconds / (p / 100.0) - FNow.ElapsedSeconds));
    FNow.RemainingText = SecondsToTime(FNow.RemainingSeconds);
    Publish();
}

void BatchDriver::Publish() {
    FNow.Running.clear();
    for (const auto& active : FActive)
        FNow.Running.push_back(RunningTask{active->Id, ExtractFileName(active->Task.InputFile),
                                           active->Parser.Position()});
    if (FServices.Observer) FServices.Observer->BatchChanged(FNow);
}

void BatchDriver::SetBusy(bool busy) {
    FNow.Busy = busy;
    Publish();
}

void BatchDriver::SetTimerRunning(bool running) {
    FNow.TimerRunning = running;
    Publish();
}

void BatchDriver::SetState(TaskId id, TaskState state, std::string reason) {
    FServices.Tasks->SetState(id, state, std::move(reason));
    if (FServices.Log) FServices.Log->TaskStatus(id, state);
}

void BatchDriver::EndBatchLog() {
    if (FServices.Log) FServices.Log->BatchEnded();
}

void BatchDriver::EndBatchDisplay() {
    FNow.ProgressShown = false;
    FNow.State = ConvertState::Idle;
    FNow.Converting = false;
    FNow.Paused = false;
    FNow.StopAfterCurrent = false;
    Publish();
}

void BatchDriver::ConvertTasks(const std::string& profileArguments) {
    FCloseRequested = false;
    FInterrupting = false;
    try {
        RunLoop(profileArguments);
    } catch (const std::exception& e) {
        // An error nothing above handles (a file that cannot be touched):
        // the batch ends as after a failed start, and the error is shown.
        FServices.Encoder->Abandon();
        std::string ignored;
        for (const auto& active : FActive)
            SettleOutput(*active, false, ignored);
        FActive.clear();
        ReleaseAwake();
        SetTimerRunning(false);
        EndBatchDisplay();
        FServices.Prompt->Message(e.what(), FServices.ProgramTitle, MsgIcon::Error);
    }
    // A batch that was stopped or could not go on is logged here.
    EndBatchLog();
    // The window closes last, once the driver is idle again: its close
    // handler then finds no batch and lets the program end.
    const bool closeWindow = FCloseRequested;
    FCloseRequested = false;
    if (closeWindow && FServices.CloseMainWindow) FServices.CloseMainWindow();
}

void BatchDriver::RunLoop(const std::string& profileArguments) {
    // The list cannot change while the batch runs (the window disables it):
    // the batch is its tasks at the start, in list order.
    FBatch = FServices.Tasks->Ids();
    const int count = static_cast<int>(FBatch.size());
    BeginBatch();
    const size_t slots =
        static_cast<size_t>(std::max(1, FServices.Settings->General.SimultaneousConversions));
    int next = 0;
    std::string startError;
    // Tasks start in list order as slots free up; with one slot this is one
    // task after the other. A task still probed holds back the tasks after
    // it until its probe ends.
    // Paused, or to stop after the running tasks, none starts.
    for (;;) {
        while (FNow.State == ConvertState::Running && !FNow.Paused && !FNow.StopAfterCurrent &&
               next < count && FActive.size() < slots && !WaitsForProbe(next))
            if (!StartNextTask(next++, profileArguments, startError)) break;
        if (FActive.empty()) {
            if (WaitWhilePaused(next < count) || WaitForProbe(next)) continue;
            break;
        }
        PumpMessages();
        for (RunningEncoders::Ended& ended : FServices.Encoder->Poll(SliceMs))
            EndTask(ended, next >= count || FNow.StopAfterCurrent);
    }
    // Nothing runs any more: neither Pause nor a stop after the current
    // tasks applies from here on.
    FNow.Converting = false;
    if (FNow.Paused) {
        FNow.Paused = false;
        FServices.Encoder->Resume();
    }
    Publish();
    // The tasks are over; what follows may wait for the user.
    ReleaseAwake();
    if (!startError.empty())
        EndAfterFailedStart(startError);
    else if (FNow.State == ConvertState::StopRequested)
        StopBatch();
    else if (FNow.State == ConvertState::Running) {
        // Written before the completion actions, which may end the program.
        EndBatchLog();
        if (!FServices.CompletionActions) {
            SetTimerRunning(false);
            EndBatchDisplay();
        } else if (FNow.StopAfterCurrent) {
            EndAfterCurrentTasks(count);
        } else {
            CompleteBatch(count);
        }
    }
}

bool BatchDriver::WaitWhilePaused(bool tasksLeft) {
    if (!FNow.Paused || FNow.State != ConvertState::Running || FNow.StopAfterCurrent || !tasksLeft)
        return false;
    PumpMessages();
    // No encoder to wait for: the front end's work alone, at its pace.
    std::this_thread::sleep_for(std::chrono::milliseconds(SliceMs));
    return true;
}

bool BatchDriver::WaitsForProbe(int position) const {
    if (position >= static_cast<int>(FBatch.size())) return false;
    const Task* task = FServices.Tasks->Find(FBatch[static_cast<size_t>(position)]);
    return task && task->State == TaskState::Probing;
}

bool BatchDriver::WaitForProbe(int next) {
    if (FNow.State != ConvertState::Running || FNow.StopAfterCurrent || !WaitsForProbe(next))
        return false;
    PumpMessages();
    // A probe takes a few tens of milliseconds: the task starts soon after
    // its probe has ended.
    if (WaitsForProbe(next)) std::this_thread::sleep_for(std::chrono::milliseconds(SliceMs / 4));
    return true;
}

void BatchDriver::PumpMessages() {
    if (FServices.Pump) FServices.Pump();
    CountProbedLengths();
}

void BatchDriver::CountProbedLengths() {
    if (FUnprobed.empty()) return;
    const double before = FTotal;
    std::erase_if(FUnprobed, [this](TaskId id) {
        const Task* task = FServices.Tasks->Find(id);
        if (task && task->State == TaskState::Probing) return false;
        if (task) FTotal += ClipSeconds(RecordOf(*task));
        return true;
    });
    if (FTotal == before) return;
    if (FTotal > 0) FNow.Bars.Total = TotalPosition();
    Publish();
}

void BatchDriver::BeginBatch() {
    FNow.State = ConvertState::Running;
    FNow.ProgressShown = true;
    FNow.TimerRunning = true;
    FNow.Converting = true;
    FNow.Paused = false;
    FNow.StopAfterCurrent = false;
    FNow.ConvertingFile.clear();
    FNow.ElapsedText.clear();
    FNow.RemainingText.clear();
    FNow.Bars = ProgressBars{};
    FNow.ElapsedSeconds = 0;
    FNow.RemainingSeconds = 0;
    FNow.TasksDone = 0;
    FNow.TasksTotal = static_cast<int>(FBatch.size());
    // What follows the batch, read as it starts (the settings cannot change
    // while it runs).
    const BatchSettings& settings = *FServices.Settings;
    FNow.Then = FServices.CompletionActions
                    ? CompletionNote(settings.General.AutoTurnOff, settings.General.AutoExit)
                    : std::string();

    FDone = 0;
    FTotal = 0;
    FFailed = 0;
    FIncomplete = 0;
    FConverted = 0;
    FWritten.clear();
    if (FServices.Log) FServices.Log->BatchBegun();
    FUnprobed.clear();
    for (TaskId id : FBatch) {
        const Task* task = FServices.Tasks->Find(id);
        if (task && task->State == TaskState::Probing)
            FUnprobed.push_back(id);
        else if (task)
            FTotal += ClipSeconds(RecordOf(*task));
    }
    // Never silently: a batch the computer may sleep through says so.
    FNow.SleepWarning.clear();
    if (FServices.Awake) {
        std::string problem;
        FAwake =
            FServices.Awake->Inhibit(KeepAwakeReason(static_cast<int>(FBatch.size())), problem);
        if (!FAwake) {
            FNow.SleepWarning = MaySleepWarning;
            if (FServices.Log)
                FServices.Log->BatchNote(std::string(MaySleepWarning) + ": " + problem);
        }
    }
    Publish();
}

void BatchDriver::ReleaseAwake() {
    FNow.SleepWarning.clear();
    if (FAwake) FServices.Awake->Release();
    FAwake = false;
}

bool BatchDriver::StartNextTask(int position, const std::string& profileArguments,
                                std::string& startError) {
    auto active = std::make_unique<ActiveTask>();
    active->Position = position;
    active->Id = FBatch[static_cast<size_t>(position)];
    if (!PrepareTask(*active)) return true;
    // A Stop (or a close) handled by the pump above concerns this task: it
    // is not started at all rather than converted to its end.
    if (FNow.State != ConvertState::Running) {
        SetState(active->Id, TaskState::Stopped);
        return true;
    }
    if (!StartTask(*active, profileArguments)) {
        startError = active->Run.Outcome.StartError;
        FServices.Tasks->SetPartFile(active->Id, "");
        SetState(active->Id, TaskState::Failed, startError);
        std::erase(FWritten, active->Run.Output);
        // The tasks already running are stopped; the batch ends once they
        // have.
        RequestStop();
        return false;
    }
    // A pause that came while it was prepared: it starts paused.
    if (FNow.Paused) FServices.Tasks->SetState(active->Id, TaskState::Paused);
    FActive.push_back(std::move(active));
    Publish();
    return true;
}

bool BatchDriver::PrepareTask(ActiveTask& active) {
    PumpMessages();
    const Task* task = FServices.Tasks->Find(active.Id);
    if (!task) return false;
    active.Task = RecordOf(*task);
    active.Parser.BeginTask(active.Task.ClipLengthSec, FDone, FTotal);
    SetState(active.Id, TaskState::Converting);
    if (FActive.empty()) {
        FNow.ConvertingFile = ExtractFileName(active.Task.InputFile);
        Publish();
    }
    return true;
}

bool BatchDriver::StartTask(ActiveTask& active, const std::string& profileArguments) {
    TaskRun& run = active.Run;
    const BatchSettings& settings = *FServices.Settings;
    run.Naming = OutputNaming{settings.OutputDir, settings.OutputExtension,
                              settings.General.Overwrite, &FWritten};
    run.Output = OutputPath(active.Task, active.Position, run.Naming);
    FWritten.push_back(run.Output);
    FServices.Tasks->SetOutput(active.Id, run.Output);
    // The encoder writes a temporary file: nothing broken ever has the
    // output's name, whatever becomes of the program.
    run.Part = PartFilePath(run.Output, active.Id);
    FServices.Tasks->SetPartFile(active.Id, run.Part);
    run.Keeps = StreamsKept(profileArguments, run.Output);
    const CommandLine command = EncoderCommandLine(active.Task, profileArguments, run.Part);
    if (FServices.Log) FServices.Log->TaskStarted(active.Id, run.Output, command.Text);
    ActiveTask* task = &active;
    const RunningEncoders::Start start = FServices.Encoder->StartRun(
        command, [this, task](std::string_view chunk) { ConsumeChunk(*task, chunk); });
    active.RunId = start.Id;
    run.Outcome.StartError = start.Error;
    return start.Started();
}

void BatchDriver::ConsumeChunk(ActiveTask& active, std::string_view chunk) {
    if (FServices.Log) FServices.Log->TaskOutput(active.Id, chunk);
    ProgressBars bars = FNow.Bars;
    if (!active.Parser.Consume(chunk, bars)) return;
    FServices.Tasks->SetProgress(active.Id, active.Parser.Position());
    // The current bar follows the oldest running task.
    if (&active == FActive.front().get()) FNow.Bars.Current = bars.Current;
    if (FTotal != 0) FNow.Bars.Total = TotalPosition();
    Publish();
}

int BatchDriver::TotalPosition() const {
    double seconds = FDone;
    for (const auto& active : FActive)
        seconds += active->Parser.Reading();
    return ProgressPosition(seconds / FTotal);
}

void BatchDriver::EndTask(RunningEncoders::Ended& ended, bool noneLeft) {
    auto it = std::find_if(FActive.begin(), FActive.end(),
                           [&](const auto& active) { return active->RunId == ended.Id; });
    if (it == FActive.end()) return;
    const bool wasOldest = it == FActive.begin();
    std::unique_ptr<ActiveTask> active = std::move(*it);
    FActive.erase(it);
    active->Run.Outcome = std::move(ended.Outcome);
    ++FNow.TasksDone;
    std::string& errorLine = active->Run.Outcome.LastErrorLine;
    errorLine = WithPlainPaths(std::move(errorLine), {active->Task.InputFile, active->Run.Output});
    if (FNow.State == ConvertState::StopRequested) {
        std::string problem;
        if (FInterrupting) {
            // Converted again from the start at the next Start.
            SettleOutput(*active, false, problem);
            SetState(active->Id, TaskState::Interrupted, InterruptedReason);
            Publish();
            return;
        }
        // Marked Stopped when the stop came; what it wrote is kept, and its
        // reason says how much.
        const RunOutcome& outcome = active->Run.Outcome;
        std::string reason = "Stopped after " + SecondsToTime(std::max(0.0, outcome.LastReading)) +
                             " of " +
                             SecondsToTime(ObtainableSeconds(active->Task, active->Run.Keeps));
        // An encoder killed before it finished its file leaves no file
        // that plays: it never gets the output's name.
        if (outcome.Killed) {
            SettleOutput(*active, false, problem);
            reason += ". The encoder did not finish its file in time; the file was removed.";
        } else if (!SettleOutput(*active, true, problem)) {
            reason += " " + problem;
        }
        SetState(active->Id, TaskState::Stopped, reason);
        Publish();
        return;
    }
    const bool finished = JudgeTask(*active);
    FinishTask(finished, noneLeft && FActive.empty(), wasOldest);
}

void BatchDriver::EndAfterFailedStart(const std::string& error) {
    FServices.Prompt->Message(error, FServices.ProgramTitle, MsgIcon::None);
    SetTimerRunning(false);
    EndBatchDisplay();
}

void BatchDriver::RequestStop() {
    // Paused encoders go on first, so that they can finish their files.
    Resume();
    FNow.State = ConvertState::StopRequested;
    for (const auto& active : FActive)
        SetState(active->Id, TaskState::Stopped);
    // In the place of what would have followed the batch.
    if (!FActive.empty()) FNow.Then = "Stopping…";
    Publish();
    FServices.Encoder->TerminateEncoder();
}

void BatchDriver::StopBatch() {
    SetTimerRunning(false);
    // Closing the window stops the batch silently: the program ends.
    if (!FCloseRequested && FServices.CompletionActions)
        FServices.Prompt->Message("The Coversion is canceled.", "Cancel", MsgIcon::Information);
    EndBatchDisplay();
}

bool BatchDriver::SettleOutput(ActiveTask& active, bool keep, std::string& problem) {
    TaskRun& run = active.Run;
    FServices.Tasks->SetPartFile(active.Id, "");
    // An encoder may have written nothing at all.
    if (!FileStateOf(run.Part).Regular) return true;
    if (!keep) {
        RemoveFile(run.Part);
        return true;
    }
    std::string why;
    const std::string named =
        GiveFinalName(run.Part, run.Output, active.Task, active.Position, run.Naming, why);
    if (named.empty()) {
        problem = "The output could not be given its name \"" + run.Output + "\": " + why +
                  ". It was kept as \"" + run.Part + "\".";
        return false;
    }
    if (named != run.Output) {
        // Its name was taken meanwhile: the numbered one is the task's.
        std::replace(FWritten.begin(), FWritten.end(), run.Output, named);
        run.Output = named;
        FServices.Tasks->SetOutput(active.Id, named);
        if (TaskLogEntry* log = FServices.Tasks->LogOf(active.Id)) log->OutputFile = named;
    }
    return true;
}

bool BatchDriver::JudgeTask(ActiveTask& active) {
    const ltvItemData& task = active.Task;
    const RunOutcome& outcome = active.Run.Outcome;
    FDone += ClipSeconds(task);
    const double obtainable = ObtainableSeconds(task, active.Run.Keeps);
    std::string problem;
    if (outcome.Succeeded() && !SettleOutput(active, true, problem)) {
        ++FFailed;
        SetState(active.Id, TaskState::Failed, problem);
        return false;
    }
    if (outcome.Succeeded() && FallsShort(outcome.LastReading, obtainable)) {
        ++FFailed;
        ++FIncomplete;
        std::string reason = "Only " + SecondsToTime(outcome.LastReading) + " of " +
                             SecondsToTime(obtainable) + " was converted.";
        if (!outcome.LastErrorLine.empty()) reason += " " + outcome.LastErrorLine;
        SetState(active.Id, TaskState::Incomplete, reason);
        return false;
    }
    if (outcome.Succeeded()) {
        ++FConverted;
        SetState(active.Id, TaskState::Complete);
        return true;
    }
    ++FFailed;
    SettleOutput(active, false, problem);
    SetState(active.Id, TaskState::Failed, FailureText(outcome));
    std::erase(FWritten, active.Run.Output);
    return false;
}

void BatchDriver::FinishTask(bool finished, bool last, bool wasOldest) {
    if (wasOldest) {
        // The encoder's last reading usually falls short of the clip's end
        // (ffmpeg reports every quarter second), so a finished task would be
        // left showing 85 % next to "Complete": show what is really done.
        if (finished) FNow.Bars.Current = 100;
        // The current bar and the file name pass to the next oldest task.
        if (!last) FNow.Bars.Current = 0;
        if (!FActive.empty()) {
            const ActiveTask& oldest = *FActive.front();
            if (oldest.Task.ClipLengthSec != 0)
                FNow.Bars.Current =
                    ProgressPosition(oldest.Parser.Reading() / oldest.Task.ClipLengthSec);
            FNow.ConvertingFile = ExtractFileName(oldest.Task.InputFile);
        }
    }
    if (FTotal > 0) FNow.Bars.Total = TotalPosition();
    Publish();
}

void BatchDriver::CompleteBatch(int count) {
    SetTimerRunning(false);
    const BatchSettings& settings = *FServices.Settings;
    // Power-off wins when both are set; its countdown cancelled, the batch
    // ends as if neither were set and the window stays.
    const bool turnOff = settings.General.AutoTurnOff;
    const bool exit = !turnOff && settings.General.AutoExit;
    // Failures are never lost behind an exit: their count comes first and
    // waits for the user. A power-off must not wait for an answer (the user
    // may have left), so its countdown names the failures instead.
    const bool reported = exit && FFailed > 0;
    // Said before any message waits for the user; the countdown of a
    // power-off or an exit speaks for itself.
    if (FServices.Notify && !turnOff && !exit)
        FServices.Notify->BatchFinished(BatchFinishedText(count, FFailed));
    if (reported) ShowCompletionMessage(count);
    if (turnOff || exit) {
        const bool goOn = turnOff
                              ? CountdownGoesOn(CompletionAction::PowerOff,
                                                PowerOffCountdownSeconds, FailureSummary(count))
                              : CountdownGoesOn(CompletionAction::Exit, ExitCountdownSeconds, "");
        if (goOn || FCloseRequested) {
            FNow.State = ConvertState::Idle;
            if (goOn && turnOff) FServices.Power->PowerOff();
            FCloseRequested = true;
            return;
        }
    }
    if (!reported) ShowCompletionMessage(count);
    // A close that came while the message was shown (a termination request
    // closes it) ends the program without opening anything.
    if (settings.General.AutoOpenDir && !FCloseRequested) FServices.Shell->Open(settings.OutputDir);
    EndBatchDisplay();
}

void BatchDriver::EndAfterCurrentTasks(int count) {
    SetTimerRunning(false);
    std::string text = "Stopped after the current tasks: " + std::to_string(FConverted) + " of " +
                       std::to_string(count) + " converted.";
    const std::string failures = FailureSummary(count);
    if (!failures.empty()) text += " " + failures;
    // Said for the tasks that ran, before the message waits for the user.
    if (FServices.Notify)
        FServices.Notify->BatchFinished(BatchFinishedText(FConverted + FFailed, FFailed));
    FServices.Prompt->Message(text, "Complete",
                              failures.empty() ? MsgIcon::Information : MsgIcon::Warning);
    const BatchSettings& settings = *FServices.Settings;
    if (settings.General.AutoOpenDir && !FCloseRequested) FServices.Shell->Open(settings.OutputDir);
    EndBatchDisplay();
}

std::string BatchDriver::FailureSummary(int count) const {
    if (FFailed == 0) return "";
    // Incomplete tasks count with the failed ones; the text says which kinds
    // there are.
    const char* what = FIncomplete == 0         ? " tasks failed."
                       : FIncomplete == FFailed ? " tasks is incomplete."
                                                : " tasks failed or is incomplete.";
    return "The conversion of " + std::to_string(FFailed) + " of " + std::to_string(count) + what;
}

void BatchDriver::ShowCompletionMessage(int count) {
    if (FFailed > 0)
        FServices.Prompt->Message(FailureSummary(count), "Complete", MsgIcon::Warning);
    else
        FServices.Prompt->Message("The coversion is completed successfully.", "Complete",
                                  MsgIcon::Information);
}

bool BatchDriver::CountdownGoesOn(CompletionAction action, int seconds, const std::string& note) {
    // A close that came while the message above was shown (a quit signal,
    // the session ending) ends the program without a countdown or power-off.
    if (FCloseRequested) return false;
    const bool goOn =
        !FServices.Countdown || FServices.Countdown->ConfirmCountdown(action, seconds, note);
    return goOn && !FCloseRequested;
}
