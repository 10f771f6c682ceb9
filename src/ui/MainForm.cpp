#include "ui/MainForm.h"

#include "base/FileNames.h"
#include "engine/ProbePool.h"
#include "platform/FileSystem.h"
#include "preview/PreviewPanel.h"
#include "tasks/OutputSheet.h"
#include "ui/AboutForm.h"
#include "ui/DesktopBus.h"
#include "ui/FileDialogs.h"
#include "ui/ImageButton.h"
#include "ui/LogDialog.h"
#include "ui/MainBatch.h"
#include "ui/ProgressPanel.h"
#include "ui/QtText.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/TaskListModel.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

// ---------------------------------------------------------------------------
// Creation and start-up

TMainForm::TMainForm(const TMainFormOptions& options)
    : QWidget(nullptr),
      FProgramDir(WithTrailingBackslash(
          options.ProgramDir.empty()
              ? FromQ(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()))
              : options.ProgramDir)),
      FWhere(FindLocations(FProgramDir)), FPrefs(FWhere.PreferencesFile, FWhere.DefaultOutputDir),
      FPrompter(options.prompter), FShell(options.shell), FDialogs(options.dialogs),
      FNotices(options.notices) {
    setObjectName("MainForm");
    BuildWindow();
    // Every change of the list may be one to keep: the save rule decides
    // when it is written.
    FSaveTimer = new QTimer(this);
    FSaveTimer->setSingleShot(true);
    connect(FSaveTimer, &QTimer::timeout, this, &TMainForm::SaveTaskList);
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(FTaskModel, changed, this, &TMainForm::ScheduleTaskListSave);
    connect(FTaskModel, &QAbstractItemModel::dataChanged, this, &TMainForm::ScheduleTaskListSave);
    if (FNotices)
        connect(FNotices, &TDesktopNotices::ShowRequested, this, &TMainForm::ShowFromNotification);
    RunStartup(options.Arguments);

    // The batch conversion behind Start and Stop, with its one-second timer.
    timerTime = new QTimer(this);
    timerTime->setObjectName("timerTime");
    timerTime->setInterval(1000);
    connect(timerTime, &QTimer::timeout, this, &TMainForm::timerTimeTimer);
    FSettings.Sheets = MainSheets();
    BatchServices batch;
    batch.Tasks = &FTasks;
    batch.Observer = this;
    batch.Settings = &FSettings;
    batch.Prompt = FPrompter;
    batch.Shell = FShell;
    batch.Awake = options.awake;
    batch.Notify = this;
    batch.ProgramTitle = ProductName;
    // Runs once the batch is idle again: the close handler then lets the
    // window close. The window object itself stays until the program ends.
    batch.CloseMainWindow = [this] { close(); };
    FBatch = std::make_unique<TMainBatch>(std::move(batch), *this, FEncoderPath, LogsDir());
    FBatch->SetPowerControl(options.power);
    // The session ending closes the window without asking, as a quit
    // signal does.
#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { FCloseUnasked = true; });
#endif
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { FCloseUnasked = true; });
    connect(vleOutput, &TValueListEditor::MousePressed, this, &TMainForm::vleOutputMouseDown);
    connect(vleOutput, &QAbstractItemView::clicked, this, [this] { RefreshSheets(); });
}

BatchDriver& TMainForm::Batch() {
    return FBatch->Driver();
}

void TMainForm::SetPowerControl(PowerControl* power) {
    FBatch->SetPowerControl(power);
}

void TMainForm::SetCountdownTick(int ms) {
    FBatch->SetCountdownTick(ms);
}

TMainForm::~TMainForm() {
    // The probes end first: no result may arrive for a window going away.
    FProbes.reset();
    // The widgets go before the rows and sheets they show.
    FSizeForm.reset();
    FSettingForm.reset();
    FAboutForm.reset();
    if (FTaskModel) FTaskModel->Detach();
    delete ScrollBox1;
    delete ltvTask;
    delete FTaskModel;
    FTaskModel = nullptr;
}

std::string TMainForm::HelpFile() const {
    return FWhere.ManualFile;
}

std::string TMainForm::ProfilesDir() const {
    return FWhere.ProfilesDir;
}

std::string TMainForm::SelectedProfilePath() const {
    return ProfilePath(ProfilesDir(), FCatalogue, SelectedProfileName());
}

std::string TMainForm::SelectedProfileName() const {
    return FromQ(cmbProfile->currentText());
}

std::string TMainForm::OutputDir() const {
    return FSettings.OutputDir;
}

void TMainForm::SetOutputDir(const std::string& dir) {
    edtOutputdir->setText(ToQ(dir));
}

void TMainForm::ShowError(const std::string& text) {
    FPrompter->Message(text, ProductName, MsgIcon::Error);
}

// ---------------------------------------------------------------------------
// Windows owned by the main window

void TMainForm::OwnDialog(QWidget& dialog) {
    if (QWindow* window = dialog.windowHandle()) window->setTransientParent(windowHandle());
    dialog.move(geometry().center() - dialog.rect().center());
    setEnabled(false);
}

void TMainForm::ReleaseDialog() {
    setEnabled(true);
}

void TMainForm::SetGeneralSettings(const GeneralPreferences& general) {
    FSettings.General = general;
}

// ---------------------------------------------------------------------------
// Task list

void TMainForm::AddTaskFile(const std::string& path) {
    AddFiles({path});
}

void TMainForm::AddTaskDir(const std::string& dir, std::vector<std::string>* skipped) {
    AddFiles(SupportedFilesInDir(dir, SupportedExts(), skipped));
}

void TMainForm::AddFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    panbg->hide();
    // The rows come at once; their length and size follow when their probes
    // end.
    std::vector<std::string> full;
    full.reserve(paths.size());
    for (const std::string& path : paths)
        full.push_back(IntakePath(path));
    for (TaskId id : FTasks.AddFiles(full, FSettings.OutputExtension))
        FProbes->Submit(id, FTasks.Find(id)->InputFile);
}

void TMainForm::ProbeFinished(TaskId id, const ProbeResult& result) {
    if (FClosing) return;
    Guarded([&] {
        std::string refused;
        if (!FTasks.ApplyProbe(id, result, &refused)) return;
        // The sheet shows the probed values, but a cell the user is typing
        // in keeps the typing.
        if (FTasks.RowOf(id) == FirstSelectedRow())
            vleOutput->ChangeKeepingEditor([&] { ShowSelectedTask(); });
        if (refused.empty()) return;
        FProbeMessages.push_back(refused);
        // A message box would take the focus from a cell being typed in,
        // which stores the typing half done: it waits until the cell is left.
        if (!vleOutput->Editing()) ShowProbeMessages();
    });
}

void TMainForm::ShowProbeMessages() {
    const std::vector<std::string> messages = std::move(FProbeMessages);
    FProbeMessages.clear();
    for (const auto& text : messages)
        FPrompter->Message(text, ProductName, MsgIcon::Warning);
}

bool TMainForm::RefuseStartWhileProbing() {
    const std::string refusal = FTasks.StartRefusal();
    if (refusal.empty() || FBusy) return false;
    FPrompter->Message(refusal, ProductName, MsgIcon::Information);
    return true;
}

void TMainForm::ReportNotTaken(const std::vector<std::string>& notTaken) {
    std::string text = NotTakenMessage(notTaken);
    if (!text.empty()) FPrompter->Message(text, ProductName, MsgIcon::Warning);
}

void TMainForm::DropFiles(const std::vector<std::string>& paths) {
    // While a conversion runs the list is disabled and takes nothing.
    if (!ltvTask->isEnabled()) return;
    const IntakeFiles taken = TakeFiles(paths, DropAction);
    AddFiles(taken.Files);
    if (FTasks.Count() > 0) EnableTaskCommands(true);
    ReportNotTaken(taken.NotTaken);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && ltvTask->isEnabled())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasUrls() && ltvTask->isEnabled())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TMainForm::dropEvent(QDropEvent* e) {
    std::vector<std::string> paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(FromQ(QDir::toNativeSeparators(url.toLocalFile())));
    e->acceptProposedAction();
    Guarded([&] { DropFiles(paths); });
}

std::vector<bool> TMainForm::SelectedRows() const {
    std::vector<bool> selected(static_cast<size_t>(FTasks.Count()), false);
    for (int row : SelectedRowList())
        selected[static_cast<size_t>(row)] = true;
    return selected;
}

std::vector<int> TMainForm::SelectedRowList() const {
    std::vector<int> rows;
    for (const QModelIndex& index : ltvTask->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::SetSelectedRows(const std::vector<bool>& selected) {
    std::vector<int> rows;
    for (size_t i = 0; i < selected.size(); ++i)
        if (selected[i]) rows.push_back(static_cast<int>(i));
    SelectRows(rows);
}

void TMainForm::SelectRows(const std::vector<int>& rows) {
    // One range for each run of neighbouring rows.
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        if (rows[i] >= 0 && rows[end - 1] < FTasks.Count())
            selection.select(FTaskModel->index(rows[i], 0),
                             FTaskModel->index(rows[end - 1], TTaskListModel::ColumnCount - 1));
        i = end;
    }
    ltvTask->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TMainForm::EnableTaskCommands(bool enable) {
    for (QAction* command : {tbtnUp, tbtnDown, tbtnRemove, tbtnClear, tbtnStart})
        command->setEnabled(enable);
}

void TMainForm::UpdateTaskMenu() {
    const int first = FirstSelectedRow();
    const bool selected = first >= 0;
    mnuOpen->setEnabled(selected);
    mnuShowLog->setEnabled(selected && FTasks.At(first).Log.has_value());
    // During a batch the list cannot change.
    mnuRemove->setEnabled(selected && !FBusy);
    mnuClear->setEnabled(FTasks.Count() > 0 && !FBusy);
    mnuAddFiles->setEnabled(!FBusy);
    mnuAddDir->setEnabled(!FBusy);
}

void TMainForm::UpdatePanelButtons() {
    sbtnAddFile->setEnabled(tbtnAddFile->isEnabled() && !FBusy);
    sbtnAddDir->setEnabled(tbtnAddDir->isEnabled() && !FBusy);
    sbtnOptions->setEnabled(tbtnSetting->isEnabled() && !FBusy);
    sbtnUp->setEnabled(tbtnUp->isEnabled() && !FBusy);
    sbtnDown->setEnabled(tbtnDown->isEnabled() && !FBusy);
    sbtnDelete->setEnabled(tbtnRemove->isEnabled() && !FBusy);
    sbtnClear->setEnabled(tbtnClear->isEnabled() && !FBusy);
    SpeedButton1->setEnabled(tbtnAbout->isEnabled());
    SpeedButton2->setEnabled(tbtnHelp->isEnabled());
}

void TMainForm::SetBusyControls() {
    Preview->Stop();
    FBusy = true;
    ltvTask->setEnabled(false);
    imgStart->hide();
    imgStop->show();
    UpdatePanelButtons();
    ApplyShortcuts(true);
}

void TMainForm::BatchChanged(const BatchSnapshot& batch) {
    if (batch.Busy != FBusy) {
        if (batch.Busy)
            SetBusyControls();
        else
            SetIdleControls();
    }
    UpdateBatchCommands(batch);
    // A finished batch leaves the panel as it last was.
    if (batch.ProgressShown) panBottomLeft->Show(batch);
    panBottomCenter->setVisible(!batch.ProgressShown);
    panBottomLeft->setVisible(batch.ProgressShown);
    if (batch.TimerRunning != timerTime->isActive()) {
        if (batch.TimerRunning)
            timerTime->start();
        else
            timerTime->stop();
    }
    if (FNotices)
        FNotices->ShowProgress(batch.State != ConvertState::Idle && batch.ProgressShown,
                               batch.Bars.Total / 100.0);
    // The list is written as the batch's first task starts (with the
    // temporary output it was given) and as the batch ends.
    if (!FBatchListWritten && !batch.Running.empty()) {
        FBatchListWritten = true;
        SaveTaskList();
    } else if (FBatchListWritten && batch.State == ConvertState::Idle) {
        FBatchListWritten = false;
        SaveTaskList();
    }
}

void TMainForm::SetIdleControls() {
    FBusy = false;
    ltvTask->setEnabled(true);
    imgStop->hide();
    imgStart->show();
    UpdatePanelButtons();
    ApplyShortcuts(false);
}

void TMainForm::tbtnAddFileClick() {
    Guarded([&] {
        std::vector<std::string> names;
        if (FDialogs->OpenFiles(this, FOpenDialogFilter, names) && !names.empty()) {
            // The dialog lists the file chosen first at the end of its list.
            std::rotate(names.begin(), names.begin() + 1, names.end());
            AddFiles(names);
        }
        if (FTasks.Count() == 1) {
            SelectRows({0});
            ltvTaskClick();
        }
        ltvTask->setFocus();
        if (FTasks.Count() > 0) EnableTaskCommands(true);
    });
}

void TMainForm::tbtnAddDirClick() {
    Guarded([&] {
        std::string folder;
        std::vector<std::string> notTaken;
        if (FDialogs->BrowseForFolder(this, "Add a directory to the Task List", "", folder))
            AddTaskDir(folder, &notTaken);
        ltvTask->setFocus();
        if (FTasks.Count() > 0) EnableTaskCommands(true);
        ReportNotTaken(notTaken);
    });
}

void TMainForm::tbtnUpClick() {
    Guarded([&] {
        const std::vector<int> selected = SelectedRowList();
        if (!selected.empty()) SelectRows(FTasks.MoveUp(selected));
    });
}

void TMainForm::tbtnDownClick() {
    Guarded([&] {
        const std::vector<int> selected = SelectedRowList();
        if (!selected.empty()) SelectRows(FTasks.MoveDown(selected));
    });
}

void TMainForm::tbtnRemoveClick() {
    Guarded([&] {
        for (const Task& task : FTasks.Remove(SelectedRowList()))
            if (task.State == TaskState::Probing) FProbes->Cancel(task.Id);
        SetOutputSheetValues(FOutput, {});
        if (FTasks.Count() == 0) EnableTaskCommands(false);
    });
}

void TMainForm::tbtnClearClick() {
    Guarded([&] {
        FTasks.Clear();
        FProbes->CancelAll();
        SetOutputSheetValues(FOutput, {});
        EnableTaskCommands(false);
    });
}

int TMainForm::FirstSelectedRow() const {
    return LowestSelectedRow(ltvTask->selectionModel());
}

void TMainForm::ltvTaskClick() {
    Guarded([&] { ShowSelectedTask(); });
}

void TMainForm::ltvTaskDblClick() {
    Guarded([&] {
        if (FirstSelectedRow() >= 0) PreviewSelectedTask();
    });
}

void TMainForm::mnuShowLogClick() {
    Guarded([&] {
        const int row = FirstSelectedRow();
        if (row < 0) return;
        const Task& task = FTasks.At(row);
        if (!task.Log) return;
        auto* dialog =
            new TLogDialog(this, ExtractFileName(task.InputFile), TaskLogText(*task.Log));
        dialog->show();
    });
}

void TMainForm::PreviewSelectedTask() {
    int row = FirstSelectedRow();
    if (row >= 0) Preview->PreviewFile(FTasks.At(row).InputFile);
}

void TMainForm::sbtnPlayClick() {
    Guarded([&] {
        if (FTasks.Count() == 0) return;
        if (FirstSelectedRow() < 0) SelectRows({0});
        PreviewSelectedTask();
    });
}

void TMainForm::sbtnPauseClick() {
    Guarded([&] { Preview->PauseResume(); });
}

void TMainForm::sbtnStopClick() {
    Guarded([&] { Preview->Stop(); });
}

void TMainForm::TrackBarTimer(TDSTrackBar* Sender, unsigned CurrentPos, unsigned StopPos) {
    Guarded([&] { Preview->TrackBarTimer(Sender, CurrentPos, StopPos); });
}

void TMainForm::ltvTaskResize(int width) {
    std::array<int, 4> widths;
    for (int i = 0; i < 4; ++i)
        widths[static_cast<size_t>(i)] = ltvTask->header()->sectionSize(i);
    if (!FColumnSharing.ListResized(width, widths)) return;
    for (int i = 0; i < 4; ++i)
        ltvTask->header()->resizeSection(i, std::max(0, widths[static_cast<size_t>(i)]));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (ltvTask && watched == ltvTask->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) ltvTaskClick();
        if (event->type() == QEvent::MouseButtonDblClick) ltvTaskDblClick();
        // The list is disabled during a batch, and a disabled list asks for
        // no menu: its menu (with Pause) is opened here then.
        if (event->type() == QEvent::ContextMenu && !ltvTask->isEnabled()) {
            UpdateTaskMenu();
            ppmTask->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    } else if (imgStart && imgStop && (watched == panBottomRight || watched == Image3) &&
               event->type() == QEvent::MouseMove) {
        // Leaving the Start/Stop picture over the area around it puts its
        // normal look back.
        imgStart->ResetLook();
        imgStop->ResetLook();
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Start and Stop pictures, the other commands

void TMainForm::imgStartClick() {
    if (RefuseStartWhileProbing()) return;
    Guarded([&] { StartBatch(true); });
}

void TMainForm::imgStopClick() {
    imgStop->hide();
    imgStart->show();
    tbtnStopClick();
}

void TMainForm::tbtnStartClick() {
    if (RefuseStartWhileProbing()) return;
    Guarded([&] { StartBatch(false); });
}

void TMainForm::StartBatch(bool image) {
    BatchDriver& driver = FBatch->Driver();
    if ((image && FTasks.Count() == 0) || driver.State() != ConvertState::Idle) return;
    ltvTask->setFocus();
    if (driver.tbtnStartClick() == StartOutcome::NoOutputDir) edtOutputdir->setFocus();
}

void TMainForm::tbtnStopClick() {
    Guarded([&] { FBatch->Driver().tbtnStopClick(); });
}

void TMainForm::timerTimeTimer() {
    Guarded([&] { FBatch->Driver().timerTimeTimer(); });
}

void TMainForm::tbtnSettingClick() {
    if (FSettingForm) FSettingForm->ShowGeneralPage();
}

void TMainForm::bbtnSettingClick() {
    if (FSettingForm) FSettingForm->ShowProfilesPage(cmbProfile->currentIndex());
}

void TMainForm::tbtnAboutClick() {
    if (!FAboutForm) FAboutForm = std::make_unique<TAboutForm>(*this, ProductName, FVersionText);
    FAboutForm->show();
}

void TMainForm::tbtnHelpClick() {
    const std::string manual = HelpFile();
    if (!FileExists(manual)) {
        FPrompter->Message("The manual was not found. It was looked for at \"" + manual + "\".",
                           ProductName, MsgIcon::Warning);
        return;
    }
    FShell->Open(manual);
}

void TMainForm::bbtnBrowserClick() {
    Guarded([&] {
        std::string folder;
        if (FDialogs->BrowseForFolder(this, "Select the output directory.", "", folder))
            SetOutputDir(WithTrailingBackslash(folder));
    });
}

void TMainForm::bbtnOpenClick() {
    std::string dir = OutputDir();
    if (DirectoryExists(dir)) FShell->Open(dir);
}
