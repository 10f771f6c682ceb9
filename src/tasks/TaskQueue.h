#pragma once
// The task queue: the tasks in list order and the rules of the list's life.
// Adding files (a path in the list already adds nothing), removing, clearing,
// moving a selection up or down, a probe's result, the refusal of Start
// while probes run, and each change a batch makes to a task. Tasks are known
// by their ids, which never change; rows are their places in the list, which
// do. One listener (the window's list) hears of every insert, removal,
// move and change, so that it can show the list as it is.
//
// Adding, removing and moving a task, and finding a task's row or the task
// of a row, cost about the same with ten thousand tasks as with ten: the
// paths are hashed and the rows are counted in a tree of prefix sums.
#include "tasks/Probe.h"
#include "tasks/Task.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TaskQueue {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // Rows first..last are about to come, and have come.
        virtual void TasksAboutToBeInserted(int first, int last) = 0;
        virtual void TasksInserted(int first, int last) = 0;
        // Rows first..last are about to go, and have gone.
        virtual void TasksAboutToBeRemoved(int first, int last) = 0;
        virtual void TasksRemoved(int first, int last) = 0;
        // The tasks of rows row and row + 1 have changed places.
        virtual void TasksExchanged(int row) = 0;
        // Something of the task at row has changed.
        virtual void TaskChanged(int row, TaskId id) = 0;
    };

    TaskQueue();
    ~TaskQueue();
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    void SetListener(Listener* listener) { FListener = listener; }

    int Count() const;
    // The task at row; std::out_of_range outside the list.
    const Task& At(int row) const;
    // The task with this id; null when there is none (it was removed).
    const Task* Find(TaskId id) const;
    // The row of the task with this id, or -1.
    int RowOf(TaskId id) const;
    // Whether a task has this input (compared exactly, letter case counts).
    bool Contains(std::string_view path) const;
    // The ids in list order.
    std::vector<TaskId> Ids() const;
    // How many tasks wait for their probe.
    int ProbingCount() const { return FProbing; }
    // Counts the changes to what the saved list keeps of the tasks (their
    // ids, order, inputs, Output values, states, reasons and temporary
    // outputs): a progress reading or a probe's result that changes none of
    // them does not count.
    std::uint64_t Revision() const { return FRevision; }

    // The id the next new task gets. A list brought back from elsewhere may
    // move it on so that new tasks never take one of its ids; it never goes
    // back.
    TaskId NextId() const { return FNextId; }
    void SetNextId(TaskId id);

    // Appends a task for each path that is not in the list yet (nor twice in
    // paths), waiting for its probe: state Probing, the output named after
    // the input with outputExtension, everything else empty until the probe
    // ends. One insertion for them all; returns their ids in order.
    std::vector<TaskId> AddFiles(const std::vector<std::string>& paths,
                                 const std::string& outputExtension);
    // Appends whole tasks (a list brought back): a task keeps its id unless
    // it has none or another task has it; a task whose input is in the list
    // already is left out. One insertion; returns the ids of those added.
    std::vector<TaskId> AddTasks(std::vector<Task> tasks);
    // Removes the tasks of these rows (rows outside the list are ignored),
    // from the last to the first; returns them, last first.
    std::vector<Task> Remove(std::vector<int> rows);
    void Clear();

    // Move Up: for each selected row i from the second row down, in
    // ascending order, the tasks of rows i and i-1 change places and the
    // selection goes with it. Returns the new selection, ascending. Nothing
    // moves when nothing is selected; a selected first row stays, and with
    // the first two rows selected only the new first one stays selected.
    std::vector<int> MoveUp(const std::vector<int>& selected);
    // Move Down: the same from the second-last row up, with row i+1.
    std::vector<int> MoveDown(const std::vector<int>& selected);

    // A probe has ended: the task fills in its length, size and range and is
    // Ready (or its AfterProbe state), or Unreadable with the probe's problem
    // as its reason. Its
    // Output values stay; times set while it was probed stay where they fit
    // the probed length (ApplyKeptTimes), and what did not fit is put in
    // refused (empty when all fits). A result for a task that is gone or no
    // longer probing is dropped: false.
    bool ApplyProbe(TaskId id, const ProbeResult& probe, std::string* refused = nullptr);
    // Why Start cannot begin a batch now (files still being probed), for
    // the user; empty when it can.
    std::string StartRefusal() const;

    // What a batch does to a task. A new state takes reason as the task's
    // reason; Converting also starts its progress at 0, unless the task
    // comes back from a pause.
    void SetState(TaskId id, TaskState state, std::string reason = {});
    void SetProgress(TaskId id, int percent);
    void SetOutput(TaskId id, std::string path);
    // The temporary file the task's encoder writes into (empty: none now).
    void SetPartFile(TaskId id, std::string path);
    // The task's log: a new one for a run that begins (the earlier one goes),
    // or the one it has; null when the task is gone (or has none).
    TaskLogEntry* NewLog(TaskId id);
    TaskLogEntry* LogOf(TaskId id);

    // Changes the task at row (std::out_of_range outside the list) and tells
    // the listener. Its id stays; its input may change (the list then finds
    // it under the new one).
    void Edit(int row, const std::function<void(Task&)>& change);

private:
    struct Node;
    class Rows;

    Node* NodeOf(TaskId id) const;
    // The path is no longer the task's (it was removed or renamed).
    void ForgetPath(const Task& task);
    void Change(Node& node, const std::function<void(Task&)>& change);
    std::vector<int> Exchange(std::vector<int> selected, int step);

    std::unordered_map<TaskId, std::unique_ptr<Node>> FNodes;
    std::unordered_map<std::string, TaskId> FPaths;
    std::unique_ptr<Rows> FRows;
    Listener* FListener = nullptr;
    TaskId FNextId = 1;
    int FProbing = 0;
    std::uint64_t FRevision = 0;
};
