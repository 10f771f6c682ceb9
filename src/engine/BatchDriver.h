#pragma once
// The batch conversion: what Start and Stop do. Converts every task of the
// task list in list order, one encoder run per task, shows each task's status
// in its row, both progress bars and the times, and performs the completion
// actions the preferences ask for. Everything runs on the window's thread; the
// window's handlers (Stop, the one-second timer, closing) run nested inside
// the message pump that the conversion calls between reads.
#include "engine/CompletionActions.h"
#include "engine/Progress.h"
#include "engine/Runner.h"
#include "engine/TaskLog.h"
#include "platform/Desktop.h"
#include "profiles/ParamSheet.h"
#include "tasks/TaskQueue.h"
#include "tasks/TaskRecord.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The window's controls the batch writes to. Task states are not here: they
// go into the tasks of the queue, which the list shows.
class BatchView {
public:
    virtual ~BatchView() = default;
    virtual void FocusTaskList() = 0;
    virtual void FocusOutputDir() = 0;
    // Busy: preview stopped; add/move/delete/clear, options and the task
    // list disabled; the stop image instead of the start image. Idle undoes it.
    virtual void SetBusyControls() = 0;
    virtual void SetIdleControls() = 0;
    // true: the progress panel (panBottomLeft) instead of the profile and
    // output directory panel (panBottomCenter); false: the other way round.
    virtual void ShowProgressPanel(bool progress) = 0;
    virtual void SetConvertingFile(const std::string& text) = 0;
    virtual void SetElapsedText(const std::string& text) = 0;
    virtual void SetRemainingText(const std::string& text) = 0;
    // Both bars, and their labels as the position followed by "%".
    virtual void ShowProgress(const ProgressBars& bars) = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    // A Stop came while encoders run: they are finishing their files.
    virtual void ShowStopping() = 0;
};

// Live values, read at the moment they are needed (they may change while a
// batch runs: the sheets and the output directory box stay editable).
class BatchSettings {
public:
    virtual ~BatchSettings() = default;
    virtual std::string OutputDirText() const = 0; // edtOutputdir as typed
    virtual std::string OutputExtension() const = 0;
    virtual bool Overwrite() const = 0;
    virtual bool AutoTurnOff() const = 0;
    virtual bool AutoExit() const = 0;
    virtual bool AutoOpenDir() const = 0;
    // The selected profile's file, as the selection loaded it.
    virtual std::string ProfileFilePath() const = 0;
    // The main window's Video, Audio and Advanced sheets.
    virtual SheetSet ProfileSheets() const = 0;
    // Caption of plain error boxes.
    virtual std::string ProgramTitle() const = 0;
    // How many tasks may convert at once (the "Simultaneous conversions"
    // setting); read at Start.
    virtual int SimultaneousConversions() const { return 1; }
};

struct BatchServices {
    TaskQueue* Tasks = nullptr;
    BatchView* View = nullptr;
    BatchSettings* Settings = nullptr;
    Prompter* Prompt = nullptr;
    ShellActions* Shell = nullptr;
    PowerControl* Power = nullptr;
    RunningEncoders* Encoder = nullptr;
    // Told each task's command line, encoder text and state; optional.
    TaskLogSink* Log = nullptr;
    // The countdown before power-off or exit; nullptr: the action runs at once.
    CountdownPrompter* Countdown = nullptr;
    // Handles all pending window messages.
    MessagePump Pump;
    // Closes the main window for good, which ends the program.
    std::function<void()> CloseMainWindow;
};

enum class ConvertState { Idle = 0, Running = 1, StopRequested = 2 };

class BatchDriver {
public:
    explicit BatchDriver(BatchServices services);
    ~BatchDriver();

    // A click on the start image: Start, unless the task list is empty.
    void imgStartClick();
    // Start: checks the output directory, switches to the busy controls,
    // builds the profile arguments once and converts every task.
    void tbtnStartClick();
    // Stop: while running, marks the running tasks "Stop" and asks their
    // encoders to end; they may take a few seconds to finish their files
    // (the view says so), and the batch is cancelled once they have ended.
    void tbtnStopClick();
    // The batch loop.
    void ConvertTasks(const std::string& profileArguments);
    // The one-second tick: elapsed and remaining time.
    void timerTimeTimer();

    // The main window is asked to close. While a batch runs this stops it like
    // Stop (without the cancel message) and returns true: the window must
    // stay open; the driver closes it through CloseMainWindow once the batch
    // has unwound. Returns false when no batch runs (close at once).
    bool CloseRequested();
    // Closing is asked for again while a stopped batch waits for its
    // encoders: they are ended at once, with no time to finish their files.
    void EndAtOnce();

    ConvertState State() const { return FState; }
    int ElapsedSeconds() const { return FElapsedSeconds; }
    int RemainingSeconds() const { return FRemainingSeconds; }
    double Done() const { return FDone; }
    double Total() const { return FTotal; }
    const ProgressBars& Bars() const { return FBars; }

private:
    struct TaskRun;
    struct ActiveTask;

    // A task's new state, with why (failed, incomplete, stopped); the log
    // hears of it.
    void SetState(TaskId id, TaskState state, std::string reason = {});
    void EndBatchDisplay();
    // The batch's tasks are over: the log gets their reasons (only the first
    // call of a batch counts).
    void EndBatchLog();
    // The batch from its first display to its completion actions.
    void RunLoop(const std::string& profileArguments);
    // Resets the display, the times and the totals, starts the timer and
    // adds up the clip lengths of the batch's tasks.
    void BeginBatch();
    // Prepares the task and starts its encoder, which then runs beside the
    // others. A Stop that came first marks it "Stop" instead; an encoder
    // that cannot start fails it, stops the others and returns false.
    bool StartNextTask(int position, const std::string& profileArguments, std::string& startError);
    // Handles pending messages, reads the task afresh, marks it Converting
    // and, when no other task runs, names its file in the progress panel.
    // false when the task is gone.
    bool PrepareTask(ActiveTask& active);
    // Composes the output path (reserved at once, so that no task started
    // later can take it) and the command line, and starts the encoder;
    // false when it could not start.
    bool StartTask(ActiveTask& active, const std::string& profileArguments);
    // One chunk of a running task's encoder output: its progress.
    void ConsumeChunk(ActiveTask& active, std::string_view chunk);
    // A running task's encoder has ended: "Stop" after a Stop, otherwise
    // judged and counted as done. noneLeft: no task is waiting to start.
    void EndTask(RunningEncoders::Ended& ended, bool noneLeft);
    // The encoder could not start: the error is shown and the batch ends.
    void EndAfterFailedStart(const std::string& error);
    // Stop, a close, or a failed start: the running tasks are marked "Stop"
    // and their encoders asked to end.
    void RequestStop();
    // A Stop (or a close) came and the encoders have ended: the batch is
    // cancelled.
    void StopBatch();
    // The total bar: done plus every running task's reading, over total.
    int TotalPosition() const;
    // Marks the task Complete, Incomplete or Failed by its outcome, with
    // why, and keeps or removes its output. true for Complete.
    bool JudgeTask(const ActiveTask& active);
    // The bars after a task; when it was the oldest running task the
    // current bar and the file name pass to the next oldest.
    void FinishTask(bool finished, bool last, bool wasOldest);
    // After the last task: power off, exit, or the closing message and the
    // output directory. Failures are reported first whatever follows; power
    // off and exit each wait for a countdown that the user can cancel.
    void CompleteBatch(int count);
    // "The conversion of 2 of 5 tasks failed."; empty when none did.
    std::string FailureSummary(int count) const;
    // The message on failed or incomplete tasks, or on success.
    void ShowCompletionMessage(int count);
    // Runs the countdown before action, note said first; false when it was
    // cancelled, or when the window was asked to close meanwhile (the
    // program then just ends).
    bool CountdownGoesOn(CompletionAction action, int seconds, const std::string& note);

    BatchServices FServices;
    ConvertState FState = ConvertState::Idle;
    int FElapsedSeconds = 0;
    int FRemainingSeconds = 0;
    double FDone = 0;
    double FTotal = 0;
    ProgressBars FBars;
    // The tasks whose encoders run, oldest first.
    std::vector<std::unique_ptr<ActiveTask>> FActive;
    // Tasks of the running batch that did not end well, and the incomplete
    // ones among them.
    int FFailed = 0;
    int FIncomplete = 0;
    bool FCloseRequested = false;
    // The tasks of the running batch, in list order.
    std::vector<TaskId> FBatch;
    // The output files the running batch has written so far or is writing
    // (reserved when a task starts): a later task of the same batch never
    // overwrites them.
    std::vector<std::string> FWritten;
};
