#include "tasks/TaskQueue.h"

#include "base/FileNames.h"
#include "tasks/OutputSheet.h"
#include "tasks/TaskRecord.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

struct TaskQueue::Node {
    Task Item;
    int Slot = 0; // its place in Rows
};

// The list order: the tasks in slots, appended at the end; a removed task
// leaves an empty slot. A tree of prefix sums (a Fenwick tree) over the
// slots in use turns a slot into its row and a row into its slot in
// O(log n), so that removing a task never shifts the others. Empty slots
// are squeezed out once they outnumber the tasks.
class TaskQueue::Rows {
public:
    int Count() const { return FCount; }
    Node* At(int slot) const { return FSlots[static_cast<size_t>(slot)]; }

    void Append(Node* node) {
        FSlots.push_back(node);
        const int n = static_cast<int>(FSlots.size());
        // The new tree cell sums the slots (n - lowbit(n), n], this one too.
        FTree.push_back(1 + Prefix(n - 1) - Prefix(n - (n & -n)));
        node->Slot = n - 1;
        ++FCount;
    }

    // Empties the slot; true when the slots were squeezed afterwards (the
    // nodes then have new slots).
    bool Vacate(int slot) {
        FSlots[static_cast<size_t>(slot)] = nullptr;
        for (int i = slot + 1; i <= static_cast<int>(FSlots.size()); i += i & -i)
            --FTree[static_cast<size_t>(i)];
        --FCount;
        if (static_cast<int>(FSlots.size()) <= 2 * FCount + 64) return false;
        Squeeze();
        return true;
    }

    void Swap(int a, int b) {
        std::swap(FSlots[static_cast<size_t>(a)], FSlots[static_cast<size_t>(b)]);
        FSlots[static_cast<size_t>(a)]->Slot = a;
        FSlots[static_cast<size_t>(b)]->Slot = b;
    }

    // The tasks before the slot.
    int RowOf(int slot) const { return Prefix(slot); }

    // The slot of the task at row (0 <= row < Count()).
    int SlotOf(int row) const {
        const int n = static_cast<int>(FSlots.size());
        int step = 1;
        while (step * 2 <= n)
            step *= 2;
        int at = 0, left = row + 1;
        for (; step > 0; step /= 2)
            if (at + step <= n && FTree[static_cast<size_t>(at + step)] < left) {
                at += step;
                left -= FTree[static_cast<size_t>(at)];
            }
        return at;
    }

    template <class F> void ForEach(F visit) const {
        for (Node* node : FSlots)
            if (node) visit(*node);
    }

    void Clear() {
        FSlots.clear();
        FTree.assign(1, 0);
        FCount = 0;
    }

private:
    int Prefix(int slots) const {
        int sum = 0;
        for (int i = slots; i > 0; i -= i & -i)
            sum += FTree[static_cast<size_t>(i)];
        return sum;
    }

    void Squeeze() {
        std::vector<Node*> used;
        used.reserve(static_cast<size_t>(FCount));
        for (Node* node : FSlots)
            if (node) used.push_back(node);
        Clear();
        for (Node* node : used)
            Append(node);
    }

    std::vector<Node*> FSlots;
    std::vector<int> FTree = {0}; // 1-based
    int FCount = 0;
};

TaskQueue::TaskQueue() : FRows(std::make_unique<Rows>()) {}

TaskQueue::~TaskQueue() = default;

int TaskQueue::Count() const {
    return FRows->Count();
}

const Task& TaskQueue::At(int row) const {
    if (row < 0 || row >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(row) + ")");
    return FRows->At(FRows->SlotOf(row))->Item;
}

TaskQueue::Node* TaskQueue::NodeOf(TaskId id) const {
    auto it = FNodes.find(id);
    return it == FNodes.end() ? nullptr : it->second.get();
}

const Task* TaskQueue::Find(TaskId id) const {
    const Node* node = NodeOf(id);
    return node ? &node->Item : nullptr;
}

int TaskQueue::RowOf(TaskId id) const {
    const Node* node = NodeOf(id);
    return node ? FRows->RowOf(node->Slot) : -1;
}

bool TaskQueue::Contains(std::string_view path) const {
    return FPaths.count(std::string(path)) > 0;
}

std::vector<TaskId> TaskQueue::Ids() const {
    std::vector<TaskId> ids;
    ids.reserve(static_cast<size_t>(Count()));
    FRows->ForEach([&](const Node& node) { ids.push_back(node.Item.Id); });
    return ids;
}

void TaskQueue::SetNextId(TaskId id) {
    FNextId = std::max(FNextId, id);
}

std::vector<TaskId> TaskQueue::AddFiles(const std::vector<std::string>& paths,
                                        const std::string& outputExtension) {
    std::vector<Task> tasks;
    tasks.reserve(paths.size());
    for (const std::string& path : paths) {
        Task task;
        task.InputFile = path;
        task.NewFileName = StripFileExt(ExtractFileName(path));
        task.NewFileExt = outputExtension;
        tasks.push_back(std::move(task));
    }
    return AddTasks(std::move(tasks));
}

std::vector<TaskId> TaskQueue::AddTasks(std::vector<Task> tasks) {
    // Left out first, so that the listener hears of one insertion.
    std::vector<Task> taken;
    taken.reserve(tasks.size());
    std::unordered_set<TaskId> ids;
    for (Task& task : tasks) {
        if (!FPaths.emplace(task.InputFile, 0).second) continue;
        if (task.Id == 0 || FNodes.count(task.Id) || !ids.insert(task.Id).second) task.Id = 0;
        taken.push_back(std::move(task));
    }
    std::vector<TaskId> added;
    if (taken.empty()) return added;
    for (Task& task : taken)
        if (task.Id != 0) FNextId = std::max(FNextId, task.Id + 1);
    const int first = Count();
    const int last = first + static_cast<int>(taken.size()) - 1;
    ++FRevision;
    if (FListener) FListener->TasksAboutToBeInserted(first, last);
    for (Task& task : taken) {
        if (task.Id == 0) task.Id = FNextId++;
        if (task.State == TaskState::Probing) ++FProbing;
        FPaths[task.InputFile] = task.Id;
        added.push_back(task.Id);
        auto node = std::make_unique<Node>();
        node->Item = std::move(task);
        FRows->Append(node.get());
        FNodes.emplace(node->Item.Id, std::move(node));
    }
    if (FListener) FListener->TasksInserted(first, last);
    return added;
}

std::vector<Task> TaskQueue::Remove(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= Count(); });
    std::vector<Task> removed;
    // From the last to the first, a run of neighbouring rows at a time.
    for (size_t i = 0; i < rows.size();) {
        size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] - 1)
            ++end;
        const int last = rows[i], first = rows[end - 1];
        ++FRevision;
        if (FListener) FListener->TasksAboutToBeRemoved(first, last);
        for (int row = last; row >= first; --row) {
            Node* node = FRows->At(FRows->SlotOf(row));
            Task& task = node->Item;
            if (task.State == TaskState::Probing) --FProbing;
            ForgetPath(task);
            FRows->Vacate(node->Slot);
            removed.push_back(std::move(task));
            FNodes.erase(removed.back().Id);
        }
        if (FListener) FListener->TasksRemoved(first, last);
        i = end;
    }
    return removed;
}

void TaskQueue::Clear() {
    const int count = Count();
    if (count == 0) return;
    ++FRevision;
    if (FListener) FListener->TasksAboutToBeRemoved(0, count - 1);
    FRows->Clear();
    FNodes.clear();
    FPaths.clear();
    FProbing = 0;
    if (FListener) FListener->TasksRemoved(0, count - 1);
}

std::vector<int> TaskQueue::Exchange(std::vector<int> selected, int step) {
    // Moving up goes through the selected rows top down, moving down bottom
    // up; each is exchanged with its neighbour in the direction of the move
    // (the first row never moves up, the last never down), and the selection
    // moves with it.
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    std::erase_if(selected, [this](int row) { return row < 0 || row >= Count(); });
    std::vector<int> now = selected;
    const auto move = [&](size_t k) {
        const int row = selected[k], other = row + step;
        if (other < 0 || other >= Count()) return;
        const int top = std::min(row, other);
        FRows->Swap(FRows->SlotOf(top), FRows->SlotOf(top + 1));
        ++FRevision;
        if (FListener) FListener->TasksExchanged(top);
        now[k] = other;
    };
    if (step < 0)
        for (size_t k = 0; k < selected.size(); ++k)
            move(k);
    else
        for (size_t k = selected.size(); k-- > 0;)
            move(k);
    std::sort(now.begin(), now.end());
    now.erase(std::unique(now.begin(), now.end()), now.end());
    return now;
}

std::vector<int> TaskQueue::MoveUp(const std::vector<int>& selected) {
    return Exchange(selected, -1);
}

std::vector<int> TaskQueue::MoveDown(const std::vector<int>& selected) {
    return Exchange(selected, 1);
}

void TaskQueue::ForgetPath(const Task& task) {
    auto it = FPaths.find(task.InputFile);
    if (it != FPaths.end() && it->second == task.Id) FPaths.erase(it);
}

void TaskQueue::Change(Node& node, const std::function<void(Task&)>& change) {
    Task& task = node.Item;
    const TaskId id = task.Id;
    const std::string input = task.InputFile;
    const bool probing = task.State == TaskState::Probing;
    change(task);
    task.Id = id;
    if (task.InputFile != input) {
        auto old = FPaths.find(input);
        if (old != FPaths.end() && old->second == id) FPaths.erase(old);
        FPaths.emplace(task.InputFile, id);
    }
    FProbing += (task.State == TaskState::Probing ? 1 : 0) - (probing ? 1 : 0);
    if (FListener) FListener->TaskChanged(FRows->RowOf(node.Slot), id);
}

void TaskQueue::Edit(int row, const std::function<void(Task&)>& change) {
    At(row);
    ++FRevision;
    Change(*FRows->At(FRows->SlotOf(row)), change);
}

bool TaskQueue::ApplyProbe(TaskId id, const ProbeResult& probe, std::string* refused) {
    Node* node = NodeOf(id);
    if (!node || node->Item.State != TaskState::Probing) return false;
    Change(*node, [&](Task& task) {
        // Times set while the probe ran are judged against the probed range.
        const std::string keptStart = task.StartTime, keptEnd = task.EndTime;
        const std::string reason = task.Reason;
        task.Length = task.ClipLength = probe.Duration;
        task.Size = probe.Size;
        task.SourceStart = task.StartTime = probe.Start;
        task.SourceEnd = task.EndTime = probe.End;
        task.StreamLengths = probe.StreamLengths;
        // A task brought back returns to its state, with its reason.
        task.State = probe.Problem.empty() ? task.AfterProbe : TaskState::Unreadable;
        task.Reason =
            probe.Problem.empty() && task.State != TaskState::Ready ? reason : probe.Problem;
        task.AfterProbe = TaskState::Ready;
        ltvItemData record = RecordOf(task);
        const std::string message = ApplyKeptTimes(keptStart, keptEnd, record);
        if (refused) *refused = message;
        task.ClipLength = record.ClipLength;
        task.StartTime = record.StartTime;
        task.EndTime = record.EndTime;
        // Saved lists are probed again when they are read: only a time that
        // did not fit is worth saving.
        if ((!keptStart.empty() && task.StartTime != keptStart) ||
            (!keptEnd.empty() && task.EndTime != keptEnd))
            ++FRevision;
    });
    return true;
}

std::string TaskQueue::StartRefusal() const {
    if (FProbing == 0) return "";
    std::string text =
        FProbing == 1
            ? "1 file of the Task List is still being probed for its length and size."
            : std::to_string(FProbing) +
                  " files of the Task List are still being probed for their length and size.";
    return text + "\n\nPlease press Start again when no task shows the Status \"" +
           StatusText(TaskState::Probing) + "\".";
}

void TaskQueue::SetState(TaskId id, TaskState state, std::string reason) {
    if (Node* node = NodeOf(id)) {
        ++FRevision;
        Change(*node, [&](Task& task) {
            // A task that goes on after a pause keeps its progress.
            if (state == TaskState::Converting && task.State != TaskState::Paused) task.Percent = 0;
            task.State = state;
            task.Reason = std::move(reason);
        });
    }
}

void TaskQueue::SetProgress(TaskId id, int percent) {
    Node* node = NodeOf(id);
    if (node && node->Item.Percent != percent)
        Change(*node, [percent](Task& task) { task.Percent = percent; });
}

void TaskQueue::SetOutput(TaskId id, std::string path) {
    if (Node* node = NodeOf(id)) node->Item.Output = std::move(path);
}

void TaskQueue::SetPartFile(TaskId id, std::string path) {
    Node* node = NodeOf(id);
    if (!node || node->Item.PartFile == path) return;
    node->Item.PartFile = std::move(path);
    ++FRevision;
}

TaskLogEntry* TaskQueue::NewLog(TaskId id) {
    Node* node = NodeOf(id);
    if (!node) return nullptr;
    node->Item.Log.emplace();
    node->Item.Log->InputFile = node->Item.InputFile;
    return &*node->Item.Log;
}

TaskLogEntry* TaskQueue::LogOf(TaskId id) {
    Node* node = NodeOf(id);
    return node && node->Item.Log ? &*node->Item.Log : nullptr;
}
