#pragma once
// The task list kept between runs: the file tasks.list in the state folder,
// written whole while the program runs and read once as it starts. A start
// after a crash, a kill or the end of the session finds the list as it last
// was and brings it back; the tasks that were converting come back
// Interrupted, and the temporary outputs they left are removed. A list left
// by a normal exit comes back when the user keeps it.
//
// The file is text of its own, one line each, fields split by tabs:
//
//   Tarvolin task list 1
//   exit     normal | open
//   next     <the id the next new task gets>
//   task     <id> <status> <input> <name> <extension> <start> <end> <reason> <temporary output>
//
// "open": the program had the list open and did not end normally, or ended
// while tasks were interrupted. In a field, a backslash, a tab, a line feed
// and a carriage return are written "\\", "\t", "\n" and "\r"; every other
// byte stays as it is, so that any name survives.
#include "platform/FileSystem.h"
#include "tasks/TaskQueue.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SavedTaskList {
    // The program ended normally with nothing interrupted.
    bool EndedNormally = true;
    TaskId NextId = 1;
    // As saved: id, input, Output values, state and reason, temporary output.
    std::vector<Task> Tasks;
};

// The file's text for the tasks (none when withTasks is false).
std::string FormatTaskList(const TaskQueue& tasks, bool endedNormally, bool withTasks = true);
// Reads a file's text. False with what is wrong and where ("line 3: ...")
// when any of it cannot be read; list then holds what could.
bool ParseTaskList(std::string_view text, SavedTaskList& list, std::string& problem);

// What a start brings back of a saved list.
struct RestoredTasks {
    // To be added before the command line's files, each Probing (a restored
    // task is probed again) and returning to its state afterwards: one that
    // was converting (it had a temporary output) Interrupted, one waiting
    // or unreadable Ready, the others as they were, with their reasons.
    std::vector<Task> Tasks;
    // The temporary outputs of the interrupted tasks, to be removed: only
    // names of that pattern, never another file.
    std::vector<std::string> PartFiles;
    // The id new tasks start from, also when no task comes back.
    TaskId NextId = 1;
};
// keepAfterNormalExit: the user's choice for a list left by a normal exit
// (one left otherwise always comes back).
RestoredTasks RestoreTasks(SavedTaskList saved, bool keepAfterNormalExit);

// The file of the list and a claim on it, so that a second copy of the
// program neither reads nor writes it while the first runs.
class TaskListStore {
public:
    // stateDir: the folder of tasks.list (and its claim), made when missing.
    explicit TaskListStore(std::string stateDir);

    // Claims the list for this program; false with why when another copy
    // holds it or the folder cannot be made. Read and Write do nothing
    // without the claim.
    bool Claim(std::string& reason);
    bool Claimed() const { return FClaim.Held(); }
    const std::string& Path() const { return FPath; }

    // The saved list; a missing file is an empty one left normally. A file
    // that cannot be read whole is renamed to
    // "tasks.list.damaged-<YYYYMMDD-HHMMSS>" (never a reason not to start) and
    // problem says so, for the user; what could be read is returned.
    SavedTaskList Read(std::string& problem);
    // Writes the list whole: a temporary file beside it, then renamed over
    // it. False with why.
    bool Write(const TaskQueue& tasks, bool endedNormally, bool withTasks, std::string& reason);

private:
    std::string FDir;
    std::string FPath;
    FileClaim FClaim;
};

// When the list is written while the program runs: a change at once when
// the last write is a second old, else a second after that write, so that
// it is written at most once a second however fast the list changes (adding
// ten thousand files is one write). The start and the end of a batch, and
// the exit, write at once.
class TaskListSaveRule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration Gap = std::chrono::seconds(1);

    // How long after now the list of this revision is due to be written;
    // nullopt when it has been written.
    std::optional<Clock::duration> Due(std::uint64_t revision, Clock::time_point now) const;
    void Written(std::uint64_t revision, Clock::time_point now);

private:
    std::optional<std::uint64_t> FRevision;
    Clock::time_point FWrittenAt{};
};
