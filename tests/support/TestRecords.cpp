#include "TestRecords.h"

ltvItemData ListedTask(const std::string& input, const std::string& length) {
    const std::string name = input.substr(input.find_last_of("/\\") + 1);
    ltvItemData t;
    t.InputFile = input;
    t.Length = length;
    t.Size = "320x240";
    t.Status = "OK";
    t.NewFileName = name.substr(0, name.rfind('.'));
    t.NewFileExt = ".mp4";
    t.SourceStart = "00:00:00.0";
    t.SourceEnd = length;
    t.ClipLength = length;
    t.StartTime = "00:00:00.0";
    t.EndTime = length;
    return t;
}

TaskId AddRecord(TaskQueue& tasks, const ltvItemData& record) {
    const TaskId id = tasks.AddFiles({record.InputFile}, "").at(0);
    SetTaskData(tasks, tasks.RowOf(id), tfAll, record);
    return id;
}

std::vector<std::string> Captions(const ParamSheet& sheet) {
    std::vector<std::string> r;
    for (const auto& row : sheet.Rows())
        r.push_back(row.Caption);
    return r;
}

const SheetRow* Sheets::Row(const std::string& caption) const {
    for (const ParamSheet* s : {&Video, &Audio, &Advanced})
        if (int i = s->Find(caption); i >= 0) return &s->Row(i);
    return nullptr;
}

std::string Sheets::Value(const std::string& caption) const {
    const SheetRow* r = Row(caption);
    return r ? r->Value : std::string();
}
