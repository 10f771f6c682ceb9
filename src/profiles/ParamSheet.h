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
    static constexpr int RowHeight = 17;    // default row height
    static constexpr int RowPitch = 18;     // a row with its grid line

    int RowCount() const { return static_cast<int>(FRows.size()); }
    const SheetRow& Row(int index) const { return FRows.at(static_cast<size_t>(index)); }
    const std::vector<SheetRow>& Rows() const { return FRows; }

    // Index of the first row whose caption equals caption ignoring case, or -1.
    int Find(std::string_view caption) const;
    // The value of that row, or empty when there is none.
    std::string Value(std::string_view caption) const;
    // Sets the value of that row; appends a row when no row has the caption.
    void SetValue(std::string_view caption, const std::string& value);
    void SetRowValue(int index, const std::string& value);
    // Double click on a pick-list value: the next caption, from the last back
    // to the first.
    void StepPickList(int index);

    int AppendRow(SheetRow row);
    void DeleteRow(int index);
    void Clear(); // last row to first
    void SetRows(std::vector<SheetRow> rows);

    // Height in pixels as the window shows it, and the collapse button.
    int Height() const { return FHeight; }
    void SetHeight(int h);
    bool Collapsed() const { return FCollapsed; } // the button shows "+"
    // After a load: rows x 18, whatever the button shows.
    void FitToRows();
    // The header button: "+" expands to 18 x rows + 1 and shows "-";
    // "-" collapses to 1 and shows "+".
    void ToggleCollapse();

    // Called after every change of rows or values (the window repaints, the
    // main window's Video sheet checks for "Custom Size").
    std::function<void()> OnChange;

private:
    void Changed();
    std::vector<SheetRow> FRows;
    int FHeight = 0;
    bool FCollapsed = false;
};

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
