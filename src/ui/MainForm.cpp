#include "ui/MainForm.h"

#include "base/FileNames.h"
#include "engine/ProbePool.h"
#include "engine/Runner.h"
#include "platform/FileSystem.h"
#include "preview/PreviewPanel.h"
#include "tasks/OutputSheet.h"
#include "ui/AboutForm.h"
#include "ui/BalloonTip.h"
#include "ui/FileDialogs.h"
#include "ui/ImageButton.h"
#include "ui/LogDialog.h"
#include "ui/Look.h"
#include "ui/MainBatch.h"
#include "ui/ProgressPanel.h"
#include "ui/QtText.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/TaskListModel.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <filesystem>
#include <system_error>

namespace {

constexpr int TagUnskinned = 9999;

QWidget* NewPanel(QWidget* parent, const char* name, const QRect& place,
                  const QColor& color = QColor(), int tag = 0) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(place);
    if (color.isValid()) {
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, color);
        panel->setPalette(pal);
    }
    if (tag) panel->setProperty("Tag", tag);
    panel->setBackgroundRole(QPalette::Window);
    return panel;
}

QToolButton* NewFlatButton(QWidget* parent, const char* name, const QString& text,
                           const QRect& place, const char* glyph, int glyphSize) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setGeometry(place);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(QIcon(Picture(glyph)));
    button->setIconSize(QSize(glyphSize, glyphSize));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

QAction* NewCommand(QWidget* owner, const char* name, const QString& text, const QString& hint) {
    auto* action = new QAction(text, owner);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    owner->addAction(action);
    return action;
}

} // namespace

// ---------------------------------------------------------------------------
// Creation and start-up

TMainForm::TMainForm(const TMainFormOptions& options)
    : QWidget(nullptr),
      FProgramDir(WithTrailingBackslash(
          options.ProgramDir.empty()
              ? FromQ(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()))
              : options.ProgramDir)),
      FWhere(FindLocations(FProgramDir)), FPrefs(FWhere.PreferencesFile, FWhere.DefaultOutputDir),
      FPrompter(options.prompter), FShell(options.shell), FDialogs(options.dialogs) {
    setObjectName("MainForm");
    BuildWindow();
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

void TMainForm::CreateForms() {
    // The General preferences, in force from now on. Should the file fail,
    // the values a missing file would give.
    FSettings.General = GeneralPreferences{};
    FSettings.General.OutputPath = FWhere.DefaultOutputDir;
    Guarded([&] { FSettings.General = FPrefs.ReadGeneral(); });
    FAboutForm = std::make_unique<TAboutForm>(*this);
    FSettingForm = std::make_unique<TSettingForm>(*this);
    FSizeForm = std::make_unique<TSizeForm>(*this);
}

void TMainForm::RunStartup(const std::vector<std::string>& arguments) {
    // Each step stands alone: a step that fails shows its error and the
    // start-up goes on, so the window is always ready for use.
    // First of all, since the version is read from (and written to) the
    // preferences: an installed program keeps the user's settings and profiles in the
    // user's folders; the shipped profiles are copied there once.
    Guarded([&] {
        std::string reason;
        if (!PrepareUserFolders(FWhere, reason)) throw std::runtime_error(reason);
    });
    SetOutputDir(FWhere.DefaultOutputDir);
    FEncoderPath = FWhere.EncoderPath;
    FRunner = std::make_unique<EncoderRunner>(FEncoderPath);
    // Results come back on a worker's thread and are handed to the window's.
    FProbes = std::make_unique<ProbePool>(
        ProbePool::EncoderProbers(FEncoderPath),
        [this](std::uint64_t id, const std::string&, const ProbeResult& result) {
            QMetaObject::invokeMethod(
                this, [this, id, result] { ProbeFinished(id, result); }, Qt::QueuedConnection);
        });

    Guarded([&] { FVersionText = FPrefs.ReadVersion(); });
    QCoreApplication::setApplicationName(ToQ(ProductName));
    setWindowTitle(ToQ(std::string(ProductName) + " V" + FVersionText));
    std::string name = ProductName;
    labProgramName->setText(ToQ(name.substr(name.find(' ') + 1)));

    FOpenDialogFilter = BuildOpenDialogFilter(SupportedExts());

    Guarded([&] {
        FCatalogue = ScanProfiles(ProfilesDir());
        for (const auto& entry : FCatalogue)
            cmbProfile->addItem(ToQ(entry.Name));
        cmbProfile->setCurrentIndex(-1);
    });

    CommandLineIntake(arguments);
    if (FTasks.Count() > 0) EnableTaskCommands(true);

    setAcceptDrops(true);

    // Fixed layout values: the profile panel in front, the progress panel in
    // its place but hidden, the list's columns.
    panBottomCenter->setGeometry(0, 0, 637, 90);
    panBottomLeft->setGeometry(0, 0, 637, 90);
    panBottomLeft->hide();
    for (int i = 0; i < 4; ++i)
        ltvTask->header()->resizeSection(i,
                                         ColumnWidthSharing::DefaultWidths[static_cast<size_t>(i)]);
    // The list keeps its width in this fixed window; only a later change of
    // it is shared among the columns.
    FColumnSharing = ColumnWidthSharing(ltvTask->width());
}

void TMainForm::CommandLineIntake(const std::vector<std::string>& arguments) {
    CommandLineEntries intake = ReadCommandLineEntries(arguments);
    if (!intake.Error.empty()) {
        ShowError(intake.Error);
        return;
    }
    std::vector<std::string> files, notTaken;
    for (const auto& entry : intake.Entries) {
        Guarded([&] {
            switch (CommandLineAction(entry, SupportedExts())) {
            case PathAction::AddFile:
                files.push_back(entry);
                break;
            case PathAction::AddDir:
                for (std::string& file : SupportedFilesInDir(entry, SupportedExts(), &notTaken))
                    files.push_back(std::move(file));
                break;
            case PathAction::Skip:
                notTaken.push_back(entry);
                break;
            }
        });
    }
    Guarded([&] { AddFiles(files); });
    // Said once the window is on screen: a message box now would keep the
    // window from showing until it is answered.
    if (!notTaken.empty())
        QTimer::singleShot(0, this, [this, notTaken] { ReportNotTaken(notTaken); });
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
// Layout

void TMainForm::BuildWindow() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    setWindowIcon(QIcon(Picture("icon")));
    setAutoFillBackground(true);

    panTop = NewPanel(this, "panTop", QRect(0, 0, ClientWidth, 15), Qt::white, TagUnskinned);
    BuildBottom();
    BuildProfileColumn();
    BuildTaskArea();
    BuildCommands();
    BuildPreview();
    SetTabOrder();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TMainForm::BuildBottom() {
    panBottom = NewPanel(this, "panBottom", QRect(0, ClientHeight - 90, ClientWidth, 90));
    panLeft = NewPanel(panBottom, "panLeft", QRect(0, 0, 10, 90), Qt::white, TagUnskinned);
    panBottomRight = NewPanel(panBottom, "panBottomRight", QRect(10, 0, 802, 90));
    panBottomRight->setMouseTracking(true);
    panBottomRight->installEventFilter(this);

    // Profile and output path: built 361 wide; the start-up widens it to 637
    // and puts the progress panel into the same place.
    panBottomCenter = NewPanel(panBottomRight, "panBottomCenter", QRect(0, 0, 361, 90));
    NewPicture(panBottomCenter, "Image4", QRect(0, 0, 637, 90), "bg_bottom");
    NewArtworkLabel(panBottomCenter, "labProfileCaption", QStringLiteral("Profile:"), {40, 11});
    cmbProfile = new QComboBox(panBottomCenter);
    cmbProfile->setObjectName("cmbProfile");
    cmbProfile->setGeometry(74, 8, 463, 21);
    cmbProfile->setMaxVisibleItems(16);
    bbtnSetting =
        NewButton(panBottomCenter, "bbtnSetting", QStringLiteral("&Detail"), QRect(546, 5, 75, 25));
    NewArtworkLabel(panBottomCenter, "labOutputCaption", QStringLiteral("Output Path:"), {12, 44});
    edtOutputdir = new QLineEdit(panBottomCenter);
    edtOutputdir->setObjectName("edtOutputdir");
    edtOutputdir->setGeometry(75, 39, 329, 21);
    bbtnBrowser = NewButton(panBottomCenter, "bbtnBrowser", QStringLiteral("&Browse"),
                            QRect(411, 37, 75, 25));
    bbtnOpen =
        NewButton(panBottomCenter, "bbtnOpen", QStringLiteral("&Open"), QRect(494, 36, 75, 25));

    // Progress, shown in place of the profile panel while a batch runs.
    panBottomLeft = new TProgressPanel(panBottomRight);
    panBottomLeft->setGeometry(360, 0, 277, 90);

    // The Start/Stop area.
    Panel1 = NewPanel(panBottomRight, "Panel1", QRect(637, 0, 184, 138));
    Image3 = NewPicture(Panel1, "Image3", QRect(0, 0, 165, 90), "bg_start");
    Image3->setMouseTracking(true);
    Image3->installEventFilter(this);
    imgStop = new TImageButton(Panel1, "imgStop",
                               {Picture("stop_0"), Picture("stop_1"), Picture("stop_2")});
    imgStop->setGeometry(16, 16, 133, 65);
    imgStop->setToolTip(QStringLiteral("Stop"));
    imgStop->hide();
    imgStart = new TImageButton(Panel1, "imgStart",
                                {Picture("start_0"), Picture("start_1"), Picture("start_2")});
    imgStart->setGeometry(16, 16, 133, 65);
    imgStart->setToolTip(QStringLiteral("Start"));
}

void TMainForm::BuildProfileColumn() {
    panProfile = NewPanel(this, "panProfile", QRect(ClientWidth - 260, 15, 260, 442));
    panPreview = NewPanel(panProfile, "panPreview", QRect(0, -8, 260, 225));
    NewPicture(panProfile, "Image6", QRect(0, 217, 250, 225), "bg_profile");
    QLabel* heading =
        NewArtworkLabel(panProfile, "labProfileHeading", QStringLiteral("Profile"), {0, 222});
    heading->setIndent(6);
    heading->adjustSize();
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();
    panRight = NewPanel(panProfile, "panRight", QRect(250, 0, 10, 442), Qt::white, TagUnskinned);

    ScrollBox1 = new QScrollArea(panProfile);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setGeometry(0, 238, 237, 196);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setBackgroundRole(QPalette::Base);
    auto* content = new QWidget;
    content->setObjectName("ScrollBox1Content");
    content->setBackgroundRole(QPalette::Base);
    content->setAutoFillBackground(true);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    FOutput.SetRows(InitialOutputRows());
    FVideo.SetRows(InitialVideoRows());
    FAudio.SetRows(InitialAudioRows());
    FAdvanced.SetRows(InitialAdvancedRows());
    for (ParamSheet* sheet : {&FOutput, &FVideo, &FAudio, &FAdvanced})
        sheet->FitToRows();

    auto addSheet = [&](const char* panelName, const char* buttonName, const char* title,
                        const char* sheetName, ParamSheet& sheet, TSheetHeader*& header,
                        TValueListEditor*& editor) {
        header = new TSheetHeader(panelName, buttonName, QStringLiteral("      ") + title,
                                  Look::SheetHeader, content);
        editor = new TValueListEditor(sheet, sheetName, 95, 119, content);
        stack->addWidget(header);
        stack->addWidget(editor);
    };
    addSheet("panOutput", "btnOutput", "Output", "vleOutput", FOutput, panOutput, vleOutput);
    addSheet("panVideo", "btnVideo", "Video", "vleVideo", FVideo, panVideo, vleVideo);
    addSheet("panAudio", "btnAudio", "Audio", "vleAudio", FAudio, panAudio, vleAudio);
    addSheet("panAdvanced", "btnAdvanced", "Advanced", "vleAdvanced", FAdvanced, panAdvanced,
             vleAdvanced);
    stack->addStretch(1);
    ScrollBox1->setWidget(content);

    connect(panOutput, &TSheetHeader::Toggled, this, &TMainForm::btnOutputClick);
    connect(panVideo, &TSheetHeader::Toggled, this, &TMainForm::btnVideoClick);
    connect(panAudio, &TSheetHeader::Toggled, this, &TMainForm::btnAudioClick);
    connect(panAdvanced, &TSheetHeader::Toggled, this, &TMainForm::btnAdvancedClick);
    connect(vleVideo, &TValueListEditor::StringsChange, this, &TMainForm::vleVideoStringsChange);
    connect(vleOutput, &TValueListEditor::ValueEdited, this, &TMainForm::vleOutputValidate);
    connect(vleOutput, &TValueListEditor::EditorClosed, this,
            [this] { QTimer::singleShot(0, this, &TMainForm::ShowProbeMessages); });
    connect(vleVideo, &TValueListEditor::MousePressed, this, &TMainForm::vleVideoMouseDown);
    connect(vleAudio, &TValueListEditor::MousePressed, this, &TMainForm::vleAudioMouseDown);
    connect(vleAdvanced, &TValueListEditor::MousePressed, this, &TMainForm::vleAdvancedMouseDown);
}

void TMainForm::BuildTaskArea() {
    panMain = NewPanel(this, "panMain", QRect(0, 15, ClientWidth - 260, 442));
    NewPanel(panMain, "Panel2", QRect(0, 0, 10, 380), Qt::white, TagUnskinned);
    NewPicture(panMain, "Image1", QRect(10, 0, 542, 380), "bg_main");

    panToolbar = NewPanel(panMain, "panToolbar", QRect(0, 380, 552, 62));
    NewPanel(panToolbar, "Panel3", QRect(0, 0, 10, 62), Qt::white, TagUnskinned);
    NewPicture(panToolbar, "Image7", QRect(10, 0, 542, 62), "bg_toolbar");
    sbtnAddFile = NewFlatButton(panToolbar, "sbtnAddFile", QStringLiteral("Add File"),
                                QRect(19, 8, 99, 41), "glyph_addfile", 32);
    sbtnAddDir = NewFlatButton(panToolbar, "sbtnAddDir", QStringLiteral("Add Dir"),
                               QRect(124, 7, 99, 41), "glyph_adddir", 32);
    sbtnOptions = NewFlatButton(panToolbar, "sbtnOptions", QStringLiteral("Settings"),
                                QRect(229, 7, 100, 41), "glyph_settings", 32);

    ltvTask = new TTaskListView(panMain);
    ltvTask->setObjectName("ltvTask");
    ltvTask->setGeometry(18, 12, 519, 323);
    FTaskModel = new TTaskListModel(FTasks, this);
    ltvTask->setModel(FTaskModel);
    ltvTask->header()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: black;"
                       " border: none; border-right: 1px solid #9dbbe0;"
                       " border-bottom: 1px solid #9dbbe0; padding: 1px 4px; }")
            .arg(Look::ListHeader.name()));
    ltvTask->setContextMenuPolicy(Qt::CustomContextMenu);
    ltvTask->viewport()->installEventFilter(this);

    panSmallToolbar =
        NewPanel(panMain, "panSmallToolbar", QRect(18, 334, 519, 35), Qt::white, TagUnskinned);
    NewPicture(panSmallToolbar, "imgSmalltoolBar", QRect(0, 0, 519, 35), "bg_smalltoolbar");
    sbtnDelete = NewFlatButton(panSmallToolbar, "sbtnDelete", QStringLiteral("Delete"),
                               QRect(11, 6, 75, 22), "glyph_delete", 16);
    sbtnClear = NewFlatButton(panSmallToolbar, "sbtnClear", QStringLiteral("Clear"),
                              QRect(91, 6, 75, 22), "glyph_clear", 16);
    sbtnUp = NewFlatButton(panSmallToolbar, "sbtnUp", QStringLiteral("Move Up"),
                           QRect(171, 6, 85, 22), "glyph_up", 16);
    sbtnDown = NewFlatButton(panSmallToolbar, "sbtnDown", QStringLiteral("Move Down"),
                             QRect(260, 6, 85, 22), "glyph_down", 16);
    SpeedButton1 = NewFlatButton(panSmallToolbar, "SpeedButton1", QStringLiteral("About"),
                                 QRect(350, 6, 75, 22), "glyph_about", 16);
    SpeedButton2 = NewFlatButton(panSmallToolbar, "SpeedButton2", QStringLiteral("Help"),
                                 QRect(430, 6, 75, 22), "glyph_help", 16);

    // The welcome panel lies over the list and the small button bar until
    // the first task is added.
    panbg = NewPanel(panMain, "panbg", QRect(18, 12, 519, 357));
    NewPicture(panbg, "imgBkg", QRect(0, 0, 519, 357), "welcome");
    labProgramName = new QLabel(panbg);
    labProgramName->setObjectName("labProgramName");
    labProgramName->setGeometry(297, 21, 198, 20);
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labProgramName->setFont(ProgramNameFont());
    QPalette namePalette = labProgramName->palette();
    namePalette.setColor(QPalette::WindowText, Look::ArtworkText);
    labProgramName->setPalette(namePalette);
    NewPicture(panbg, "imgAvatar", QRect(19, 104, 166, 101), "avatar");
}

void TMainForm::BuildCommands() {
    tbtnAddFile = NewCommand(this, "tbtnAddFile", QStringLiteral("Add File"),
                             QStringLiteral("Add Video Files"));
    tbtnAddDir =
        NewCommand(this, "tbtnAddDir", QStringLiteral("Add Dir"), QStringLiteral("Add Directory"));
    tbtnUp = NewCommand(this, "tbtnUp", QStringLiteral("Move Up"), QStringLiteral("Move Up"));
    tbtnDown =
        NewCommand(this, "tbtnDown", QStringLiteral("Move Down"), QStringLiteral("Move Down"));
    tbtnRemove = NewCommand(this, "tbtnRemove", QStringLiteral("Delete"), QStringLiteral("Remove"));
    tbtnClear = NewCommand(this, "tbtnClear", QStringLiteral("Clear"), QStringLiteral("Clear"));
    tbtnStart = NewCommand(this, "tbtnStart", QStringLiteral("Start"), QStringLiteral("Start"));
    tbtnStop = NewCommand(this, "tbtnStop", QStringLiteral("Stop"), QStringLiteral("Stop"));
    tbtnSetting =
        NewCommand(this, "tbtnSetting", QStringLiteral("Settings"), QStringLiteral("Settings"));
    tbtnAbout = NewCommand(this, "tbtnAbout", QStringLiteral("About"), QStringLiteral("About"));
    tbtnHelp = NewCommand(this, "tbtnHelp", QStringLiteral("Help"), QStringLiteral("Help"));
    AssignShortcuts();

    connect(tbtnAddFile, &QAction::triggered, this, &TMainForm::tbtnAddFileClick);
    connect(tbtnAddDir, &QAction::triggered, this, &TMainForm::tbtnAddDirClick);
    connect(tbtnUp, &QAction::triggered, this, &TMainForm::tbtnUpClick);
    connect(tbtnDown, &QAction::triggered, this, &TMainForm::tbtnDownClick);
    connect(tbtnRemove, &QAction::triggered, this, &TMainForm::tbtnRemoveClick);
    connect(tbtnClear, &QAction::triggered, this, &TMainForm::tbtnClearClick);
    connect(tbtnStart, &QAction::triggered, this, &TMainForm::tbtnStartClick);
    connect(tbtnStop, &QAction::triggered, this, &TMainForm::tbtnStopClick);
    connect(tbtnSetting, &QAction::triggered, this, &TMainForm::tbtnSettingClick);
    connect(tbtnAbout, &QAction::triggered, this, &TMainForm::tbtnAboutClick);
    connect(tbtnHelp, &QAction::triggered, this, &TMainForm::tbtnHelpClick);

    // Each panel button runs its command, so it follows the command's
    // enabling as well.
    const std::pair<QToolButton*, QAction*> panelButtons[] = {
        {sbtnAddFile, tbtnAddFile}, {sbtnAddDir, tbtnAddDir},  {sbtnOptions, tbtnSetting},
        {sbtnDelete, tbtnRemove},   {sbtnClear, tbtnClear},    {sbtnUp, tbtnUp},
        {sbtnDown, tbtnDown},       {SpeedButton1, tbtnAbout}, {SpeedButton2, tbtnHelp}};
    for (auto [button, action] : panelButtons) {
        button->setToolTip(action->toolTip());
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, this, &TMainForm::UpdatePanelButtons);
    }

    connect(bbtnSetting, &QPushButton::clicked, this, &TMainForm::bbtnSettingClick);
    connect(bbtnBrowser, &QPushButton::clicked, this, &TMainForm::bbtnBrowserClick);
    connect(bbtnOpen, &QPushButton::clicked, this, &TMainForm::bbtnOpenClick);
    connect(cmbProfile, &QComboBox::activated, this, &TMainForm::cmbProfileChange);
    // The values a batch reads follow the output path box and the selector.
    connect(edtOutputdir, &QLineEdit::textChanged, this,
            [this](const QString& text) { FSettings.OutputDir = FromQ(text); });
    connect(cmbProfile, &QComboBox::currentIndexChanged, this,
            [this] { FSettings.ProfileFile = SelectedProfilePath(); });
    connect(imgStart, &TImageButton::clicked, this, &TMainForm::imgStartClick);
    connect(imgStop, &TImageButton::clicked, this, &TMainForm::imgStopClick);

    connect(ltvTask, &TTaskListView::DeletePressed, this, &TMainForm::tbtnRemoveClick);
    connect(ltvTask, &TTaskListView::BackspacePressed, this, &TMainForm::tbtnClearClick);
    connect(ltvTask, &TTaskListView::WidthChanged, this, &TMainForm::ltvTaskResize);

    ppmTask = new QMenu(this);
    ppmTask->setObjectName("ppmTask");
    mnuOpen = ppmTask->addAction(QStringLiteral("Open"));
    mnuOpen->setObjectName("mnuOpen");
    mnuShowLog = ppmTask->addAction(QStringLiteral("Show Log\u2026"));
    mnuShowLog->setObjectName("mnuShowLog");
    ppmTask->addSeparator();
    mnuAddFiles = ppmTask->addAction(QStringLiteral("Add Files..."));
    mnuAddFiles->setObjectName("mnuAddFiles");
    mnuAddDir = ppmTask->addAction(QStringLiteral("Add Directorys..."));
    mnuAddDir->setObjectName("mnuAddDir");
    ppmTask->addSeparator();
    mnuRemove = ppmTask->addAction(QStringLiteral("Remove"));
    mnuRemove->setObjectName("mnuRemove");
    mnuClear = ppmTask->addAction(QStringLiteral("Clear"));
    mnuClear->setObjectName("mnuClear");
    connect(mnuOpen, &QAction::triggered, this, &TMainForm::ltvTaskDblClick);
    connect(mnuShowLog, &QAction::triggered, this, &TMainForm::mnuShowLogClick);
    connect(mnuAddFiles, &QAction::triggered, this, &TMainForm::tbtnAddFileClick);
    connect(mnuAddDir, &QAction::triggered, this, &TMainForm::tbtnAddDirClick);
    connect(mnuRemove, &QAction::triggered, this, &TMainForm::tbtnRemoveClick);
    connect(mnuClear, &QAction::triggered, this, &TMainForm::tbtnClearClick);
    connect(ltvTask, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateTaskMenu();
        ppmTask->popup(ltvTask->viewport()->mapToGlobal(at));
    });

    EnableTaskCommands(false);
    UpdatePanelButtons();
}

void TMainForm::BuildPreview() {
    Preview = new TPreviewPanel(panPreview, *FPrompter, ProductName);
    Preview->Image5()->setPixmap(Picture("bg_preview"));
    Preview->Image2()->setPixmap(Picture("bg_time"));
    connect(Preview->sbtnPlay(), &QToolButton::clicked, this, &TMainForm::sbtnPlayClick);
    connect(Preview->sbtnPause(), &QToolButton::clicked, this, &TMainForm::sbtnPauseClick);
    connect(Preview->sbtnStop(), &QToolButton::clicked, this, &TMainForm::sbtnStopClick);
    connect(Preview->TrackBar(), &TDSTrackBar::OnTimer, this, &TMainForm::TrackBarTimer);
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

void TMainForm::setVisible(bool visible) {
    if (visible && !FRestoreRead) {
        FRestoreRead = true;
        std::vector<std::string> names;
        for (const CatalogueEntry& entry : FCatalogue)
            names.push_back(entry.Name);
        Guarded([&] { FRestored = FPrefs.ReadMainWindow(names); });
        // Placed now, while the window system has not made the window: the
        // place is then taken as the frame's, as it was saved. A window made
        // already has no frame yet, and the place would be taken as its
        // inside's, one title bar lower than it was.
        if (FRestored) RestorePosition(*FRestored);
    }
    QWidget::setVisible(visible);
}

void TMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FShownOnce) return;
    FShownOnce = true;
    RestorePreferences();
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (AskBeforeClosing() &&
        FPrompter->Message("A conversion is running. Stop it and quit?", ProductName,
                           MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgResult::Yes &&
        !FCloseUnasked) {
        e->ignore();
        return;
    }
    // A countdown before power-off or exit ends as cancelled: the program
    // just ends.
    if (FBatch) FBatch->CancelCountdown();
    // Closing during a batch stops it; the batch closes the window again
    // once it has unwound, and the program ends then.
    if (FBatch && FBatch->Driver().CloseRequested()) {
        e->ignore();
        return;
    }
    SavePreferences();
    FClosing = true;
    FProbes->CancelAll();
    for (QWidget* form :
         std::initializer_list<QWidget*>{FSizeForm.get(), FSettingForm.get(), FAboutForm.get()})
        if (form && form->isVisible()) form->close();
    e->accept();
    emit Closed();
}

void TMainForm::RestorePreferences() {
    if (!FRestored) return;
    const MainWindowPreferences& saved = *FRestored;
    SetOutputDir(saved.OutputPath);
    if (!saved.ProfileRead) return;
    int index = saved.ProfileIndex;
    cmbProfile->setCurrentIndex(index >= 0 && index < cmbProfile->count() ? index : -1);
    cmbProfileChange();
}

void TMainForm::SetGeneralSettings(const GeneralPreferences& general) {
    FSettings.General = general;
}

void TMainForm::SavePreferences() {
    Guarded([&] {
        // Only a window that was shown has a place of its own.
        std::optional<WindowPosition> place;
        if (FShownOnce) place = WindowPosition{pos().x(), pos().y()};
        FPrefs.SaveAll(cmbProfile->currentIndex(), SelectedProfileName(), OutputDir(), General(),
                       place);
    });
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
    std::vector<std::string> files, notTaken;
    for (const auto& path : paths) {
        switch (DropAction(path, SupportedExts())) {
        case PathAction::AddDir:
            for (std::string& file : SupportedFilesInDir(path, SupportedExts(), &notTaken))
                files.push_back(std::move(file));
            break;
        case PathAction::AddFile:
            files.push_back(path);
            break;
        case PathAction::Skip:
            notTaken.push_back(path);
            break;
        }
    }
    AddFiles(files);
    if (FTasks.Count() > 0) EnableTaskCommands(true);
    ReportNotTaken(notTaken);
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
    mnuRemove->setEnabled(selected);
    mnuClear->setEnabled(FTasks.Count() > 0);
    mnuAddFiles->setEnabled(true);
    mnuAddDir->setEnabled(true);
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
    if (!FAboutForm) FAboutForm = std::make_unique<TAboutForm>(*this);
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

// ---------------------------------------------------------------------------
// Sheets

ParamSheet& TMainForm::Sheet(int n) {
    switch (n) {
    case 0:
        return FOutput;
    case 1:
        return FVideo;
    case 2:
        return FAudio;
    default:
        return FAdvanced;
    }
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
    Sheet(sheet).SetValue(key, value);
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
