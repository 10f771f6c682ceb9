// The main window's sheets: the Output sheet showing and taking the selected
// task's values, the profile's Video, Audio and Advanced sheets loaded by
// the selector, their headers, and the custom size the Video sheet asks for.
#include "platform/FileSystem.h"
#include "tasks/OutputSheet.h"
#include "ui/BalloonTip.h"
#include "ui/MainForm.h"
#include "ui/SizeForm.h"
#include "ui/ValueListEditor.h"

#include <QComboBox>
#include <QTimer>

void TMainForm::cmbProfileChange() {
    Guarded([&] {
        std::string path = SelectedProfilePath();
        if (cmbProfile->currentIndex() < 0 || !FileExists(path)) return;
        try {
            LoadProfile(path, MainSheets(), &FSettings.OutputExtension);
        } catch (...) {
            SyncSheets();
            throw;
        }
        // The Output sheet names the file with the extension it will get:
        // the loaded profile's.
        if (!FOutput.Value(OutputKeyNewFilename).empty()) ShowSelectedTask();
        SyncSheets();
    });
}

void TMainForm::ShowSelectedTask() {
    ::ShowSelectedTask(FOutput, FTasks, FirstSelectedRow(), FSettings.OutputExtension);
}

void TMainForm::vleOutputValidate() {
    Guarded([&] {
        const int row = FirstSelectedRow();
        const OutputSheetValues typed = OutputSheetValuesOf(FOutput);
        std::string refused;
        if (row >= 0) {
            ltvItemData task;
            GetTaskData(FTasks, row, tfAll, task);
            refused = OutputTimeProblems(typed, task);
        }
        ::vleOutputValidate(FTasks, row, typed);
        if (refused.empty()) return;
        // The refused times show what the task keeps; the message follows
        // once the cell's editor has finished committing.
        ltvItemData kept;
        GetTaskData(FTasks, row, tfAll, kept);
        FOutput.SetValue(OutputKeyStartTime, kept.StartTime);
        FOutput.SetValue(OutputKeyEndTime, kept.EndTime);
        RefreshSheets();
        QTimer::singleShot(0, this, [this, refused] {
            FPrompter->Message(refused, ProductName, MsgIcon::Warning);
        });
    });
}

void TMainForm::vleOutputMouseDown() {
    if (!FOutput.Value(OutputKeyNewFilename).empty()) {
        RefreshSheets();
        return;
    }
    // No task is shown: point at the task list and leave nothing open.
    ShowBalloonTip(vleOutput, TipIcon::Info, QStringLiteral("Tip:"),
                   QStringLiteral("Please select a file in Task List."));
    QAbstractItemModel* cells = vleOutput->model();
    for (int row = 0; row < cells->rowCount(); ++row)
        if (QWidget* editor = vleOutput->indexWidget(cells->index(row, 1)))
            emit vleOutput->itemDelegate()->closeEditor(editor,
                                                        QAbstractItemDelegate::RevertModelCache);
}

ParamSheet& TMainForm::Sheet(MainSheet which) {
    switch (which) {
    case MainSheet::Output:
        return FOutput;
    case MainSheet::Video:
        return FVideo;
    case MainSheet::Audio:
        return FAudio;
    case MainSheet::Advanced:
        break;
    }
    return FAdvanced;
}

SheetSet TMainForm::MainSheets() {
    SheetSet set;
    set.Video = &FVideo;
    set.Audio = &FAudio;
    set.Advanced = &FAdvanced;
    return set;
}

void TMainForm::SetSheetValue(int sheet, const std::string& key, const std::string& value) {
    if (sheet < 0 || sheet > 3) return;
    Sheet(static_cast<MainSheet>(sheet)).SetValue(key, value);
}

void TMainForm::SyncSheets() {
    const std::pair<TValueListEditor*, TSheetHeader*> pairs[] = {{vleOutput, panOutput},
                                                                 {vleVideo, panVideo},
                                                                 {vleAudio, panAudio},
                                                                 {vleAdvanced, panAdvanced}};
    for (auto [editor, header] : pairs)
        SyncSheet(editor, header);
}

void TMainForm::RefreshSheets() {
    for (TValueListEditor* editor : {vleOutput, vleVideo, vleAudio, vleAdvanced})
        editor->Refresh();
}

void TMainForm::btnOutputClick() {
    ToggleSheet(vleOutput, panOutput);
}
void TMainForm::btnVideoClick() {
    ToggleSheet(vleVideo, panVideo);
}
void TMainForm::btnAudioClick() {
    ToggleSheet(vleAudio, panAudio);
}
void TMainForm::btnAdvancedClick() {
    ToggleSheet(vleAdvanced, panAdvanced);
}

void TMainForm::vleVideoStringsChange() {
    if (FVideo.CustomSizeRequested() && FSizeForm) FSizeForm->show();
}

void TMainForm::vleVideoMouseDown() {
    RefreshSheets();
}
void TMainForm::vleAudioMouseDown() {
    RefreshSheets();
}
void TMainForm::vleAdvancedMouseDown() {
    RefreshSheets();
}
