#pragma once
// What a batch looks like at one moment. The batch driver publishes one on
// every change; each front end renders it as it likes (the window into its
// progress panel, its busy look and its timer).
#include "engine/Progress.h"
#include "tasks/Task.h"

#include <string>
#include <vector>

// Idle until Start has begun a batch; StopRequested from a Stop (or a
// close) until the running encoders have ended.
enum class ConvertState { Idle = 0, Running = 1, StopRequested = 2 };

struct RunningTask {
    TaskId Id = 0;
    std::string Name; // the input's file name
    int Percent = 0;  // of its clip, as its encoder reports it
};

struct BatchSnapshot {
    ConvertState State = ConvertState::Idle;
    // The front end's busy look (no adding, moving, removing, settings or
    // Start): from Start's checks until the batch has ended.
    bool Busy = false;
    // The batch's progress is shown (in place of the profile and the output
    // path).
    bool ProgressShown = false;
    // The one-second timer runs: the front end calls the driver's
    // timerTimeTimer once a second meanwhile (not while paused).
    bool TimerRunning = false;
    // The batch's tasks are being converted (or wait to be): Pause and Stop
    // after the current tasks apply while the state is Running.
    bool Converting = false;
    // The running encoders are paused and no new task starts.
    bool Paused = false;
    // The running tasks finish and the batch ends then.
    bool StopAfterCurrent = false;
    // The tasks whose encoders run, oldest first.
    std::vector<RunningTask> Running;
    // The batch's tasks that have ended, and all of them.
    int TasksDone = 0;
    int TasksTotal = 0;
    // The current bar (the oldest running task) and the total bar.
    ProgressBars Bars;
    int ElapsedSeconds = 0;
    int RemainingSeconds = 0;
    // As time texts; empty until the timer's first tick.
    std::string ElapsedText;
    std::string RemainingText;
    // The file the "Converting:" label names: the oldest running task's.
    std::string ConvertingFile;
    // What follows the batch ("Then: power off", "Then: exit the program",
    // "Then: stop after the current tasks"), or "Stopping…" while stopped
    // encoders finish their files; empty when nothing is to be said.
    std::string Then;
    // While a batch runs that nothing keeps the computer awake for: the
    // warning that it may go to sleep (MaySleepWarning); empty otherwise.
    std::string SleepWarning{};
};

// Receives every snapshot of the batch.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void BatchChanged(const BatchSnapshot& snapshot) = 0;
};
