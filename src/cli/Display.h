#pragma once
// What the command line shows of a batch, in one of three forms:
//  - Terminal: a line per running task (its name, a bar, its percent, the
//    batch's total, elapsed and remaining time) redrawn in place, and above
//    them a line per finished task with its status and reason;
//  - Lines (a pipe, a file, cron): plain lines, no control characters: a
//    task's start, its progress every few seconds, its end;
//  - Json: one JSON object per line: "task" when a task has ended,
//    "progress" for a running task at most 4 times a second, "end" with the
//    counts.
// Quiet leaves out everything but the failed and incomplete tasks and the
// summary.
#include "engine/BatchSnapshot.h"
#include "tasks/TaskQueue.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

enum class DisplayMode { Terminal, Lines, Json };

// How many tasks ended in each way; a task the batch never reached (after
// a stop) counts as Stop.
struct StatusCounts {
    int Complete = 0;
    int Incomplete = 0;
    int Failed = 0;
    int Stop = 0;
};

// The line of a running task on a terminal of columns columns (never wider
// than columns - 1, so that the terminal does not wrap it; 80 columns when
// columns is 0, at least 40): its name
// (shortened from the left when it must be), a bar, its percent, then the
// batch's total percent, elapsed and remaining time ("--:--:--" while
// unknown, remaining < 0).
std::string RunningLine(const std::string& name, int percent, int totalPercent, double elapsed,
                        double remaining, int columns);

// The batch's remaining seconds from its elapsed seconds and its total
// percent, as the window estimates them; -1 while the percent is 0.
double RemainingSeconds(double elapsed, int totalPercent);

class CliDisplay : public BatchObserver, public TaskQueue::Listener {
public:
    using Clock = std::chrono::steady_clock;

    // out: where the display and the events go; columns: the terminal's
    // width (Terminal only).
    CliDisplay(const TaskQueue& tasks, DisplayMode mode, bool quiet, std::FILE* out, int columns);

    // BatchObserver: the running tasks and the bars as they stand.
    void BatchChanged(const BatchSnapshot& snapshot) override;
    // TaskQueue::Listener: a task that has ended is reported once.
    void TaskChanged(int row, TaskId id) override;
    void TasksAboutToBeInserted(int, int) override {}
    void TasksInserted(int, int) override {}
    void TasksAboutToBeRemoved(int, int) override {}
    void TasksRemoved(int, int) override {}
    void TasksExchanged(int) override {}

    // Called often while the batch runs: redraws the running tasks, or
    // prints their progress, when it is due.
    void Tick();
    // After the batch: every task not reported yet is reported, as Stop when
    // the batch never converted it.
    void ReportRest();
    // The summary: the counts and the run's seconds; the batch's log file
    // when one was written (said on standard error with Json).
    void Summary(double seconds, const std::string& logFile);

    const StatusCounts& Counts() const { return FCounts; }

private:
    void Report(const Task& task);
    void Write(const std::string& text);
    // The terminal's running lines: taken away, drawn again.
    void EraseRunning();
    void DrawRunning(bool force);
    double Elapsed() const;

    const TaskQueue& FTasks;
    DisplayMode FMode;
    bool FQuiet;
    std::FILE* FOut;
    int FColumns;
    BatchSnapshot FNow;
    std::optional<Clock::time_point> FBatchStart;
    std::unordered_set<TaskId> FReported;
    // Stopped tasks whose encoder may still be finishing their files: their
    // reason (how much was converted) comes when it has.
    std::unordered_set<TaskId> FStopping;
    StatusCounts FCounts;
    // Terminal: the running lines drawn, and when.
    std::vector<std::string> FDrawn;
    Clock::time_point FLastDraw{};
    // Lines: the tasks whose start was said, and when progress was last said.
    std::unordered_set<TaskId> FAnnounced;
    Clock::time_point FLastLines{};
    // Json: per running task, when its progress was last said and what it was.
    struct Said {
        Clock::time_point When;
        int Percent = 0;
        int Total = 0;
    };
    std::map<TaskId, Said> FSaid;
};
