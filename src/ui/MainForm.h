#pragma once
// TMainForm: the program's working window. It holds the task list, the
// parameter sheets, the profile selector, the output path and the Start and
// Stop pictures, and it runs the start-up of the program while it is created.
#include "config/Locations.h"
#include "config/Preferences.h"
#include "engine/BatchDriver.h"
#include "engine/TaskListFile.h"
#include "platform/Desktop.h"
#include "profiles/ParamSheet.h"
#include "profiles/Profile.h"
#include "tasks/TaskList.h"
#include "tasks/TaskQueue.h"
#include "ui/SettingsHost.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BatchDriver;
class ProbePool;
struct ProbeResult;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;
class TAboutForm;
class TDesktopNotices;
class TDSTrackBar;
class TFileDialogs;
class TImageButton;
class TMainBatch;
class TPreviewPanel;
class TProgressPanel;
class TSettingForm;
class TSheetHeader;
class TSizeForm;
class TTaskListModel;
class TTaskListView;
class TValueListEditor;

struct TMainFormOptions {
    // The program's folder; empty: the folder of the executable file.
    std::string ProgramDir;
    // The command line after the program's name.
    std::vector<std::string> Arguments;
    // Message boxes, the desktop's "open" and the file dialogs; the program's
    // entry passes the real ones, tests pass fakes that answer.
    Prompter* prompter = nullptr;
    ShellActions* shell = nullptr;
    TFileDialogs* dialogs = nullptr;
    // The power-off of the "Auto Turn Off" completion action. Only the
    // program's entry passes the machine's real one; without one the window
    // just closes.
    PowerControl* power = nullptr;
    // What keeps the computer awake during a batch, and the desktop's
    // notifications and task-bar progress; the program's entry passes the
    // desktop's own, tests private ones. Without them a batch has neither.
    SleepInhibitor* awake = nullptr;
    TDesktopNotices* notices = nullptr;
};

// The four sheets of the right-hand column, numbered as SetSheetValue takes
// them.
enum class MainSheet { Output = 0, Video = 1, Audio = 2, Advanced = 3 };

class TMainForm : public QWidget, public SettingsHost, public BatchObserver, public BatchNotifier {
    Q_OBJECT
public:
    static constexpr const char* ProductName = "Tarvolin PSP Video Converter";
    static constexpr int ClientWidth = 812;
    static constexpr int ClientHeight = 547;

    // Builds the window and runs the start-up: paths, version and caption,
    // accepted types, the profile list, the command line (each file becomes
    // a row at once; its probe runs in the background), drop registration and
    // the fixed layout values.
    explicit TMainForm(const TMainFormOptions& options);
    ~TMainForm() override;

    // The other windows, created after the main window in this order: the
    // about box, the settings dialog, the custom size dialog.
    void CreateForms();
    TAboutForm* AboutForm() const { return FAboutForm.get(); }
    TSettingForm* SettingForm() const { return FSettingForm.get(); }
    TSizeForm* SizeForm() const { return FSizeForm.get(); }

    // Start-up values.
    const std::string& ProgramDir() const override { return FProgramDir; }
    const std::string& DefaultOutputDir() const override { return FWhere.DefaultOutputDir; }
    // Where each batch's log file is written.
    const std::string& LogsDir() const { return FWhere.LogsDir; }
    const std::string& EncoderPath() const { return FEncoderPath; }
    const std::string& VersionText() const { return FVersionText; }
    std::string HelpFile() const;
    std::string ProfilesDir() const override;
    const std::vector<CatalogueEntry>& Catalogue() const override { return FCatalogue; }
    // The file of the profile cmbProfile shows, under its real name (such as
    // "Phone.APF"): what a selection loads and what Start builds the
    // encoder's arguments from.
    std::string SelectedProfilePath() const;
    // "." + Type of the profile last loaded here; empty before the first load.
    const std::string& OutputExtension() const { return FSettings.OutputExtension; }
    const PreferencesFile& Preferences() const override { return FPrefs; }
    Prompter& prompter() const override { return *FPrompter; }
    ShellActions& shell() const { return *FShell; }
    TFileDialogs& dialogs() const override { return *FDialogs; }

    // The task queue: the one store of the tasks, which the list shows.
    TaskQueue& Tasks() { return FTasks; }
    ParamSheet& Sheet(MainSheet which);
    ParamSheet& VideoSheet() { return FVideo; }
    SheetSet MainSheets();
    // Sets a row's value by key (case ignored) in the sheet numbered as
    // MainSheet; appends the row when there is none. Any other sheet number
    // does nothing.
    void SetSheetValue(int sheet, const std::string& key, const std::string& value);

    // The task list's commands as the window runs them.
    void AddTaskFile(const std::string& path);
    // skipped, when given, gets the folder's files of a type not taken.
    void AddTaskDir(const std::string& dir, std::vector<std::string>* skipped = nullptr);
    // Added files whose probe has not ended yet (they are Probing); Start is
    // refused meanwhile.
    int ProbesPending() const { return FTasks.ProbingCount(); }
    // Names, in one message, the files an intake did not take.
    void ReportNotTaken(const std::vector<std::string>& notTaken);
    // Paths dropped on the window, in the order the desktop gives them.
    void DropFiles(const std::vector<std::string>& paths);
    // The selection as one flag per row.
    std::vector<bool> SelectedRows() const;
    void SetSelectedRows(const std::vector<bool>& selected);
    // The selected rows, ascending.
    std::vector<int> SelectedRowList() const;
    void SelectRows(const std::vector<int>& rows);
    // Move Up, Move Down, Remove, Clear and Start.
    void EnableTaskCommands(bool enable);
    // The enabling of the context menu's entries, as when it opens.
    void UpdateTaskMenu();

    // The busy and idle looks of a conversion: the list and its buttons
    // disabled, Stop shown instead of Start.
    void SetBusyControls();
    void SetIdleControls();
    bool Busy() const { return FBusy; }
    // The batch conversion behind Start and Stop.
    BatchDriver& Batch();
    void SetPowerControl(PowerControl* power);
    // The length of one second of the countdown before power-off or exit
    // (tests shorten it).
    void SetCountdownTick(int ms);

    // The General preferences in force: read when the other windows are
    // created, then as the settings dialog hands them back.
    const GeneralPreferences& General() const { return FSettings.General; }

    // BatchObserver: the busy look, the progress panel in place of the
    // profile and output path, and the one-second timer of the elapsed and
    // remaining time, as the batch stands.
    void BatchChanged(const BatchSnapshot& batch) override;
    // BatchNotifier: a desktop notification, when the window is not the
    // active one.
    void BatchFinished(const std::string& text) override;

    // The task list kept between runs: its file (none when another copy of
    // the program holds it), and a write of it now.
    const TaskListStore* TaskListFile() const { return FTaskStore.get(); }
    void SaveTaskList();

    // SettingsHost
    std::string SelectedProfileName() const override;
    void ReloadSelectedProfile() override { cmbProfileChange(); }
    std::string OutputDir() const override;
    void SetOutputDir(const std::string& dir) override;
    const GeneralPreferences& GeneralSettings() const override { return FSettings.General; }
    void SetGeneralSettings(const GeneralPreferences& general) override;
    void OwnDialog(QWidget& dialog) override;
    void ReleaseDialog() override;
    void ShowError(const std::string& text) override;

signals:
    // The main window has closed: the program ends.
    void Closed();

public slots:
    // Closes the window without asking, also during a batch (which stops):
    // a request from the system (a quit signal, the session ending).
    void CloseUnasked();
    void tbtnAddFileClick();
    void tbtnAddDirClick();
    void tbtnUpClick();
    void tbtnDownClick();
    void tbtnRemoveClick();
    void tbtnClearClick();
    void tbtnStartClick();
    void tbtnStopClick();
    // Pause or Resume the batch; Stop after the current tasks, or take
    // that back.
    void tbtnPauseClick();
    void tbtnStopAfterClick();
    void tbtnSettingClick();
    void bbtnSettingClick();
    void tbtnAboutClick();
    void tbtnHelpClick();
    void bbtnBrowserClick();
    void bbtnOpenClick();
    void cmbProfileChange();
    void ltvTaskClick();
    void ltvTaskDblClick();
    // Shows the log of the lowest selected task's last run.
    void mnuShowLogClick();
    void imgStartClick();
    void imgStopClick();
    void btnOutputClick();
    void btnVideoClick();
    void btnAudioClick();
    void btnAdvancedClick();
    void vleVideoStringsChange();
    // An edited Output value goes into the selected task.
    void vleOutputValidate();
    // A press on the Output sheet: the tip to select a task while it shows
    // none, else the sheets redrawn.
    void vleOutputMouseDown();
    void timerTimeTimer();
    void vleVideoMouseDown();
    void vleAudioMouseDown();
    void vleAdvancedMouseDown();
    void ltvTaskResize(int width);
    void sbtnPlayClick();
    void sbtnPauseClick();
    void sbtnStopClick();
    void TrackBarTimer(TDSTrackBar* Sender, unsigned CurrentPos, unsigned StopPos);

protected:
    // The first show reads the preferences the window restores and puts the
    // window in its place before the window system makes it.
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Larger than its default size, the window gives the room to the task
    // list and the sheets.
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildBottom();
    void BuildProfileColumn();
    void BuildTaskArea();
    void BuildCommands();
    void BuildPreview();
    // Pause, Stop after the current tasks, Stop's drop-down menu and the
    // task list menu's Pause.
    void BuildBatchCommands();
    // Their enabling, texts and check as the batch stands.
    void UpdateBatchCommands(const BatchSnapshot& batch);
    // Notes where each control lies at the default size and how it follows
    // a larger window; FollowSize places them for the window's size.
    void NoteGrowth();
    void FollowSize();
    void RunStartup(const std::vector<std::string>& arguments);
    void CommandLineIntake(const std::vector<std::string>& arguments);
    void RestorePreferences();
    void SavePreferences();
    // The list left by the last run comes back as it should, its
    // interrupted tasks' temporary outputs removed; a damaged file is set
    // aside and said once the window shows.
    void RestoreTaskList();
    // A write of the list once its save rule says it is due.
    void ScheduleTaskListSave();
    // The write at exit, marked as a normal end unless tasks were
    // interrupted; without the user's wish to keep it, no tasks.
    void SaveTaskListAtExit();
    // The window comes to the front (a notification's action).
    void ShowFromNotification();
    // The commands' keys, shown in their tooltips, and the order Tab takes
    // through the controls.
    void AssignShortcuts();
    void SetTabOrder();
    // The flat buttons of the two tool bars, in the order Tab visits them.
    QList<QToolButton*> ToolBarButtons() const;
    // The keys that work only while idle (adding, settings, Start) or only
    // while a batch runs (Esc for Stop).
    void ApplyShortcuts(bool busy);
    // Whether closing now needs the user's yes: a batch converts and the
    // close is the user's own.
    bool AskBeforeClosing();
    // Puts the window where it was last, when that is on a screen.
    void RestorePosition(const MainWindowPreferences& saved);
    void SyncSheets();
    void RefreshSheets();
    void ShowSelectedTask();
    // The preview plays the input of the lowest selected task.
    void PreviewSelectedTask();
    void UpdatePanelButtons();
    // Adds the files (in one insertion, under their full paths) and probes
    // each new one in the background.
    void AddFiles(const std::vector<std::string>& paths);
    // A probe has ended (on the window's thread): its task, if it is still
    // there and waiting, gets the length and size.
    void ProbeFinished(TaskId id, const ProbeResult& result);
    // Shows what probes have refused of the times set meanwhile.
    void ShowProbeMessages();
    // true (and says why) when Start must wait for probes still running.
    bool RefuseStartWhileProbing();
    // Start from the picture (image: nothing on an empty list) or the
    // command: the focus goes to the list, to the output path when that is
    // missing.
    void StartBatch(bool image);
    // The lowest selected row, or -1.
    int FirstSelectedRow() const;

    // Controls (named as their objectName; tests find them by it).
    QWidget* panTop = nullptr;
    QWidget* panBottom = nullptr;
    QWidget* panLeft = nullptr;
    QWidget* panBottomRight = nullptr;
    QWidget* panBottomCenter = nullptr;
    TProgressPanel* panBottomLeft = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Image3 = nullptr;
    TImageButton* imgStart = nullptr;
    TImageButton* imgStop = nullptr;
    QComboBox* cmbProfile = nullptr;
    QLineEdit* edtOutputdir = nullptr;
    QPushButton* bbtnSetting = nullptr;
    QPushButton* bbtnBrowser = nullptr;
    QPushButton* bbtnOpen = nullptr;
    QWidget* panProfile = nullptr;
    // The preview player's place (260 x 225); the player fills it.
    QWidget* panPreview = nullptr;
    TPreviewPanel* Preview = nullptr;
    QWidget* panRight = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TSheetHeader* panOutput = nullptr;
    TSheetHeader* panVideo = nullptr;
    TSheetHeader* panAudio = nullptr;
    TSheetHeader* panAdvanced = nullptr;
    TValueListEditor* vleOutput = nullptr;
    TValueListEditor* vleVideo = nullptr;
    TValueListEditor* vleAudio = nullptr;
    TValueListEditor* vleAdvanced = nullptr;
    QWidget* panMain = nullptr;
    TTaskListView* ltvTask = nullptr;
    QWidget* panSmallToolbar = nullptr;
    QToolButton* sbtnDelete = nullptr;
    QToolButton* sbtnClear = nullptr;
    QToolButton* sbtnUp = nullptr;
    QToolButton* sbtnDown = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QWidget* panbg = nullptr;
    QLabel* labProgramName = nullptr;
    QWidget* panToolbar = nullptr;
    QToolButton* sbtnAddFile = nullptr;
    QToolButton* sbtnAddDir = nullptr;
    QToolButton* sbtnOptions = nullptr;
    QMenu* ppmTask = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuShowLog = nullptr;
    QAction* mnuAddFiles = nullptr;
    QAction* mnuAddDir = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuClear = nullptr;
    // The commands (the tool buttons' handlers and hints).
    QAction* tbtnAddFile = nullptr;
    QAction* tbtnAddDir = nullptr;
    QAction* tbtnUp = nullptr;
    QAction* tbtnDown = nullptr;
    QAction* tbtnRemove = nullptr;
    QAction* tbtnClear = nullptr;
    QAction* tbtnStart = nullptr;
    QAction* tbtnStop = nullptr;
    QAction* tbtnPause = nullptr;
    QAction* tbtnStopAfter = nullptr;
    // The drop-down beside the Stop picture and its menu.
    QToolButton* btnStopMenu = nullptr;
    QMenu* ppmStop = nullptr;
    QAction* tbtnSetting = nullptr;
    QAction* tbtnAbout = nullptr;
    QAction* tbtnHelp = nullptr;
    // Elapsed and remaining time of a batch, every 1000 ms while one runs.
    QTimer* timerTime = nullptr;
    // The next write of the task list.
    QTimer* FSaveTimer = nullptr;

    std::string FProgramDir;
    Locations FWhere;
    std::string FEncoderPath;
    std::string FVersionText = "3.0";
    // The settings a batch reads, as values: the output folder as typed,
    // the loaded profile's extension and file, the sheets, and the General
    // preferences in force.
    BatchSettings FSettings;
    std::string FOpenDialogFilter;
    std::vector<CatalogueEntry> FCatalogue;
    PreferencesFile FPrefs;
    Prompter* FPrompter;
    ShellActions* FShell;
    TFileDialogs* FDialogs = nullptr;
    // Probes added files off the window's thread, each under its task's id:
    // a late result for a task removed (or added again) is dropped.
    std::unique_ptr<ProbePool> FProbes;
    // Messages of ended probes waiting for the Output sheet's cell editor to close.
    std::vector<std::string> FProbeMessages;
    std::unique_ptr<TMainBatch> FBatch;
    std::unique_ptr<TaskListStore> FTaskStore;
    TaskListSaveRule FSaveRule;
    // The batch's first task has started and the list was written then; the
    // end of the batch writes it again.
    bool FBatchListWritten = false;
    bool FSaveProblemShown = false;
    TDesktopNotices* FNotices = nullptr;

    TaskQueue FTasks;
    ParamSheet FOutput;
    ParamSheet FVideo;
    ParamSheet FAudio;
    ParamSheet FAdvanced;
    TTaskListModel* FTaskModel = nullptr;
    ColumnWidthSharing FColumnSharing;

    bool FShownOnce = false;
    // What the first show read; empty when the file could not be read.
    std::optional<MainWindowPreferences> FRestored;
    bool FRestoreRead = false;
    bool FClosing = false;
    bool FBusy = false;
    // The system asked the program to end: closing does not ask.
    bool FCloseUnasked = false;
    // A quit signal has come (a second one ends a batch's encoders at once).
    bool FQuitRequested = false;

    // Created after the window, destroyed before it.
    std::unique_ptr<TAboutForm> FAboutForm;
    std::unique_ptr<TSettingForm> FSettingForm;
    std::unique_ptr<TSizeForm> FSizeForm;

    // A control that follows the window's size: its place at the default
    // size, and whether it moves right or down, or grows wider or taller,
    // by what the window has grown.
    struct Growth {
        QWidget* Control;
        QRect Base;
        bool MoveX, MoveY, GrowX, GrowY;
        // A picture whose top rows keep their height (its original).
        int KeepTop;
        QPixmap Picture;
    };
    std::vector<Growth> FGrowth;
};
