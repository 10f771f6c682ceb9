#include "tasks/TaskRecord.h"

#include "base/TimeText.h"
#include "tasks/TaskQueue.h"

#include <stdexcept>

namespace {
// A text field of a record or of a task (the same names in both); the
// status is a text only in the record.
template <class T> std::string& TextOf(T& t, int field) {
    switch (field) {
    case tfInputFile:
        return t.InputFile;
    case tfLength:
        return t.Length;
    case tfSize:
        return t.Size;
    case tfNewFileName:
        return t.NewFileName;
    case tfNewFileExt:
        return t.NewFileExt;
    case tfSourceStart:
        return t.SourceStart;
    case tfSourceEnd:
        return t.SourceEnd;
    case tfClipLength:
        return t.ClipLength;
    case tfStartTime:
        return t.StartTime;
    case tfEndTime:
        return t.EndTime;
    case tfStreamLengths:
        return t.StreamLengths;
    }
    throw std::out_of_range("TaskField " + std::to_string(field));
}

// The number that belongs to a time-text field, or nullptr.
double* NumberOf(ltvItemData& t, int field) {
    switch (field) {
    case tfLength:
        return &t.LengthSec;
    case tfSourceStart:
        return &t.SourceStartSec;
    case tfSourceEnd:
        return &t.SourceEndSec;
    case tfClipLength:
        return &t.ClipLengthSec;
    case tfStartTime:
        return &t.StartSec;
    case tfEndTime:
        return &t.EndSec;
    default:
        return nullptr;
    }
}

void CheckField(int field) {
    if (field < tfAll || field > tfStreamLengths)
        throw std::out_of_range("TaskField " + std::to_string(field));
}

void ReadOne(const Task& task, int field, ltvItemData& record) {
    if (field == tfStatus) {
        record.Status = StatusText(task.State);
        return;
    }
    std::string& text = TextOf(record, field);
    text = TextOf(const_cast<Task&>(task), field);
    if (double* number = NumberOf(record, field)) *number = TimeToSeconds(text);
}

// The state a record's Status names; std::invalid_argument for a text of no
// state.
TaskState StateOf(const ltvItemData& record) {
    TaskState state;
    if (!StateOfText(record.Status, state))
        throw std::invalid_argument("\"" + record.Status + "\" is not a status");
    return state;
}

void WriteOne(Task& task, int field, const ltvItemData& record, TaskState state) {
    if (field != tfStatus) {
        TextOf(task, field) = TextOf(const_cast<ltvItemData&>(record), field);
    } else if (state != task.State) {
        task.State = state;
        task.Reason.clear();
    }
}
} // namespace

ltvItemData RecordOf(const Task& task) {
    ltvItemData record;
    ReadTaskField(task, tfAll, record);
    return record;
}

void ReadTaskField(const Task& task, int field, ltvItemData& record) {
    CheckField(field);
    if (field != tfAll) return ReadOne(task, field, record);
    for (int f = tfInputFile; f <= tfStreamLengths; ++f)
        ReadOne(task, f, record);
}

void WriteTaskField(Task& task, int field, const ltvItemData& record) {
    CheckField(field);
    // A status of no state changes nothing at all.
    const TaskState state = field == tfAll || field == tfStatus ? StateOf(record) : task.State;
    if (field != tfAll) return WriteOne(task, field, record, state);
    for (int f = tfInputFile; f <= tfStreamLengths; ++f)
        WriteOne(task, f, record, state);
}

void GetTaskData(const TaskQueue& tasks, int index, int field, ltvItemData& task) {
    ReadTaskField(tasks.At(index), field, task);
}

void SetTaskData(TaskQueue& tasks, int index, int field, const ltvItemData& task) {
    CheckField(field);
    tasks.Edit(index, [&](Task& t) { WriteTaskField(t, field, task); });
}
