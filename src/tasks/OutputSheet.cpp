#include "tasks/OutputSheet.h"

#include "engine/TimeText.h"
#include "tasks/FileNames.h"

std::vector<SheetRow> InitialOutputRows() {
    std::vector<SheetRow> rows(3);
    rows[0].Caption = OutputKeyNewFilename;
    rows[1].Caption = OutputKeyStartTime;
    rows[2].Caption = OutputKeyEndTime;
    return rows;
}

OutputSheetValues OutputSheetFor(const ltvItemData& task, const std::string& outputExtension) {
    return {task.NewFileName + outputExtension, task.StartTime, task.EndTime};
}

void ApplyOutputEdit(const OutputSheetValues& typed, ltvItemData& task) {
    const std::string& name = typed.NewFileName;
    task.NewFileName = StripFileExt(name);
    const auto dot = name.rfind('.');
    task.NewFileExt = dot == std::string::npos ? std::string() : name.substr(dot);

    // Without stored times there is nothing to check a typed time against.
    if (task.StartSec < 0 || task.EndSec < 0) return;

    double s = TimeToSeconds(typed.StartTime);
    double e = TimeToSeconds(typed.EndTime);
    if (s == -1) s = task.StartSec;
    if (e == -1) e = task.EndSec;
    bool startKept = s == task.StartSec;
    if (s < 0 || !(s < e) || !(s < task.SourceEndSec)) {
        s = task.StartSec;
        startKept = true;
    }
    bool endKept = e == task.EndSec;
    if (!(e > 0) || !(e > s) || !(e > task.SourceStartSec)) {
        e = task.EndSec;
        endKept = true;
    }
    if (e < s) return; // stored range already inverted: leave it to the user

    // A refused or unchanged time keeps its stored text ("00:00:00.0" stays).
    if (!startKept) task.StartTime = SecondsToTime(s);
    if (!endKept) task.EndTime = SecondsToTime(e);
    task.ClipLength = SecondsToTime(e - s);
    task.StartSec = s;
    task.EndSec = e;
    task.ClipLengthSec = TimeToSeconds(task.ClipLength);
}

void vleOutputValidate(TaskRows& rows, int selectedIndex, const OutputSheetValues& typed) {
    if (selectedIndex < 0) return;
    ltvItemData task;
    GetTaskData(rows, selectedIndex, tfAll, task);
    ApplyOutputEdit(typed, task);
    for (int field : {tfNewFileName, tfNewFileExt, tfClipLength, tfStartTime, tfEndTime})
        SetTaskData(rows, selectedIndex, field, task);
}

OutputSheetValues OutputSheetValuesOf(const ParamSheet& sheet) {
    return {sheet.Value("New FileName"), sheet.Value(OutputKeyStartTime),
            sheet.Value(OutputKeyEndTime)};
}

void SetOutputSheetValues(ParamSheet& sheet, const OutputSheetValues& values) {
    sheet.SetValue(OutputKeyNewFilename, values.NewFileName);
    sheet.SetValue(OutputKeyStartTime, values.StartTime);
    sheet.SetValue(OutputKeyEndTime, values.EndTime);
}

void ShowSelectedTask(ParamSheet& sheet, const TaskRows& rows, int selectedIndex,
                      const std::string& outputExtension) {
    if (selectedIndex < 0) {
        SetOutputSheetValues(sheet, {});
        return;
    }
    ltvItemData task;
    GetTaskData(rows, selectedIndex, tfAll, task);
    SetOutputSheetValues(sheet, OutputSheetFor(task, outputExtension));
}
