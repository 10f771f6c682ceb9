#pragma once
// The Task: one input video of the batch with what probing learnt about it,
// its status, its output name and the part of it to convert. Tasks live in
// the rows of the task list (TaskRows); code that needs one copies it out
// into an ltvItemData record and writes fields back.
#include <array>
#include <functional>
#include <string>
#include <vector>

struct ltvItemData {
    std::string InputFile;   // row caption: full path of the input
    std::string Length;      // sub-item 0: duration as the encoder prints it
    std::string Size;        // sub-item 1: picture size as the encoder prints it
    std::string Status;      // sub-item 2: "Probing", "OK", "Unreadable", "Converting",
                             // "Complete", "Stop", "Failed"
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

inline constexpr int TaskSubItemCount = 11;

struct TaskRow {
    std::string Caption;
    std::array<std::string, TaskSubItemCount> SubItems;
};

// The rows of the task list: the one store of the tasks. The window's list
// model shows these rows directly and hears of every change through the
// listener, so there is never a second copy of a task.
class TaskRows {
public:
    struct Listener {
        virtual ~Listener() = default;
        virtual void RowsAboutToBeInserted(int first, int last) = 0;
        virtual void RowsInserted(int first, int last) = 0;
        virtual void RowsAboutToBeRemoved(int first, int last) = 0;
        virtual void RowsRemoved(int first, int last) = 0;
        // column -1 is the caption, 0..10 a sub-item.
        virtual void RowChanged(int row, int column) = 0;
    };

    int Count() const { return static_cast<int>(FRows.size()); }
    const TaskRow& Row(int index) const { return FRows.at(static_cast<size_t>(index)); }

    // Appends a row with the caption and empty sub-items; returns its index.
    int Append(const std::string& caption);
    void Delete(int index);
    void Clear();
    void SetCaption(int index, const std::string& text);
    void SetSubItem(int index, int subItem, const std::string& text);

    // Index of the row whose caption equals path exactly (case-sensitive), or -1.
    int Find(const std::string& path) const;

    void SetListener(Listener* listener) { FListener = listener; }

private:
    std::vector<TaskRow> FRows;
    Listener* FListener = nullptr;
};

// Copies fields of the row at index into task. Reading a time text also
// refreshes its number; fields not selected keep what the record held.
void GetTaskData(const TaskRows& rows, int index, int field, ltvItemData& task);
// Writes fields of task into the row at index; numbers are not written.
void SetTaskData(TaskRows& rows, int index, int field, const ltvItemData& task);
