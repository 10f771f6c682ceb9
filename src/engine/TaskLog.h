#pragma once
// The log of each task: the command line its encoder was started with, the
// encoder's whole printed text of the task's last run (the end kept when it
// is long) and how the task ended. Each log lives in its task (Task::Log),
// so it goes when the task is removed. The batch driver feeds it while it
// runs; the window shows one task's log, and at the end of each batch the
// logs of that batch are written into one file of the logs folder, so that
// a failure can still be read after the program has exited.
#include "tasks/Task.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class TaskQueue;

// What the batch driver tells about its tasks, in this order: the batch
// begins; per task its state (Converting when it is prepared), its encoder
// started with a command line, each chunk of the encoder's text, then its
// final state; the batch ends (said once or more; only the first counts).
class TaskLogSink {
public:
    virtual ~TaskLogSink() = default;
    virtual void BatchBegun() = 0;
    virtual void TaskStatus(TaskId id, TaskState state) = 0;
    virtual void TaskStarted(TaskId id, const std::string& outputFile,
                             const std::string& commandLine) = 0;
    virtual void TaskOutput(TaskId id, std::string_view chunk) = 0;
    // The tasks' reasons are theirs by then.
    virtual void BatchEnded() = 0;
    // Something about the whole batch, between its beginning and its end.
    virtual void BatchNote(const std::string& note) { (void)note; }
};

// The text of one task's log as the window shows it and the batch file holds
// it: input, output, command line, status and reason, why the batch's file
// could not be written (when it could not), then the encoder's text with
// line ends made "\n" and, when its beginning was cut, a line saying how
// much.
std::string TaskLogText(const TaskLogEntry& entry);

// The name of a batch's log file for a batch ended at time: "batch-YYYYMMDD-HHMMSS.log",
// or with "-<n>" before ".log" (n from 2 on) for more batches in the same second.
std::string BatchLogName(const std::tm& time, int n = 1);
// Whether name is such a file name; key gets what orders the files (time, then n).
bool ParseBatchLogName(std::string_view name, std::string& key);

// Writes the logs of one batch into a new file of dir (made when missing),
// both readable by the user alone, then removes the oldest of the batch
// files there beyond keep (other files are never touched). notes: lines
// about the whole batch, after its first line. Returns the file written;
// empty with reason on failure.
std::string WriteBatchLog(const std::string& dir, const std::vector<TaskLogEntry>& tasks,
                          const std::tm& time, int keep, std::string& reason,
                          const std::vector<std::string>& notes = {});

class TaskLog : public TaskLogSink {
public:
    static constexpr std::size_t DefaultCap = 1024 * 1024;
    static constexpr int KeptBatches = 20;

    // The logs go into the tasks of tasks. logsDir: where the batch files
    // go; empty writes none. cap: how much of a task's encoder text is kept
    // (its end).
    TaskLog(TaskQueue& tasks, std::string logsDir, std::size_t cap = DefaultCap);

    // The file the last batch was written to; empty when none was.
    const std::string& LastBatchFile() const { return FLastFile; }

    // TaskLogSink
    void BatchBegun() override;
    void TaskStatus(TaskId id, TaskState state) override;
    void TaskStarted(TaskId id, const std::string& outputFile,
                     const std::string& commandLine) override;
    void TaskOutput(TaskId id, std::string_view chunk) override;
    void BatchEnded() override;
    void BatchNote(const std::string& note) override;

private:
    // Cuts an entry's text down to the cap, at a line start where it can.
    void Trim(TaskLogEntry& entry) const;

    TaskQueue& FTasks;
    std::string FLogsDir;
    std::size_t FCap;
    // The tasks of the running batch, in the order they were reached.
    std::vector<TaskId> FBatch;
    std::unordered_set<TaskId> FReached;
    std::vector<std::string> FNotes;
    bool FRunning = false;
    std::string FLastFile;
};
