#include "tasks/OutputSheet.h"

#include "base/FileNames.h"
#include "base/TimeText.h"
#include "tasks/TaskQueue.h"

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

namespace {

// The start must lie before the end and before the input's end (when they
// are known). The end only has to follow the start and the input's start:
// an end beyond the input's length is taken, and the output then ends where
// the input does.
bool StartFits(double s, double e, const ltvItemData& task) {
    return s >= 0 && (e < 0 || s < e) && (task.SourceEndSec < 0 || s < task.SourceEndSec);
}

bool EndFits(double e, double s, const ltvItemData& task) {
    return e > 0 && e > s && e > task.SourceStartSec;
}

// Puts the typed start and end into task where they fit; ClipLength follows.
void ApplyOutputTimes(const std::string& start, const std::string& end, ltvItemData& task) {
    // A stored time of -1 is unknown: the probe found no length (no end) or
    // did not run at all (no start either). An unknown end or input end
    // bounds nothing, so such a task still takes a start, and an end that
    // gives it a clip length.
    double s = TimeToSeconds(start);
    double e = TimeToSeconds(end);
    if (s == -1) s = task.StartSec;
    if (e == -1) e = task.EndSec;
    bool startKept = s == task.StartSec;
    if (!StartFits(s, e, task)) {
        s = task.StartSec;
        startKept = true;
    }
    bool endKept = e == task.EndSec;
    if (!EndFits(e, s, task)) {
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

} // namespace

void ApplyOutputEdit(const OutputSheetValues& typed, ltvItemData& task) {
    const std::string& name = typed.NewFileName;
    task.NewFileName = StripFileExt(name);
    const auto dot = name.rfind('.');
    task.NewFileExt = dot == std::string::npos ? std::string() : name.substr(dot);
    ApplyOutputTimes(typed.StartTime, typed.EndTime, task);
}

std::string ApplyKeptTimes(const std::string& keptStart, const std::string& keptEnd,
                           ltvItemData& task) {
    // Judged as if typed into the sheet showing the probed range: a time not
    // set stands for the probed one.
    const OutputSheetValues typed{"", keptStart.empty() ? task.StartTime : keptStart,
                                  keptEnd.empty() ? task.EndTime : keptEnd};
    const std::string problems = OutputTimeProblems(typed, task);
    ApplyOutputTimes(typed.StartTime, typed.EndTime, task);
    if (problems.empty()) return "";
    return "The times set for \"" + ExtractFileName(task.InputFile) +
           "\" before its length was known do not all fit it; it keeps the times that fit.\n" +
           problems;
}

void vleOutputValidate(TaskQueue& tasks, int selectedIndex, const OutputSheetValues& typed) {
    if (selectedIndex < 0) return;
    ltvItemData task;
    GetTaskData(tasks, selectedIndex, tfAll, task);
    ApplyOutputEdit(typed, task);
    tasks.Edit(selectedIndex, [&task](Task& stored) {
        for (int field : {tfNewFileName, tfNewFileExt, tfClipLength, tfStartTime, tfEndTime})
            WriteTaskField(stored, field, task);
    });
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

void ShowSelectedTask(ParamSheet& sheet, const TaskQueue& tasks, int selectedIndex,
                      const std::string& outputExtension) {
    if (selectedIndex < 0) {
        SetOutputSheetValues(sheet, {});
        return;
    }
    ltvItemData task;
    GetTaskData(tasks, selectedIndex, tfAll, task);
    SetOutputSheetValues(sheet, OutputSheetFor(task, outputExtension));
}

std::string OutputTimeProblems(const OutputSheetValues& typed, const ltvItemData& task) {
    // The same steps as ApplyOutputEdit: a text that is not a time stands
    // for the stored time, and the end is checked against the start that
    // stays.
    double s = TimeToSeconds(typed.StartTime);
    double e = TimeToSeconds(typed.EndTime);
    const bool startIsTime = s != -1;
    const bool endIsTime = e != -1;
    if (!startIsTime) s = task.StartSec;
    if (!endIsTime) e = task.EndSec;
    const bool startFits = StartFits(s, e, task);
    const bool endFits = EndFits(e, startFits ? s : task.StartSec, task);

    std::string problems;
    const auto add = [&problems](const std::string& line) {
        if (!problems.empty()) problems += "\n";
        problems += line;
    };
    // A time is judged only when its text was changed: a rename leaves the
    // times as shown.
    if (typed.StartTime != task.StartTime && !(startIsTime && startFits)) {
        add(startIsTime
                ? "Start Time " + typed.StartTime + " is out of range."
                : "Start Time \"" + typed.StartTime + "\" is not a time such as 00:01:05.5.");
        std::string allowed = "Start Time must be before End Time";
        if (task.SourceEndSec >= 0) allowed += " and before " + SecondsToTime(task.SourceEndSec);
        add(allowed + ".");
    }
    if (typed.EndTime != task.EndTime && !(endIsTime && endFits)) {
        add(endIsTime ? "End Time " + typed.EndTime + " is out of range."
                      : "End Time \"" + typed.EndTime + "\" is not a time such as 00:01:05.5.");
        add("End Time must be after Start Time.");
    }
    return problems;
}
