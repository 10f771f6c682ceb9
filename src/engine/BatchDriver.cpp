#include "engine/BatchDriver.h"

#include "engine/Invocation.h"
#include "engine/TimeText.h"
#include "profiles/Profile.h"
#include "tasks/FileNames.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

RunOutcome EncoderRunnerAdapter::Run(const CommandLine& command, const MessagePump& pump,
                                     const ChunkConsumer& consumer) {
    return FRunner.RunEncoder(command, pump, consumer);
}

void EncoderRunnerAdapter::Terminate() {
    FRunner.TerminateEncoder();
}

namespace {

bool IsExistingDirectory(const std::string& text) {
    if (text.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(text), ec);
}

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
    return "The encoder ended abnormally.";
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
    if (!IsExistingDirectory(S.Settings->OutputDirText())) {
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
    S.Encoder->Terminate();
}

bool BatchDriver::CloseRequested() {
    if (FState == ConvertState::Idle) return false;
    FCloseRequested = true;
    if (FState == ConvertState::Running) {
        FState = ConvertState::StopRequested;
        S.Encoder->Terminate();
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
        S.Encoder->Terminate();
        S.View->SetTimerEnabled(false);
        EndBatchDisplay();
        S.Prompt->Message(e.what(), S.Settings->ProgramTitle(), MsgIcon::Error);
    }
    // The window closes last, once the driver is idle again: its close
    // handler then finds no batch and lets the program end.
    const bool closeWindow = FCloseRequested;
    FCloseRequested = false;
    if (closeWindow && S.CloseMainWindow) S.CloseMainWindow();
}

void BatchDriver::RunLoop(const std::string& profileArguments) {
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
    FFailureReasons.clear();
    S.View->SetTimerEnabled(true);

    ltvItemData task;
    const int count = S.Rows->Count();
    for (int i = 0; i < count; ++i) {
        GetTaskData(*S.Rows, i, tfAll, task);
        FTotal += ClipSeconds(task);
    }

    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (S.Pump) S.Pump();
        GetTaskData(*S.Rows, i, tfAll, task);
        FParser.BeginTask(task.ClipLengthSec, FDone, FTotal);
        SetStatus(i, task, "Converting");
        S.View->SetConvertingFile(ExtractFileName(task.InputFile));

        RunOutcome outcome;
        // A Stop (or a close) handled by the pump above concerns this task:
        // it is not started at all rather than converted to its end.
        if (FState == ConvertState::Running) {
            const OutputNaming naming{S.Settings->OutputDirText(), S.Settings->OutputExtension(),
                                      S.Settings->Overwrite()};
            const std::string output = OutputPath(task, i, naming);
            const CommandLine command = EncoderCommandLine(task, profileArguments, output);
            outcome = S.Encoder->Run(command, S.Pump, [this](std::string_view chunk) {
                if (FParser.Consume(chunk, FBars)) S.View->ShowProgress(FBars);
            });
            if (!outcome.Started) {
                SetStatus(i, task, "Failed");
                FFailureReasons[task.InputFile] = outcome.StartError;
                S.Prompt->Message(outcome.StartError, S.Settings->ProgramTitle(), MsgIcon::None);
                S.View->SetTimerEnabled(false);
                EndBatchDisplay();
                return;
            }
        }

        if (FState == ConvertState::StopRequested) {
            S.View->SetTimerEnabled(false);
            SetStatus(i, task, "Stop");
            // Closing the window stops the batch silently: the program ends.
            if (!FCloseRequested)
                S.Prompt->Message("The Coversion is canceled.", "Cancel", MsgIcon::Information);
            EndBatchDisplay();
            return;
        }

        FDone += ClipSeconds(task);
        if (outcome.Succeeded()) {
            SetStatus(i, task, "Complete");
        } else {
            ++failed;
            SetStatus(i, task, "Failed");
            FFailureReasons[task.InputFile] = FailureText(outcome);
        }
        // The encoder's last reading usually falls short of the clip's end
        // (ffmpeg reports every quarter second), so a finished task would be
        // left showing 85 % next to "Complete": show what is really done.
        if (outcome.Succeeded()) FBars.Current = 100;
        if (FTotal > 0)
            FBars.Total = static_cast<int>(
                std::clamp<long long>(RoundHalfEven(FDone / FTotal * 100.0), 0, 100));
        if (i != count - 1) FBars.Current = 0;
        S.View->ShowProgress(FBars);
        S.Encoder->Terminate();
    }

    if (FState != ConvertState::Running) return;
    S.View->SetTimerEnabled(false);
    if (S.Settings->AutoTurnOff()) {
        FState = ConvertState::Idle;
        S.Power->PowerOff();
        FCloseRequested = true;
        return;
    }
    if (S.Settings->AutoExit()) {
        FState = ConvertState::Idle;
        FCloseRequested = true;
        return;
    }
    if (failed > 0) {
        S.Prompt->Message("The conversion of " + std::to_string(failed) + " of " +
                              std::to_string(count) + " tasks failed.",
                          "Complete", MsgIcon::Warning);
    } else {
        S.Prompt->Message("The coversion is completed successfully.", "Complete",
                          MsgIcon::Information);
    }
    if (S.Settings->AutoOpenDir()) S.Shell->Open(S.Settings->OutputDirText());
    EndBatchDisplay();
}
