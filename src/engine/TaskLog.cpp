#include "engine/TaskLog.h"

#include "base/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "tasks/TaskQueue.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

namespace {

constexpr std::string_view Prefix = "batch-";
constexpr std::string_view Suffix = ".log";
// Above the cap the text may grow by this much before it is cut again, so
// that each chunk does not move the whole text.
constexpr std::size_t Slack = 256 * 1024;
// A cut moves on to the next line start when one is this near.
constexpr std::size_t LineSearch = 4096;

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "\r\n" and a lone "\r" (ffmpeg rewrites its progress line with it) as "\n".
std::string WithNewlines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines.push_back(text[i]);
        } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
            lines.push_back('\n');
        }
    }
    return lines;
}

std::string FormatTime(const std::tm& time, const char* format) {
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, format, &time);
    return std::string(text, n);
}

// The batch files of folder (with its trailing separator), oldest first:
// (order key, path).
std::vector<std::pair<std::string, std::string>> BatchFiles(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const FolderEntry& entry : ListFolder(folder)) {
        std::string key;
        if (ParseBatchLogName(entry.Name, key) && entry.Regular && !entry.Link)
            files.emplace_back(key, folder + entry.Name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

std::string TaskLogText(const TaskLogEntry& entry) {
    std::string text = "Input: " + entry.InputFile + "\n";
    if (!entry.OutputFile.empty()) text += "Output: " + entry.OutputFile + "\n";
    if (!entry.CommandLine.empty()) text += "Command line:" + entry.CommandLine + "\n";
    text += "Status: " + entry.Status + "\n";
    if (!entry.Reason.empty()) text += "Reason: " + entry.Reason + "\n";
    if (!entry.WriteProblem.empty()) text += entry.WriteProblem + "\n";
    if (entry.CommandLine.empty()) return text + "The encoder was not started.\n";
    text += "Encoder output:\n";
    if (entry.CutBytes > 0)
        text += "[... " + std::to_string(entry.CutBytes) + " bytes of earlier output cut ...]\n";
    text += WithNewlines(entry.Output);
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

std::string BatchLogName(const std::tm& time, int n) {
    std::string name = std::string(Prefix) + FormatTime(time, "%Y%m%d-%H%M%S");
    if (n > 1) name += "-" + std::to_string(n);
    return name + std::string(Suffix);
}

bool ParseBatchLogName(std::string_view name, std::string& key) {
    if (!name.starts_with(Prefix) || !name.ends_with(Suffix)) return false;
    std::string_view stamp =
        name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
    // YYYYMMDD-HHMMSS, then an optional -n.
    if (stamp.size() < 15 || !AllDigits(stamp.substr(0, 8)) || stamp[8] != '-' ||
        !AllDigits(stamp.substr(9, 6)))
        return false;
    std::string_view n = stamp.substr(15);
    if (!n.empty() && (n[0] != '-' || !AllDigits(n.substr(1)) || n.size() > 10)) return false;
    // Same second: the plain name first, then -2, -3, ... in number order.
    std::string number = n.empty() ? "1" : std::string(n.substr(1));
    key = std::string(stamp.substr(0, 15)) + "#" + std::string(12 - number.size(), '0') + number;
    return true;
}

std::string WriteBatchLog(const std::string& dir, const std::vector<TaskLogEntry>& tasks,
                          const std::tm& time, int keep, std::string& reason,
                          const std::vector<std::string>& notes) {
    // The logs name the user's files and folders: no one else may read them.
    if (!MakePrivateFolder(dir, reason)) {
        reason = "Cannot create folder \"" + dir + "\". " + reason;
        return {};
    }
    const std::string folder = WithTrailingBackslash(dir);
    std::string path;
    for (int n = 1;; ++n) {
        path = folder + BatchLogName(time, n);
        if (!FileStateOf(path).Exists) break;
    }

    std::string text = "Batch ended " + FormatTime(time, "%Y-%m-%d %H:%M:%S") + ", " +
                       std::to_string(tasks.size()) + " task(s)\n";
    for (const std::string& note : notes)
        text += note + "\n";
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        text += "\n==== Task " + std::to_string(i + 1) + " of " + std::to_string(tasks.size()) +
                " ====\n";
        text += TaskLogText(tasks[i]);
    }
    if (!WriteNewPrivateFile(path, text, reason)) return {};

    std::vector<std::pair<std::string, std::string>> files = BatchFiles(folder);
    const std::size_t kept = static_cast<std::size_t>(std::max(keep, 1));
    for (std::size_t i = 0; i + kept < files.size(); ++i)
        if (files[i].second != path) RemoveFile(files[i].second);
    return path;
}

TaskLog::TaskLog(TaskQueue& tasks, std::string logsDir, std::size_t cap)
    : FTasks(tasks), FLogsDir(std::move(logsDir)), FCap(cap) {}

void TaskLog::BatchBegun() {
    FBatch.clear();
    FReached.clear();
    FNotes.clear();
    FRunning = true;
}

void TaskLog::TaskStatus(TaskId id, TaskState state) {
    TaskLogEntry* entry = nullptr;
    // Converting begins a new run of the task: its earlier log goes.
    if (state == TaskState::Converting) {
        entry = FTasks.NewLog(id);
        if (entry && FReached.insert(id).second) FBatch.push_back(id);
    } else if ((entry = FTasks.LogOf(id))) {
        Trim(*entry);
    }
    if (entry) entry->Status = StatusText(state);
}

void TaskLog::TaskStarted(TaskId id, const std::string& outputFile,
                          const std::string& commandLine) {
    if (TaskLogEntry* entry = FTasks.LogOf(id)) {
        entry->OutputFile = outputFile;
        entry->CommandLine = commandLine;
    }
}

void TaskLog::TaskOutput(TaskId id, std::string_view chunk) {
    TaskLogEntry* entry = FTasks.LogOf(id);
    if (!entry) return;
    entry->Output.append(chunk);
    if (entry->Output.size() > FCap + Slack) Trim(*entry);
}

void TaskLog::BatchNote(const std::string& note) {
    if (FRunning) FNotes.push_back(note);
}

void TaskLog::Trim(TaskLogEntry& entry) const {
    std::string& text = entry.Output;
    if (text.size() <= FCap) return;
    std::size_t cut = text.size() - FCap;
    // ffmpeg ends its progress lines with "\r" alone.
    const std::size_t line = text.find_first_of("\r\n", cut - 1);
    if (line != std::string::npos && line < cut + LineSearch) {
        cut = line + 1;
        if (text[line] == '\r' && cut < text.size() && text[cut] == '\n') ++cut;
    }
    text.erase(0, cut);
    entry.CutBytes += cut;
}

void TaskLog::BatchEnded() {
    if (!FRunning) return;
    FRunning = false;
    std::vector<TaskLogEntry*> entries;
    std::vector<TaskLogEntry> tasks;
    for (TaskId id : FBatch) {
        TaskLogEntry* entry = FTasks.LogOf(id);
        if (!entry) continue;
        const Task& task = *FTasks.Find(id);
        Trim(*entry);
        entry->Status = StatusText(task.State);
        entry->Reason = task.Reason;
        entry->WriteProblem.clear();
        entries.push_back(entry);
        tasks.push_back(*entry);
    }
    FLastFile.clear();
    if (FLogsDir.empty() || tasks.empty()) return;
    // The batch's log is a help, never a reason for the batch to fail.
    std::string reason;
    try {
        FLastFile = WriteBatchLog(FLogsDir, tasks, LocalTime(std::time(nullptr)), KeptBatches,
                                  reason, FNotes);
    } catch (const std::exception& e) {
        reason = e.what();
    }
    if (!FLastFile.empty()) return;
    // Said where the user looks for the log, and to whoever reads the
    // program's output.
    const std::string problem = "The batch log was not written to " + FLogsDir + ": " + reason;
    for (TaskLogEntry* entry : entries)
        entry->WriteProblem = problem;
    std::fprintf(stderr, "tarvolin: the batch log was not written to %s: %s\n", FLogsDir.c_str(),
                 reason.c_str());
}
