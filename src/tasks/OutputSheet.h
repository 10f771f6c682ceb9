#pragma once
// The Output sheet: the selected task's output name and the part of its input
// to convert, shown in a small key/value grid beside the task list and
// written back into the task when the user leaves an edited cell.
#include "profiles/ParamSheet.h"
#include "tasks/TaskRecord.h"

#include <string>
#include <vector>

// The sheet's keys as its rows show them; lookups ignore letter case (the
// edit side asks for "New FileName").
inline constexpr const char* OutputKeyNewFilename = "New Filename";
inline constexpr const char* OutputKeyStartTime = "Start Time";
inline constexpr const char* OutputKeyEndTime = "End Time";

// The three values of the sheet, in row order.
struct OutputSheetValues {
    std::string NewFileName; // name with the extension
    std::string StartTime;
    std::string EndTime;

    bool operator==(const OutputSheetValues&) const = default;
};

// The three rows, all values empty, as the sheet starts.
std::vector<SheetRow> InitialOutputRows();

// What the sheet shows for task: its NewFileName followed by the current
// profile's extension, its start and its end time.
OutputSheetValues OutputSheetFor(const ltvItemData& task, const std::string& outputExtension);

// Applies an edit of the sheet to task: the name becomes NewFileName and
// NewFileExt; the typed times replace StartTime and EndTime when they are
// times within the rules (start not below 0, below the end and below the
// input's end; end above 0, above the start and above the input's start: an
// end beyond the input's end is taken, the output then ends with the input),
// else the stored time stays; ClipLength follows. When both times stay as
// they were (a rename) the range is left exactly as stored. A task whose
// probe found no length has no end to check against: it takes a start, and
// an end above the start, which gives it a clip length.
void ApplyOutputEdit(const OutputSheetValues& typed, ltvItemData& task);

// What ApplyOutputEdit would refuse of the typed times, for the user: per
// refused time a line saying what was wrong and one saying what is allowed
// ("Start Time must be before End Time and before 00:01:23.4."); empty when
// every changed time is taken.
std::string OutputTimeProblems(const OutputSheetValues& typed, const ltvItemData& task);

// Times set on a task before its probe ended (empty: none) meet the real
// range once task holds it: each is judged by the rules of a typed time and
// kept when it fits, else the probed time stays; ClipLength follows. Returns
// the message for the user, naming the file and then the lines of
// OutputTimeProblems; empty when every kept time fits.
std::string ApplyKeptTimes(const std::string& keptStart, const std::string& keptEnd,
                           ltvItemData& task);

// The grid's validation: stores the edit into the selected row (-1: none
// selected, nothing happens). Only NewFileName, NewFileExt, ClipLength,
// StartTime and EndTime of the row change.
void vleOutputValidate(TaskQueue& tasks, int selectedIndex, const OutputSheetValues& typed);

// The same between the grid's model and the task list.
OutputSheetValues OutputSheetValuesOf(const ParamSheet& sheet);
void SetOutputSheetValues(ParamSheet& sheet, const OutputSheetValues& values);
// A list click: shows the selected task (-1: empties the three values).
void ShowSelectedTask(ParamSheet& sheet, const TaskQueue& tasks, int selectedIndex,
                      const std::string& outputExtension);
