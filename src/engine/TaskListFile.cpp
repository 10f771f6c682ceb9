#include "engine/TaskListFile.h"

#include "base/FileNames.h"
#include "engine/Invocation.h"
#include "platform/System.h"

#include <algorithm>
#include <ctime>
#include <unordered_set>
#include <utility>

namespace {

constexpr std::string_view Header = "Tarvolin task list 1";
constexpr std::string_view FileName = "tasks.list";
// The fields of a task line after "task".
constexpr size_t TaskFields = 9;

void AppendField(std::string& line, std::string_view field) {
    line += '\t';
    for (char c : field) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

// The fields of a line, their escapes undone; false for an escape of no
// meaning.
bool SplitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, {});
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c != '\\') {
            fields.back() += c;
        } else {
            if (++i >= line.size()) return false;
            switch (line[i]) {
            case '\\':
                fields.back() += '\\';
                break;
            case 't':
                fields.back() += '\t';
                break;
            case 'n':
                fields.back() += '\n';
                break;
            case 'r':
                fields.back() += '\r';
                break;
            default:
                return false;
            }
        }
    }
    return true;
}

bool ParseId(const std::string& text, TaskId& id) {
    if (text.empty() || text.size() > 19) return false;
    id = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        id = id * 10 + static_cast<TaskId>(c - '0');
    }
    return id != 0;
}

// What the task line says of a task, or why it cannot be read.
std::string ReadTask(const std::vector<std::string>& f, Task& task) {
    if (f.size() != TaskFields + 1) return "a task needs " + std::to_string(TaskFields) + " fields";
    if (!ParseId(f[1], task.Id)) return "\"" + f[1] + "\" is no task id";
    if (!StateOfText(f[2], task.State)) return "\"" + f[2] + "\" is no status";
    if (f[3].empty()) return "a task without an input file";
    task.InputFile = f[3];
    task.NewFileName = f[4];
    task.NewFileExt = f[5];
    task.StartTime = f[6];
    task.EndTime = f[7];
    task.Reason = f[8];
    task.PartFile = f[9];
    return {};
}

} // namespace

std::string FormatTaskList(const TaskQueue& tasks, bool endedNormally, bool withTasks) {
    std::string text(Header);
    text += "\nexit\t";
    text += endedNormally ? "normal" : "open";
    text += "\nnext\t" + std::to_string(tasks.NextId()) + "\n";
    if (!withTasks) return text;
    for (int row = 0; row < tasks.Count(); ++row) {
        const Task& task = tasks.At(row);
        std::string line = "task\t" + std::to_string(task.Id);
        // A task probed again keeps the state it returns to: a crash while
        // the list is read back must not lose an Interrupted task's mark.
        const TaskState state = task.State == TaskState::Probing ? task.AfterProbe : task.State;
        for (std::string_view field :
             {std::string_view(StatusText(state)), std::string_view(task.InputFile),
              std::string_view(task.NewFileName), std::string_view(task.NewFileExt),
              std::string_view(task.StartTime), std::string_view(task.EndTime),
              std::string_view(task.Reason), std::string_view(task.PartFile)})
            AppendField(line, field);
        text += line + "\n";
    }
    return text;
}

bool ParseTaskList(std::string_view text, SavedTaskList& list, std::string& problem) {
    list = SavedTaskList{};
    std::unordered_set<TaskId> ids;
    std::vector<std::string> fields;
    problem.clear();
    auto note = [&problem](int line, const std::string& what) {
        if (problem.empty()) problem = "line " + std::to_string(line) + ": " + what;
    };
    int number = 0;
    bool headerSeen = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!headerSeen) {
            if (line != Header) {
                note(number, "this is not a task list this version can read");
                return false;
            }
            headerSeen = true;
            continue;
        }
        if (line.empty()) continue;
        if (!SplitFields(line, fields)) {
            note(number, "a backslash that stands for nothing");
            continue;
        }
        if (fields[0] == "exit" && fields.size() == 2 &&
            (fields[1] == "normal" || fields[1] == "open")) {
            list.EndedNormally = fields[1] == "normal";
        } else if (fields[0] == "next" && fields.size() == 2 && ParseId(fields[1], list.NextId)) {
        } else if (fields[0] == "task") {
            Task task;
            const std::string wrong = ReadTask(fields, task);
            if (!wrong.empty())
                note(number, wrong);
            else if (!ids.insert(task.Id).second)
                note(number, "task id " + fields[1] + " twice");
            else
                list.Tasks.push_back(std::move(task));
        } else {
            note(number, "\"" + fields[0] + "\" means nothing here");
        }
    }
    if (!headerSeen) note(1, "the file is empty");
    return problem.empty();
}

RestoredTasks RestoreTasks(SavedTaskList saved, bool keepAfterNormalExit) {
    RestoredTasks restored;
    restored.NextId = saved.NextId;
    for (const Task& task : saved.Tasks)
        restored.NextId = std::max(restored.NextId, task.Id + 1);
    if (saved.EndedNormally && !keepAfterNormalExit) return restored;
    for (Task& task : saved.Tasks) {
        if (!task.PartFile.empty() || task.State == TaskState::Converting ||
            task.State == TaskState::Paused) {
            if (IsPartFilePath(task.PartFile)) restored.PartFiles.push_back(task.PartFile);
            task.AfterProbe = TaskState::Interrupted;
            task.Reason = InterruptedReason;
        } else if (task.State == TaskState::Probing || task.State == TaskState::Ready ||
                   task.State == TaskState::Unreadable) {
            task.AfterProbe = TaskState::Ready;
            task.Reason.clear();
        } else {
            task.AfterProbe = task.State;
        }
        task.State = TaskState::Probing;
        task.PartFile.clear();
        restored.Tasks.push_back(std::move(task));
    }
    return restored;
}

TaskListStore::TaskListStore(std::string stateDir)
    : FDir(WithTrailingBackslash(stateDir)), FPath(FDir + std::string(FileName)) {}

bool TaskListStore::Claim(std::string& reason) {
    if (!MakePrivateFolder(FDir, reason)) return false;
    return FClaim.Take(FPath + ".lock", reason);
}

SavedTaskList TaskListStore::Read(std::string& problem) {
    SavedTaskList list;
    problem.clear();
    if (!Claimed() || !FileStateOf(FPath).Exists) return list;
    std::string text, why;
    if (!ReadFileContents(FPath, text, why)) {
        problem = "The saved task list \"" + FPath + "\" could not be read: " + why;
        return list;
    }
    if (ParseTaskList(text, list, why)) return list;
    // Set aside for whoever wants to look at it; the program goes on.
    char stamp[32];
    const std::tm now = LocalTime(std::time(nullptr));
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &now);
    const std::string aside = FPath + ".damaged-" + stamp;
    std::string moved;
    problem = "The saved task list \"" + FPath + "\" is damaged (" + why + ").";
    if (RenameFile(FPath, aside, false, moved) == RenameResult::Done)
        problem += " It was set aside as \"" + aside + "\"";
    else
        problem += " It could not be set aside (" + moved + ")";
    problem += list.Tasks.empty() ? "." : "; the tasks that could be read are back in the list.";
    return list;
}

bool TaskListStore::Write(const TaskQueue& tasks, bool endedNormally, bool withTasks,
                          std::string& reason) {
    if (!Claimed()) return true;
    return ReplaceFileContents(FPath, FormatTaskList(tasks, endedNormally, withTasks), reason);
}

std::optional<TaskListSaveRule::Clock::duration>
TaskListSaveRule::Due(std::uint64_t revision, Clock::time_point now) const {
    if (FRevision == revision) return std::nullopt;
    if (!FRevision) return Clock::duration::zero();
    const Clock::time_point at = FWrittenAt + Gap;
    return at <= now ? Clock::duration::zero() : at - now;
}

void TaskListSaveRule::Written(std::uint64_t revision, Clock::time_point now) {
    FRevision = revision;
    FWrittenAt = now;
}
