#pragma once
// A parameter sheet: rows of caption and value, with an optional pick list
// and a read-only flag. The window's grids show and edit this model; every
// rule of the sheets lives here.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SheetRow {
    std::string Caption;
    std::string Value;
    bool HasPickList = false;
    std::vector<std::string> PickList; // captions offered when HasPickList
    bool ReadOnly = false;             // a pick-list row is always read-only
};

class ParamSheet {
public:
    static constexpr int RowHeight = 17; // default row height
    static constexpr int RowPitch = 18;  // a row with its grid line

    int RowCount() const { return static_cast<int>(FRows.size()); }
    const SheetRow& Row(int index) const { return FRows.at(static_cast<size_t>(index)); }
    const std::vector<SheetRow>& Rows() const { return FRows; }
    // The grid never shows fewer than one line: a sheet without rows shows
    // one blank line. Heights are computed from this count.
    int VisibleRowCount() const { return FRows.empty() ? 1 : RowCount(); }

    // Index of the first row whose caption equals caption ignoring case, or -1.
    int Find(std::string_view caption) const;
    // The value of that row, or empty when there is none.
    std::string Value(std::string_view caption) const;
    // Sets the value of that row; appends a row when no row has the caption.
    // Any text is taken, also one that a pick list does not offer (a custom
    // size).
    void SetValue(std::string_view caption, const std::string& value);
    void SetRowValue(int index, const std::string& value);
    // Double click on a pick-list value: the next caption (the current value
    // found ignoring case), from the last back to the first; a value that is
    // not among the captions steps to the first. Nothing for other rows.
    void StepPickList(int index);

    // The user may type into the value cell only of rows that are not
    // read-only; pick-list rows are chosen from their list.
    bool CanType(int index) const;
    // The value of a read-only row without pick list is drawn in silver.
    bool ValueDimmed(int index) const;

    // Makes the row a pick list offering items; such a row is read-only, so
    // its value is only chosen from the list. Not a change by itself: the
    // value set next is.
    void SetRowPickList(int index, std::vector<std::string> items);

    int AppendRow(SheetRow row);
    void DeleteRow(int index);
    void Clear(); // last row to first
    void SetRows(std::vector<SheetRow> rows);

    // The grid's current row (the row of its focused cell). It stays where it
    // is when rows are appended and moves up to the last row when rows below
    // it are deleted; 0 for an empty sheet. Moving it is not a change.
    int CurrentRow() const { return FCurrentRow; }
    void SetCurrentRow(int index);

    // Video sheet of the main window: after a change, the custom size dialog
    // is due when the current row's caption is exactly "Video Size" and the
    // value of the row "Video Size" is exactly "Custom Size".
    bool CustomSizeRequested() const;

    // Height in pixels as the window shows it, and the collapse button.
    int Height() const { return FHeight; }
    void SetHeight(int h) { FHeight = h; }
    bool Collapsed() const { return FCollapsed; } // the button shows "+"
    // After a load: 18 x rows, whatever the button shows.
    void FitToRows();
    // The header button: "+" expands to 18 x rows + 1 and shows "-";
    // "-" collapses to 1 and shows "+".
    void ToggleCollapse();

    // Called after every change of rows or values: each appended or deleted
    // row and each value set, one call per change (the window repaints; the
    // main window's Video sheet checks CustomSizeRequested).
    std::function<void()> OnChange;

private:
    void Changed();
    std::vector<SheetRow> FRows;
    int FCurrentRow = 0;
    int FHeight = 0;
    bool FCollapsed = false;
};

// Caption texts the sheets and the custom size dialog share.
inline constexpr std::string_view VideoSizeCaption = "Video Size";
inline constexpr std::string_view CustomSizeValue = "Custom Size";
inline constexpr std::string_view OriginalSizeValue = "Original Size";

// The rows each sheet shows until the first profile is loaded.
std::vector<SheetRow> InitialVideoRows();
std::vector<SheetRow> InitialAudioRows();
std::vector<SheetRow> InitialAdvancedRows();

// The three sheets a profile fills: the main window's, or the settings
// dialog's.
struct SheetSet {
    ParamSheet* Video = nullptr;
    ParamSheet* Audio = nullptr;
    ParamSheet* Advanced = nullptr;
    // 1 Video, 2 Audio, 3 Advanced; nullptr otherwise.
    ParamSheet* BySort(int sort) const;
};
