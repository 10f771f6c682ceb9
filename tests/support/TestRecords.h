#pragma once
// Records many tests build: a task as the task list makes it for a probed
// input, and the three parameter sheets of one window.
#include "profiles/ParamSheet.h"
#include "tasks/TaskQueue.h"
#include "tasks/TaskRecord.h"

#include <string>
#include <vector>

// The task the list makes for a 320x240 input of the given length: named
// after the input, converted to .mp4, the whole clip and no trim.
ltvItemData ListedTask(const std::string& input, const std::string& length);

// Appends the task of record to the queue (its status included); returns its
// id.
TaskId AddRecord(TaskQueue& tasks, const ltvItemData& record);

// The captions of a sheet's rows, top to bottom.
std::vector<std::string> Captions(const ParamSheet& sheet);

// The Video, Audio and Advanced sheets of one window.
struct Sheets {
    ParamSheet Video, Audio, Advanced;
    SheetSet Set() { return SheetSet{&Video, &Audio, &Advanced}; }
    // The first row with this caption on any sheet, or null.
    const SheetRow* Row(const std::string& caption) const;
    // That row's value, or "" when there is no such row.
    std::string Value(const std::string& caption) const;
};
