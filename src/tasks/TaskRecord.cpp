#include "tasks/TaskRecord.h"

#include "base/TimeText.h"

#include <stdexcept>

namespace {
std::string& TextOf(ltvItemData& t, int field) {
    switch (field) {
    case tfInputFile:
        return t.InputFile;
    case tfLength:
        return t.Length;
    case tfSize:
        return t.Size;
    case tfStatus:
        return t.Status;
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

const std::string& TextOf(const ltvItemData& t, int field) {
    return TextOf(const_cast<ltvItemData&>(t), field);
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

void CheckIndex(const TaskRows& rows, int index) {
    if (index < 0 || index >= rows.Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

void CheckField(int field) {
    if (field < tfAll || field > tfStreamLengths)
        throw std::out_of_range("TaskField " + std::to_string(field));
}
} // namespace

int TaskRows::Append(const std::string& caption) {
    int index = Count();
    if (FListener) FListener->RowsAboutToBeInserted(index, index);
    FRows.push_back(TaskRow{caption, {}});
    if (FListener) FListener->RowsInserted(index, index);
    return index;
}

void TaskRows::Delete(int index) {
    CheckIndex(*this, index);
    if (FListener) FListener->RowsAboutToBeRemoved(index, index);
    FRows.erase(FRows.begin() + index);
    if (FListener) FListener->RowsRemoved(index, index);
}

void TaskRows::Clear() {
    // Last row to first, as the list deletes them.
    for (int i = Count() - 1; i >= 0; --i)
        Delete(i);
}

void TaskRows::SetCaption(int index, const std::string& text) {
    CheckIndex(*this, index);
    FRows[static_cast<size_t>(index)].Caption = text;
    if (FListener) FListener->RowChanged(index, -1);
}

void TaskRows::SetSubItem(int index, int subItem, const std::string& text) {
    CheckIndex(*this, index);
    if (subItem < 0 || subItem >= TaskSubItemCount)
        throw std::out_of_range("List index out of bounds (" + std::to_string(subItem) + ")");
    FRows[static_cast<size_t>(index)].SubItems[static_cast<size_t>(subItem)] = text;
    if (FListener) FListener->RowChanged(index, subItem);
}

int TaskRows::Find(const std::string& path) const {
    for (int i = 0; i < Count(); ++i)
        if (FRows[static_cast<size_t>(i)].Caption == path) return i;
    return -1;
}

void GetTaskData(const TaskRows& rows, int index, int field, ltvItemData& task) {
    CheckIndex(rows, index);
    CheckField(field);
    const TaskRow& row = rows.Row(index);
    auto copy = [&](int f) {
        std::string& text = TextOf(task, f);
        text = f == tfInputFile ? row.Caption : row.SubItems[static_cast<size_t>(f)];
        if (double* number = NumberOf(task, f)) *number = TimeToSeconds(text);
    };
    if (field == tfAll) {
        for (int f = tfInputFile; f <= tfStreamLengths; ++f)
            copy(f);
    } else {
        copy(field);
    }
}

void SetTaskData(TaskRows& rows, int index, int field, const ltvItemData& task) {
    CheckIndex(rows, index);
    CheckField(field);
    auto write = [&](int f) {
        if (f == tfInputFile)
            rows.SetCaption(index, task.InputFile);
        else
            rows.SetSubItem(index, f, TextOf(task, f));
    };
    if (field == tfAll) {
        for (int f = tfInputFile; f <= tfStreamLengths; ++f)
            write(f);
    } else {
        write(field);
    }
}
