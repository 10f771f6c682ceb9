#pragma once
// The Task record ltvItemData: a task's texts copied out of the task list,
// with the numbers worked out from its time texts. Code that needs a task
// (the output naming, the Output sheet, the batch) reads it into a record
// with GetTaskData and writes fields back with SetTaskData.
#include "tasks/Task.h"

#include <string>

struct ltvItemData {
    std::string InputFile;   // row caption: full path of the input
    std::string Length;      // sub-item 0: duration as the encoder prints it
    std::string Size;        // sub-item 1: picture size as the encoder prints it
    std::string Status;      // sub-item 2: StatusText of the task's state
    std::string NewFileName; // sub-item 3: output name without directory and extension
    std::string NewFileExt;  // sub-item 4: output extension with its dot
    std::string SourceStart; // sub-item 5: start of the input's full range
    std::string SourceEnd;   // sub-item 6: end of the input's full range
    std::string ClipLength;  // sub-item 7: length of the part to convert
    std::string StartTime;   // sub-item 8: start of the part to convert
    std::string EndTime;     // sub-item 9: end of the part to convert
    // sub-item 10, never shown: where the input's streams end, as probing
    // found (ProbeResult::StreamLengths)
    std::string StreamLengths;
    // Worked out from the texts above on every read (TimeToSeconds, -1 for a
    // text that is not a time); never stored in the row.
    double LengthSec = 0;
    double SourceStartSec = 0;
    double SourceEndSec = 0;
    double ClipLengthSec = 0;
    double StartSec = 0;
    double EndSec = 0;

    bool operator==(const ltvItemData&) const = default;
};

// What GetTaskData / SetTaskData touch: -2 everything, -1 the input file
// (row caption), 0..10 one sub-item.
enum TaskField : int {
    tfAll = -2,
    tfInputFile = -1,
    tfLength = 0,
    tfSize = 1,
    tfStatus = 2,
    tfNewFileName = 3,
    tfNewFileExt = 4,
    tfSourceStart = 5,
    tfSourceEnd = 6,
    tfClipLength = 7,
    tfStartTime = 8,
    tfEndTime = 9,
    tfStreamLengths = 10,
};

class TaskQueue;

// The whole record of a task, its numbers worked out.
ltvItemData RecordOf(const Task& task);
// Copies one field (or all, or the input file) of task into record; a time
// text also refreshes its number. Fields not selected keep what they held.
void ReadTaskField(const Task& task, int field, ltvItemData& record);
// Writes one field (or all, or the input file) of record into task. A
// Status takes the state whose text it is (std::invalid_argument for a text
// of no state); a new state clears the task's reason.
void WriteTaskField(Task& task, int field, const ltvItemData& record);

// The same over the task at index of the queue (std::out_of_range outside
// the list or for a field that does not exist).
void GetTaskData(const TaskQueue& tasks, int index, int field, ltvItemData& task);
void SetTaskData(TaskQueue& tasks, int index, int field, const ltvItemData& task);
