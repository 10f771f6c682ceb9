#include "tasks/OutputSheet.h"

#include "base/FileNames.h"
#include "base/TimeText.h"

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

    // A stored time of -1 is unknown: the probe found no length (no end) or
    // did not run at all (no start either). An unknown end or input end
    // bounds nothing, so such a task still takes a start, and an end that
    // gives it a clip length.
    double s = TimeToSeconds(typed.StartTime);
    double e = TimeToSeconds(typed.EndTime);
    if (s == -1) s = task.StartSec;
    if (e == -1) e = task.EndSec;
    bool startKept = s == task.StartSec;
    const bool startFits =
        s >= 0 && (e < 0 || s < e) && (task.SourceEndSec < 0 || s < task.SourceEndSec);
    if (!startFits) {
        s = task.StartSec;
        startKept = true;
    }
    bool endKept = e == task.EndSec;
    if (!(e > 0) || !(e > s) || !(e > task.SourceStartSec)) {
        e = task.EndSec;
        endKept = true;
    }
    // Both times as they were (a rename): the range stays exactly as it is.
    // Recomputing the clip length would round a probed "00:00:03.36" to
    // tenths and turn the untouched range into a trim.
    if (startKept && endKept) return;

    const double from = s < 0 ? 0 : s; // no start: the encoder starts at 0
    if (e >= 0 && e < from) return;    // stored range already inverted

    // A refused or unchanged time keeps its stored text ("00:00:00.0" stays).
    if (!startKept) {
        task.StartTime = SecondsToTime(s);
        task.StartSec = s;
    }
    if (!endKept) {
        task.EndTime = SecondsToTime(e);
        task.EndSec = e;
    }
    if (e < 0) return; // no end: the clip runs to the input's end, length unknown
    task.ClipLength = SecondsToTime(e - from);
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
