#include "engine/BatchDriver.h"

#include "base/FileNames.h"
#include "base/TimeText.h"
#include "engine/Invocation.h"
#include "platform/FileSystem.h"
#include "profiles/Profile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
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
    if (outcome.ExitCode >= 0)
        return "The encoder ended with exit code " + std::to_string(outcome.ExitCode) + ".";
#ifdef _WIN32
    // A crash status such as 0xC0000005 reads as a negative int.
    char code[32];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(outcome.ExitCode));
    return std::string("The encoder ended with exit code ") + code + ".";
#else
    if (outcome.Signal > 0)
        return "The encoder was ended by signal " + std::to_string(outcome.Signal) + ".";
    return "The encoder ended abnormally.";
#endif
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

// What is known of a file before the encoder writes it, to tell afterwards
// whether the encoder created or changed it.
struct FileState {
    bool Exists = false;
    bool Regular = false; // a regular file itself, not a link or a directory
    std::uintmax_t Size = 0;
    std::filesystem::file_time_type Time{};
};

FileState StateOf(const std::string& path) {
    namespace fs = std::filesystem;
    FileState state;
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(fs::path(path), ec);
    if (ec || !fs::exists(own)) return state;
    state.Exists = true;
    state.Regular = fs::is_regular_file(own);
    state.Size = fs::file_size(fs::path(path), ec);
    if (ec) state.Size = 0;
    state.Time = fs::last_write_time(fs::path(path), ec);
    if (ec) state.Time = {};
    return state;
}

// After a failed run: removes the output file when this run created it or
// changed it (a broken or empty file under the final name helps nobody); a
// file the encoder did not touch stays, and so does anything that is not a
// regular file.
void RemoveFailedOutput(const std::string& path, const FileState& before) {
    const FileState after = StateOf(path);
    if (!after.Regular) return;
    const bool touched =
        !before.Exists || !before.Regular || before.Size != after.Size || before.Time != after.Time;
    if (!touched) return;
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(path), ec);
}

} // namespace

BatchDriver::BatchDriver(BatchServices services) : S(std::move(services)) {}

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
    FState = ConvertState::StopRequested;
    S.Encoder->TerminateEncoder();
}

bool BatchDriver::CloseRequested() {
    if (FState == ConvertState::Idle) return false;
    FCloseRequested = true;
    if (FState == ConvertState::Running) {
        FState = ConvertState::StopRequested;
        S.Encoder->TerminateEncoder();
    }
    return true;
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
        S.Encoder->TerminateEncoder();
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
    RunOutcome Outcome; // not started when a Stop came first
};

void BatchDriver::RunLoop(const std::string& profileArguments) {
    const int count = S.Rows->Count();
    BeginBatch(count);
    for (int i = 0; i < count; ++i)
        if (!ConvertTask(i, i == count - 1, profileArguments)) return;
    // Written before the completion actions, which may end the program.
    EndBatchLog();
    if (FState == ConvertState::Running) CompleteBatch(count);
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

bool BatchDriver::ConvertTask(int index, bool last, const std::string& profileArguments) {
    ltvItemData task;
    PrepareTask(index, task);
    TaskRun run;
    // A Stop (or a close) handled by the pump above concerns this task: it
    // is not started at all rather than converted to its end.
    if (FState == ConvertState::Running && !StartTask(index, task, profileArguments, run)) {
        EndAfterFailedStart(index, task, run.Outcome);
        return false;
    }
    if (FState == ConvertState::StopRequested) {
        StopAtTask(index, task);
        return false;
    }
    const bool finished = JudgeTask(index, task, run);
    FinishTask(finished, last);
    return true;
}

void BatchDriver::PrepareTask(int index, ltvItemData& task) {
    if (S.Pump) S.Pump();
    GetTaskData(*S.Rows, index, tfAll, task);
    FParser.BeginTask(task.ClipLengthSec, FDone, FTotal);
    SetStatus(index, task, "Converting");
    S.View->SetConvertingFile(ExtractFileName(task.InputFile));
}

bool BatchDriver::StartTask(int index, const ltvItemData& task, const std::string& profileArguments,
                            TaskRun& run) {
    const OutputNaming naming{S.Settings->OutputDirText(), S.Settings->OutputExtension(),
                              S.Settings->Overwrite(), &FWritten};
    run.Output = OutputPath(task, index, naming);
    run.Before = StateOf(run.Output);
    const CommandLine command = EncoderCommandLine(task, profileArguments, run.Output);
    if (S.Log) S.Log->TaskStarted(task.InputFile, run.Output, command.Text);
    run.Outcome = S.Encoder->RunEncoder(command, S.Pump, [this, &task](std::string_view chunk) {
        if (S.Log) S.Log->TaskOutput(task.InputFile, chunk);
        if (FParser.Consume(chunk, FBars)) S.View->ShowProgress(FBars);
    });
    return run.Outcome.Started;
}

void BatchDriver::EndAfterFailedStart(int index, ltvItemData& task, const RunOutcome& outcome) {
    SetStatus(index, task, "Failed");
    FFailureReasons[task.InputFile] = outcome.StartError;
    S.Prompt->Message(outcome.StartError, S.Settings->ProgramTitle(), MsgIcon::None);
    S.View->SetTimerEnabled(false);
    EndBatchDisplay();
}

void BatchDriver::StopAtTask(int index, ltvItemData& task) {
    S.View->SetTimerEnabled(false);
    SetStatus(index, task, "Stop");
    // Closing the window stops the batch silently: the program ends.
    if (!FCloseRequested)
        S.Prompt->Message("The Coversion is canceled.", "Cancel", MsgIcon::Information);
    EndBatchDisplay();
}

bool BatchDriver::JudgeTask(int index, ltvItemData& task, const TaskRun& run) {
    const RunOutcome& outcome = run.Outcome;
    FDone += ClipSeconds(task);
    if (outcome.Succeeded() && FallsShort(outcome.LastReading, task.ClipLengthSec)) {
        ++FFailed;
        ++FIncomplete;
        SetStatus(index, task, "Incomplete");
        std::string reason = "Only " + SecondsToTime(outcome.LastReading) + " of " +
                             SecondsToTime(task.ClipLengthSec) + " was converted.";
        if (!outcome.LastErrorLine.empty()) reason += " " + outcome.LastErrorLine;
        FFailureReasons[task.InputFile] = reason;
        FWritten.push_back(run.Output);
        return false;
    }
    if (outcome.Succeeded()) {
        SetStatus(index, task, "Complete");
        FWritten.push_back(run.Output);
        return true;
    }
    ++FFailed;
    SetStatus(index, task, "Failed");
    FFailureReasons[task.InputFile] = FailureText(outcome);
    RemoveFailedOutput(run.Output, run.Before);
    return false;
}

void BatchDriver::FinishTask(bool finished, bool last) {
    // The encoder's last reading usually falls short of the clip's end
    // (ffmpeg reports every quarter second), so a finished task would be
    // left showing 85 % next to "Complete": show what is really done.
    if (finished) FBars.Current = 100;
    if (FTotal > 0)
        FBars.Total =
            static_cast<int>(std::clamp<long long>(RoundHalfEven(FDone / FTotal * 100.0), 0, 100));
    if (!last) FBars.Current = 0;
    S.View->ShowProgress(FBars);
    S.Encoder->TerminateEncoder();
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
    if (S.Settings->AutoOpenDir()) S.Shell->Open(S.Settings->OutputDirText());
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
