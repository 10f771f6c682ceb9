#include "profiles/ParamSheet.h"

#include "config/NewInifiles.h"

#include <utility>

namespace {
bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

std::vector<SheetRow> RowsWithCaptions(std::initializer_list<const char*> captions) {
    std::vector<SheetRow> rows;
    for (const char* c : captions)
        rows.push_back(SheetRow{c, {}, false, {}, false});
    return rows;
}
} // namespace

int ParamSheet::Find(std::string_view caption) const {
    for (size_t i = 0; i < FRows.size(); ++i)
        if (SameText(FRows[i].Caption, caption)) return static_cast<int>(i);
    return -1;
}

std::string ParamSheet::Value(std::string_view caption) const {
    int i = Find(caption);
    return i < 0 ? std::string() : FRows[static_cast<size_t>(i)].Value;
}

void ParamSheet::SetValue(std::string_view caption, const std::string& value) {
    int i = Find(caption);
    if (i < 0)
        AppendRow(SheetRow{std::string(caption), value, false, {}, false});
    else
        SetRowValue(i, value);
}

void ParamSheet::SetRowValue(int index, const std::string& value) {
    FRows.at(static_cast<size_t>(index)).Value = value;
    Changed();
}

void ParamSheet::StepPickList(int index) {
    const SheetRow& row = FRows.at(static_cast<size_t>(index));
    if (!row.HasPickList || row.PickList.empty()) return;
    size_t next = 0;
    for (size_t i = 0; i < row.PickList.size(); ++i)
        if (SameText(row.PickList[i], row.Value)) {
            next = (i + 1) % row.PickList.size();
            break;
        }
    SetRowValue(index, row.PickList[next]);
}

bool ParamSheet::CanType(int index) const {
    return !FRows.at(static_cast<size_t>(index)).ReadOnly;
}

bool ParamSheet::ValueDimmed(int index) const {
    const SheetRow& row = FRows.at(static_cast<size_t>(index));
    return row.ReadOnly && !row.HasPickList;
}

void ParamSheet::SetRowPickList(int index, std::vector<std::string> items) {
    SheetRow& row = FRows.at(static_cast<size_t>(index));
    row.HasPickList = true;
    row.PickList = std::move(items);
    row.ReadOnly = true;
}

int ParamSheet::AppendRow(SheetRow row) {
    FRows.push_back(std::move(row));
    Changed();
    return RowCount() - 1;
}

void ParamSheet::DeleteRow(int index) {
    (void)FRows.at(static_cast<size_t>(index)); // throws for an index outside the rows
    FRows.erase(FRows.begin() + index);
    if (FCurrentRow >= RowCount()) FCurrentRow = RowCount() > 0 ? RowCount() - 1 : 0;
    Changed();
}

void ParamSheet::Clear() {
    for (int i = RowCount() - 1; i >= 0; --i)
        DeleteRow(i);
}

void ParamSheet::SetRows(std::vector<SheetRow> rows) {
    Clear();
    for (auto& r : rows)
        AppendRow(std::move(r));
}

void ParamSheet::SetCurrentRow(int index) {
    if (index >= 0 && index < VisibleRowCount()) FCurrentRow = index;
}

bool ParamSheet::CustomSizeRequested() const {
    if (FCurrentRow < 0 || FCurrentRow >= RowCount()) return false;
    if (FRows[static_cast<size_t>(FCurrentRow)].Caption != VideoSizeCaption) return false;
    return Value(VideoSizeCaption) == CustomSizeValue;
}

void ParamSheet::FitToRows() {
    FHeight = VisibleRowCount() * RowPitch;
}

void ParamSheet::ToggleCollapse() {
    if (FCollapsed) {
        FHeight = VisibleRowCount() * RowHeight + VisibleRowCount() + 1;
        FCollapsed = false;
    } else {
        FHeight = 1;
        FCollapsed = true;
    }
}

void ParamSheet::Changed() {
    if (OnChange) OnChange();
}

std::vector<SheetRow> InitialVideoRows() {
    return RowsWithCaptions(
        {"Video Codec", "Video Size", "Bit Rate", "Frame Rate", "Aspect", "Disable Video"});
}

std::vector<SheetRow> InitialAudioRows() {
    return RowsWithCaptions(
        {"Audio Codec", "Audio Bitrate", "Sample Rate", "Channels", "Volumn", "Disable Audio"});
}

std::vector<SheetRow> InitialAdvancedRows() {
    return RowsWithCaptions({"Bit Exact Algorithms", "Deinterlace"});
}

ParamSheet* SheetSet::BySort(int sort) const {
    switch (sort) {
    case 1:
        return Video;
    case 2:
        return Audio;
    case 3:
        return Advanced;
    default:
        return nullptr;
    }
}
