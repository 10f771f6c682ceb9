#pragma once
// The batch conversion: what Start and Stop do. Converts every task of the
// task queue in list order, one encoder run per task (several side by side
// when the settings allow), sets each task's state, and performs the
// completion actions the preferences ask for; every change of the batch's
// progress is published as a snapshot. Everything runs on the front end's
// thread: Start returns when the batch is over, and the front end's own
// work (the window's Stop, its timer, closing; a command line's signals)
// runs in the pump that the conversion calls between reads. Nothing here
// needs a window.
#include "config/Preferences.h"
#include "engine/BatchSnapshot.h"
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

// The front end's settings as values. The batch reads each at the moment it
// needs it: the output folder and the sheets stay editable while a batch
// runs, and what is typed there counts from the next task on.
struct BatchSettings {
    std::string OutputDir;       // the output folder as typed
    std::string OutputExtension; // "." + Type of the loaded profile; empty before one
    std::string ProfileFile;     // the selected profile's file, as the selection loads it
    // How Start reads the profile: the window's store writes it back; the
    // command line leaves the user's file as it is (ReadOnly).
    IniAccess ProfileAccess = IniAccess::ReadWrite;
    SheetSet Sheets; // the Video, Audio and Advanced sheets
    // Overwrite, the completion actions, how many tasks convert at once
    // (read at Start).
    GeneralPreferences General;
};

struct BatchServices {
    TaskQueue* Tasks = nullptr;
    // Hears every snapshot of the batch; optional.
    BatchObserver* Observer = nullptr;
    const BatchSettings* Settings = nullptr;
    // The caption of plain error boxes.
    std::string ProgramTitle;
    Prompter* Prompt = nullptr;
    ShellActions* Shell = nullptr;
    PowerControl* Power = nullptr;
    RunningEncoders* Encoder = nullptr;
    // Told each task's command line, encoder text and state; optional.
    TaskLogSink* Log = nullptr;
    // The countdown before power-off or exit; nullptr: the action runs at once.
    CountdownPrompter* Countdown = nullptr;
    // Keeps the computer awake from the start of a batch until its tasks
    // are over; optional.
    SleepInhibitor* Awake = nullptr;
    // Told when a batch has converted all its tasks and no power-off or exit
    // follows; optional.
    BatchNotifier* Notify = nullptr;
    // The front end's work between reads (the window: all pending messages).
    MessagePump Pump;
    // Closes the main window for good, which ends the program.
    std::function<void()> CloseMainWindow;
    // What follows a batch as the preferences ask: the closing message (or
    // the one on a cancelled batch), opening the output folder, the exit and
    // the power-off with their countdowns. false: none of them, whatever the
    // preferences say; the batch just ends (a command line, a script on a
    // server whose settings say "Auto Turn Off").
    bool CompletionActions = true;
    // Start goes on while files of the list are still probed (a command
    // line that probes while the batch converts): a task is started only
    // once its probe has ended, the tasks after it wait for it, and the
    // total counts each length as its probe ends. false: Start is refused
    // while any task is probed.
    bool StartWhileProbing = false;
};

// What came of Start.
enum class StartOutcome {
    Converted,      // a batch ran (however it ended)
    Busy,           // a batch runs already
    NoOutputDir,    // the output folder does not exist (the user was told)
    NothingToDo,    // the task list is empty
    StillProbing,   // files are still probed (the user was told)
    ProfileRefused, // the profile's arguments could not be built (the user was told)
};

class BatchDriver {
public:
    explicit BatchDriver(BatchServices services);
    ~BatchDriver();

    // A click on the start image: Start, unless the task list is empty.
    StartOutcome imgStartClick();
    // Start: checks the output directory, switches to the busy look, builds
    // the profile arguments once and converts every task.
    StartOutcome tbtnStartClick();
    // Stop: while running, marks the running tasks Stopped and asks their
    // encoders to end; they may take a few seconds to finish their files
    // (the snapshot says "Stopping…"), and the batch is cancelled once they
    // have ended.
    void tbtnStopClick();
    // Pause: while the batch's tasks convert, suspends every running encoder
    // and what it started (they use no processor time, and no time limit of
    // theirs runs on), marks their tasks Paused, stops the elapsed time and
    // starts no new task. Resume lets them go on. tbtnPauseClick does the
    // one or the other. A Stop or a close while paused resumes first, so
    // that the encoders can finish their files.
    void Pause();
    void Resume();
    void tbtnPauseClick();
    // Stop after the current tasks: the running tasks finish, no new task
    // starts, and the batch ends with "Stopped after the current tasks: 3 of
    // 12 converted." and the output folder opened as the preferences ask,
    // never with an exit or a power-off. Until the last running task ends
    // it can be taken back; tbtnStopAfterClick does the one or the other.
    void SetStopAfterCurrent(bool on);
    void tbtnStopAfterClick();
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
    // The program must end at once (the system asks: a quit signal, the
    // session ending): like a close, but the encoders are ended at once and
    // their tasks are Interrupted, their temporary outputs removed, to be
    // converted again from the start. false when no batch runs.
    bool InterruptForExit();

    // The batch as it stands: what was last published.
    const BatchSnapshot& Snapshot() const { return FNow; }
    ConvertState State() const { return FNow.State; }
    int ElapsedSeconds() const { return FNow.ElapsedSeconds; }
    int RemainingSeconds() const { return FNow.RemainingSeconds; }
    // The seconds of the batch's clips converted so far, and of them all.
    double Done() const { return FDone; }
    double Total() const { return FTotal; }

private:
    struct TaskRun;
    struct ActiveTask;

    // A task's new state, with why (failed, incomplete, stopped); the log
    // hears of it.
    void SetState(TaskId id, TaskState state, std::string reason = {});
    // Tells the observer how the batch stands now.
    void Publish();
    void SetBusy(bool busy);
    void SetTimerRunning(bool running);
    // Hides the progress; the driver is idle again.
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
    // others. A Stop that came first marks it Stopped instead; an encoder
    // that cannot start fails it, stops the others and returns false.
    bool StartNextTask(int position, const std::string& profileArguments, std::string& startError);
    // Handles pending messages, reads the task afresh, marks it Converting
    // and, when no other task runs, names its file as the one converting.
    // false when the task is gone.
    bool PrepareTask(ActiveTask& active);
    // Composes the output path (reserved at once, so that no task started
    // later can take it) and the command line, and starts the encoder;
    // false when it could not start.
    bool StartTask(ActiveTask& active, const std::string& profileArguments);
    // One chunk of a running task's encoder output: its progress.
    void ConsumeChunk(ActiveTask& active, std::string_view chunk);
    // A running task's encoder has ended: Stopped after a Stop, otherwise
    // judged and counted as done. noneLeft: no task is waiting to start.
    void EndTask(RunningEncoders::Ended& ended, bool noneLeft);
    // The encoder could not start: the error is shown and the batch ends.
    void EndAfterFailedStart(const std::string& error);
    // Stop, a close, or a failed start: the running tasks are marked Stopped
    // and their encoders asked to end.
    void RequestStop();
    // A Stop (or a close) came and the encoders have ended: the batch is
    // cancelled.
    void StopBatch();
    // The task's temporary output once its encoder has ended: given its
    // final name (keep), or removed. false with why when it could not be
    // named; it then stays where it is.
    bool SettleOutput(ActiveTask& active, bool keep, std::string& problem);
    // Lets the computer sleep again.
    void ReleaseAwake();
    // The total bar: done plus every running task's reading, over total.
    int TotalPosition() const;
    // Marks the task Complete, Incomplete or Failed by its outcome, with
    // why, and keeps or removes its output. true for Complete.
    bool JudgeTask(ActiveTask& active);
    // The bars after a task; when it was the oldest running task the
    // current bar and the file name pass to the next oldest.
    void FinishTask(bool finished, bool last, bool wasOldest);
    // After the last task: power off, exit, or the closing message and the
    // output directory. Failures are reported first whatever follows; power
    // off and exit each wait for a countdown that the user can cancel.
    void CompleteBatch(int count);
    // The running tasks have finished after a Stop after the current
    // tasks: the message, and the output folder opened as after a completed
    // batch.
    void EndAfterCurrentTasks(int count);
    // Paused between two tasks, or with every running task ended: waits a
    // moment for Resume, a Stop or a Stop after the current tasks. false
    // when there is nothing to wait for.
    bool WaitWhilePaused(bool tasksLeft);
    // Whether the task at this place of the batch still waits for its
    // probe: it cannot start yet.
    bool WaitsForProbe(int position) const;
    // Nothing runs and the next task waits for its probe: waits a moment
    // for it (or for a Stop). false when there is nothing to wait for.
    bool WaitForProbe(int next);
    // The front end's work, then the lengths of probes that ended meanwhile.
    void PumpMessages();
    // The total counts the length of each task of the batch whose probe has
    // ended since the last count.
    void CountProbedLengths();
    // "The conversion of 2 of 5 tasks failed."; empty when none did.
    std::string FailureSummary(int count) const;
    // The message on failed or incomplete tasks, or on success.
    void ShowCompletionMessage(int count);
    // Runs the countdown before action, note said first; false when it was
    // cancelled, or when the window was asked to close meanwhile (the
    // program then just ends).
    bool CountdownGoesOn(CompletionAction action, int seconds, const std::string& note);

    BatchServices FServices;
    // The state, the look, the bars and the times; the running tasks are
    // filled in as it is published.
    BatchSnapshot FNow;
    double FDone = 0;
    double FTotal = 0;
    // The tasks of the batch whose lengths the total does not count yet:
    // they were still probed.
    std::vector<TaskId> FUnprobed;
    // The tasks whose encoders run, oldest first.
    std::vector<std::unique_ptr<ActiveTask>> FActive;
    // Tasks of the running batch that did not end well, and the incomplete
    // ones among them.
    int FFailed = 0;
    int FIncomplete = 0;
    // Tasks of the running batch that are Complete.
    int FConverted = 0;
    bool FCloseRequested = false;
    // The program is ending at once: stopped tasks are Interrupted.
    bool FInterrupting = false;
    // The computer is held awake.
    bool FAwake = false;
    // The tasks of the running batch, in list order.
    std::vector<TaskId> FBatch;
    // The output files the running batch has written so far or is writing
    // (reserved when a task starts): a later task of the same batch never
    // overwrites them.
    std::vector<std::string> FWritten;
};
