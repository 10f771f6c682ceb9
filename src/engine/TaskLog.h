#pragma once
// The log of each task: the command line its encoder was started with, the
// encoder's whole printed text of the task's last run (the end kept when it
// is long) and how the task ended. The batch driver feeds it while it runs;
// the window shows one task's log, and at the end of each batch the logs of
// that batch are written into one file of the logs folder, so that a failure
// can still be read after the program has exited.
#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What the batch driver tells about its tasks, in this order: the batch
// begins; per task it is prepared ("Converting" as its status), its encoder
// started with a command line, each chunk of the encoder's text, then its
// final status; the batch ends (said once or more; only the first counts).
// Tasks are known by their input file, as the failure reasons are.
class TaskLogSink {
public:
    virtual ~TaskLogSink() = default;
    virtual void BatchBegun() = 0;
    virtual void TaskStatus(const std::string& inputFile, const std::string& status) = 0;
    virtual void TaskStarted(const std::string& inputFile, const std::string& outputFile,
                             const std::string& commandLine) = 0;
    virtual void TaskOutput(const std::string& inputFile, std::string_view chunk) = 0;
    // reasonOf: why a task did not end well (empty when it did).
    virtual void BatchEnded(const std::function<std::string(const std::string&)>& reasonOf) = 0;
};

struct TaskLogEntry {
    std::string InputFile;
    std::string OutputFile;  // empty when the encoder was not started
    std::string CommandLine; // the text as composed; empty when not started
    std::string Status;
    std::string Reason;
    std::string Output;       // the encoder's text, at most the cap once trimmed
    std::size_t CutBytes = 0; // how much of its beginning was dropped
};

// The text of one task's log as the window shows it and the batch file holds
// it: input, output, command line, status and reason, then the encoder's
// text with line ends made "\n" and, when its beginning was cut, a line
// saying how much.
std::string TaskLogText(const TaskLogEntry& entry);

// The name of a batch's log file for a batch ended at time: "batch-YYYYMMDD-HHMMSS.log",
// or with "-<n>" before ".log" (n from 2 on) for more batches in the same second.
std::string BatchLogName(const std::tm& time, int n = 1);
// Whether name is such a file name; key gets what orders the files (time, then n).
bool ParseBatchLogName(std::string_view name, std::string& key);

// Writes the logs of one batch into a new file of dir (made when missing),
// both readable by the user alone, then removes the oldest of the batch
// files there beyond keep (other files are never touched). Returns the file
// written; empty with reason on failure.
std::string WriteBatchLog(const std::string& dir, const std::vector<TaskLogEntry>& tasks,
                          const std::tm& time, int keep, std::string& reason);

class TaskLog : public TaskLogSink {
public:
    static constexpr std::size_t DefaultCap = 1024 * 1024;
    static constexpr int KeptBatches = 20;

    // logsDir: where the batch files go; empty writes none. cap: how much of
    // a task's encoder text is kept (its end).
    explicit TaskLog(std::string logsDir, std::size_t cap = DefaultCap);

    // The log of the task's last run; null when it has none.
    const TaskLogEntry* Find(const std::string& inputFile) const;
    // The file the last batch was written to; empty when none was.
    const std::string& LastBatchFile() const { return FLastFile; }

    // TaskLogSink
    void BatchBegun() override;
    void TaskStatus(const std::string& inputFile, const std::string& status) override;
    void TaskStarted(const std::string& inputFile, const std::string& outputFile,
                     const std::string& commandLine) override;
    void TaskOutput(const std::string& inputFile, std::string_view chunk) override;
    void BatchEnded(const std::function<std::string(const std::string&)>& reasonOf) override;

private:
    // Cuts an entry's text down to the cap, at a line start where it can.
    void Trim(TaskLogEntry& entry) const;

    std::string FLogsDir;
    std::size_t FCap;
    std::map<std::string, TaskLogEntry> FEntries;
    // The tasks of the running batch, in the order they were reached.
    std::vector<std::string> FBatch;
    bool FRunning = false;
    std::string FLastFile;
};
