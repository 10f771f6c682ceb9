#include "engine/BatchDriver.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "base/TimeText.h"
#include "engine/Invocation.h"
#include "platform/FileSystem.h"
#include "profiles/Profile.h"
#include "tasks/Probe.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
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

// After a failed run: removes the output file when this run created it or
// changed it (a broken or empty file under the final name helps nobody); a
// file the encoder did not touch stays, and so does anything that is not a
// regular file.
void RemoveFailedOutput(const std::string& path, const FileState& before) {
    const FileState after = FileStateOf(path);
    if (!after.Regular) return;
    const bool touched =
        !before.Exists || !before.Regular || before.Size != after.Size || before.Time != after.Time;
    if (touched) RemoveFile(path);
}

} // namespace

BatchDriver::BatchDriver(BatchServices services) : S(std::move(services)) {}

BatchDriver::~BatchDriver() = default;

void BatchDriver::imgStartClick() {
    if (S.Rows->Count() == 0) return;
    tbtnStartClick();
}

void BatchDriver::tbtnStartClick() {
    // The start image is hidden while a batch runs; the menu and the keyboard
    // must not start a second batch inside the first one either.
    if (FState != ConvertState::Idle) return;
    S.View->FocusTaskList();
    if (!DirectoryExists(S.Settings->OutputDirText())) {
        S.Prompt->Message("The output path does not exist. Please specify another one.",
                          "Output path does not exist", MsgIcon::Information);
        S.View->FocusOutputDir();
        return;
    }
    if (S.Rows->Count() == 0) return;
    S.View->SetBusyControls();
    std::string arguments;
    try {
        arguments =
            BuildProfileArguments(S.Settings->ProfileFilePath(), S.Settings->ProfileSheets());
    } catch (const std::exception& e) {
        // The profile is refused (a pick-list choice without an encoder
        // value, a file that cannot be rewritten): nothing is converted.
        S.Prompt->Message(e.what(), S.Settings->ProgramTitle(), MsgIcon::Error);
        S.View->SetIdleControls();
        return;
    }
    ConvertTasks(arguments);
    S.View->SetIdleControls();
}

void BatchDriver::tbtnStopClick() {
    if (FState != ConvertState::Running) return;
    RequestStop();
}

bool BatchDriver::CloseRequested() {
    if (FState == ConvertState::Idle) return false;
    FCloseRequested = true;
    if (FState == ConvertState::Running) RequestStop();
    return true;
}

void BatchDriver::EndAtOnce() {
    if (!CloseRequested()) return;
    S.Encoder->KillEncoder();
}

void BatchDriver::timerTimeTimer() {
    ++FElapsedSeconds;
    S.View->SetElapsedText(SecondsToTime(FElapsedSeconds));
    const int p = FBars.Total;
    if (p != 0)
        FRemainingSeconds =
            static_cast<int>(RoundHalfEven(FElapsedSeconds / (p / 100.0) - FElapsedSeconds));
    S.View->SetRemainingText(SecondsToTime(FRemainingSeconds));
}

std::string BatchDriver::FailureReason(const std::string& inputFile) const {
    auto it = FFailureReasons.find(inputFile);
    return it == FFailureReasons.end() ? std::string() : it->second;
}

void BatchDriver::SetStatus(int index, ltvItemData& task, const char* status) {
    task.Status = status;
    SetTaskData(*S.Rows, index, tfStatus, task);
    if (S.Log) S.Log->TaskStatus(task.InputFile, task.Status);
}

void BatchDriver::EndBatchLog() {
    if (S.Log) S.Log->BatchEnded([this](const std::string& input) { return FailureReason(input); });
}

void BatchDriver::EndBatchDisplay() {
    S.View->ShowProgressPanel(false);
    FState = ConvertState::Idle;
}

void BatchDriver::ConvertTasks(const std::string& profileArguments) {
    FCloseRequested = false;
    try {
        RunLoop(profileArguments);
    } catch (const std::exception& e) {
        // An error nothing above handles (a file that cannot be touched):
        // the batch ends as after a failed start, and the error is shown.
        S.Encoder->Abandon();
        FActive.clear();
        S.View->SetTimerEnabled(false);
        EndBatchDisplay();
        S.Prompt->Message(e.what(), S.Settings->ProgramTitle(), MsgIcon::Error);
    }
    // A batch that was stopped or could not go on is logged here.
    EndBatchLog();
    // The window closes last, once the driver is idle again: its close
    // handler then finds no batch and lets the program end.
    const bool closeWindow = FCloseRequested;
    FCloseRequested = false;
    if (closeWindow && S.CloseMainWindow) S.CloseMainWindow();
}

// What one task's encoder run leaves for judging it.
struct BatchDriver::TaskRun {
    std::string Output; // the output path; empty when the task was not started
    FileState Before;   // the output file as it was before the run
    KeptStreams Keeps;  // the input's kinds of stream the output keeps
    RunOutcome Outcome; // not started when a Stop came first
};

// A task whose encoder runs.
struct BatchDriver::ActiveTask {
    int Index = 0;
    ltvItemData Task;
    TaskRun Run;
    ProgressParser Parser;
    int RunId = 0;
};

void BatchDriver::RunLoop(const std::string& profileArguments) {
    const int count = S.Rows->Count();
    BeginBatch(count);
    const size_t slots = static_cast<size_t>(std::max(1, S.Settings->SimultaneousConversions()));
    int next = 0;
    std::string startError;
    // Tasks start in list order as slots free up; with one slot this is one
    // task after the other.
    for (;;) {
        while (FState == ConvertState::Running && next < count && FActive.size() < slots)
            if (!StartNextTask(next++, profileArguments, startError)) break;
        if (FActive.empty()) break;
        if (S.Pump) S.Pump();
        for (RunningEncoders::Ended& ended : S.Encoder->Poll(SliceMs))
            EndTask(ended, next >= count);
    }
    if (!startError.empty())
        EndAfterFailedStart(startError);
    else if (FState == ConvertState::StopRequested)
        StopBatch();
    else if (FState == ConvertState::Running) {
        // Written before the completion actions, which may end the program.
        EndBatchLog();
        CompleteBatch(count);
    }
}

void BatchDriver::BeginBatch(int count) {
    S.View->SetConvertingFile("");
    S.View->SetElapsedText("");
    S.View->SetRemainingText("");
    FBars = ProgressBars{};
    S.View->ShowProgress(FBars);
    S.View->ShowProgressPanel(true);
    FState = ConvertState::Running;

    FDone = 0;
    FTotal = 0;
    FElapsedSeconds = 0;
    FRemainingSeconds = 0;
    FFailed = 0;
    FIncomplete = 0;
    FFailureReasons.clear();
    FWritten.clear();
    if (S.Log) S.Log->BatchBegun();
    S.View->SetTimerEnabled(true);

    ltvItemData task;
    for (int i = 0; i < count; ++i) {
        GetTaskData(*S.Rows, i, tfAll, task);
        FTotal += ClipSeconds(task);
    }
}

bool BatchDriver::StartNextTask(int index, const std::string& profileArguments,
                                std::string& startError) {
    auto active = std::make_unique<ActiveTask>();
    active->Index = index;
    PrepareTask(*active);
    // A Stop (or a close) handled by the pump above concerns this task: it
    // is not started at all rather than converted to its end.
    if (FState != ConvertState::Running) {
        SetStatus(index, active->Task, "Stop");
        return true;
    }
    if (!StartTask(*active, profileArguments)) {
        startError = active->Run.Outcome.StartError;
        SetStatus(index, active->Task, "Failed");
        FFailureReasons[active->Task.InputFile] = startError;
        std::erase(FWritten, active->Run.Output);
        // The tasks already running are stopped; the batch ends once they
        // have.
        RequestStop();
        return false;
    }
    FActive.push_back(std::move(active));
    return true;
}

void BatchDriver::PrepareTask(ActiveTask& active) {
    if (S.Pump) S.Pump();
    ltvItemData& task = active.Task;
    GetTaskData(*S.Rows, active.Index, tfAll, task);
    active.Parser.BeginTask(task.ClipLengthSec, FDone, FTotal);
    SetStatus(active.Index, task, "Converting");
    if (FActive.empty()) S.View->SetConvertingFile(ExtractFileName(task.InputFile));
}

bool BatchDriver::StartTask(ActiveTask& active, const std::string& profileArguments) {
    TaskRun& run = active.Run;
    const OutputNaming naming{S.Settings->OutputDirText(), S.Settings->OutputExtension(),
                              S.Settings->Overwrite(), &FWritten};
    run.Output = OutputPath(active.Task, active.Index, naming);
    FWritten.push_back(run.Output);
    run.Before = FileStateOf(run.Output);
    run.Keeps = StreamsKept(profileArguments, run.Output);
    const CommandLine command = EncoderCommandLine(active.Task, profileArguments, run.Output);
    if (S.Log) S.Log->TaskStarted(active.Task.InputFile, run.Output, command.Text);
    ActiveTask* task = &active;
    const RunningEncoders::Start start = S.Encoder->StartRun(
        command, [this, task](std::string_view chunk) { ConsumeChunk(*task, chunk); });
    active.RunId = start.Id;
    run.Outcome.StartError = start.Error;
    return start.Started();
}

void BatchDriver::ConsumeChunk(ActiveTask& active, std::string_view chunk) {
    if (S.Log) S.Log->TaskOutput(active.Task.InputFile, chunk);
    ProgressBars bars = FBars;
    if (!active.Parser.Consume(chunk, bars)) return;
    // The current bar follows the oldest running task.
    if (&active == FActive.front().get()) FBars.Current = bars.Current;
    if (FTotal != 0) FBars.Total = TotalPosition();
    S.View->ShowProgress(FBars);
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
    std::string& errorLine = active->Run.Outcome.LastErrorLine;
    errorLine = WithPlainPaths(std::move(errorLine), {active->Task.InputFile, active->Run.Output});
    if (FState == ConvertState::StopRequested) {
        // Marked "Stop" when the stop came; what it wrote is kept.
        const RunOutcome& outcome = active->Run.Outcome;
        FFailureReasons[active->Task.InputFile] =
            "Stopped after " + SecondsToTime(std::max(0.0, outcome.LastReading)) + " of " +
            SecondsToTime(ObtainableSeconds(active->Task, active->Run.Keeps));
        return;
    }
    const bool finished = JudgeTask(active->Index, active->Task, active->Run);
    FinishTask(finished, noneLeft && FActive.empty(), wasOldest);
}

void BatchDriver::EndAfterFailedStart(const std::string& error) {
    S.Prompt->Message(error, S.Settings->ProgramTitle(), MsgIcon::None);
    S.View->SetTimerEnabled(false);
    EndBatchDisplay();
}

void BatchDriver::RequestStop() {
    FState = ConvertState::StopRequested;
    for (const auto& active : FActive)
        SetStatus(active->Index, active->Task, "Stop");
    if (!FActive.empty()) S.View->ShowStopping();
    S.Encoder->TerminateEncoder();
}

void BatchDriver::StopBatch() {
    S.View->SetTimerEnabled(false);
    // Closing the window stops the batch silently: the program ends.
    if (!FCloseRequested)
        S.Prompt->Message("The Coversion is canceled.", "Cancel", MsgIcon::Information);
    EndBatchDisplay();
}

bool BatchDriver::JudgeTask(int index, ltvItemData& task, const TaskRun& run) {
    const RunOutcome& outcome = run.Outcome;
    FDone += ClipSeconds(task);
    const double obtainable = ObtainableSeconds(task, run.Keeps);
    if (outcome.Succeeded() && FallsShort(outcome.LastReading, obtainable)) {
        ++FFailed;
        ++FIncomplete;
        SetStatus(index, task, "Incomplete");
        std::string reason = "Only " + SecondsToTime(outcome.LastReading) + " of " +
                             SecondsToTime(obtainable) + " was converted.";
        if (!outcome.LastErrorLine.empty()) reason += " " + outcome.LastErrorLine;
        FFailureReasons[task.InputFile] = reason;
        return false;
    }
    if (outcome.Succeeded()) {
        SetStatus(index, task, "Complete");
        return true;
    }
    ++FFailed;
    SetStatus(index, task, "Failed");
    FFailureReasons[task.InputFile] = FailureText(outcome);
    RemoveFailedOutput(run.Output, run.Before);
    std::erase(FWritten, run.Output);
    return false;
}

void BatchDriver::FinishTask(bool finished, bool last, bool wasOldest) {
    if (wasOldest) {
        // The encoder's last reading usually falls short of the clip's end
        // (ffmpeg reports every quarter second), so a finished task would be
        // left showing 85 % next to "Complete": show what is really done.
        if (finished) FBars.Current = 100;
        // The current bar and the file name pass to the next oldest task.
        if (!last) FBars.Current = 0;
        if (!FActive.empty()) {
            const ActiveTask& oldest = *FActive.front();
            if (oldest.Task.ClipLengthSec != 0)
                FBars.Current =
                    ProgressPosition(oldest.Parser.Reading() / oldest.Task.ClipLengthSec);
            S.View->SetConvertingFile(ExtractFileName(oldest.Task.InputFile));
        }
    }
    if (FTotal > 0) FBars.Total = TotalPosition();
    S.View->ShowProgress(FBars);
}

void BatchDriver::CompleteBatch(int count) {
    S.View->SetTimerEnabled(false);
    // Power-off wins when both are set; its countdown cancelled, the batch
    // ends as if neither were set and the window stays.
    const bool turnOff = S.Settings->AutoTurnOff();
    const bool exit = !turnOff && S.Settings->AutoExit();
    // Failures are never lost behind an exit: their count comes first and
    // waits for the user. A power-off must not wait for an answer (the user
    // may have left), so its countdown names the failures instead.
    const bool reported = exit && FFailed > 0;
    if (reported) ShowCompletionMessage(count);
    if (turnOff || exit) {
        const bool goOn = turnOff
                              ? CountdownGoesOn(CompletionAction::PowerOff,
                                                PowerOffCountdownSeconds, FailureSummary(count))
                              : CountdownGoesOn(CompletionAction::Exit, ExitCountdownSeconds, "");
        if (goOn || FCloseRequested) {
            FState = ConvertState::Idle;
            if (goOn && turnOff) S.Power->PowerOff();
            FCloseRequested = true;
            return;
        }
    }
    if (!reported) ShowCompletionMessage(count);
    // A close that came while the message was shown (a termination request
    // closes it) ends the program without opening anything.
    if (S.Settings->AutoOpenDir() && !FCloseRequested) S.Shell->Open(S.Settings->OutputDirText());
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
        S.Prompt->Message(FailureSummary(count), "Complete", MsgIcon::Warning);
    else
        S.Prompt->Message("The coversion is completed successfully.", "Complete",
                          MsgIcon::Information);
}

bool BatchDriver::CountdownGoesOn(CompletionAction action, int seconds, const std::string& note) {
    // A close that came while the message above was shown (a quit signal,
    // the session ending) ends the program without a countdown or power-off.
    if (FCloseRequested) return false;
    const bool goOn = !S.Countdown || S.Countdown->ConfirmCountdown(action, seconds, note);
    return goOn && !FCloseRequested;
}
