// The main window's layout: its panels, pictures, lists, sheets, buttons and
// commands at their places, as the window is built; and which command each
// control runs.
#include "preview/PreviewPanel.h"
#include "tasks/OutputSheet.h"
#include "ui/ImageButton.h"
#include "ui/Look.h"
#include "ui/MainForm.h"
#include "ui/ProgressPanel.h"
#include "ui/QtText.h"
#include "ui/TaskListModel.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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

void TMainForm::BuildWindow() {
    // The layout's size is the default and the smallest; a larger window
    // gives the room to the list and the sheets (MainGrowth).
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(ClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);
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

    const SheetScrollBox sheets = NewSheetScrollBox(panProfile, QRect(0, 238, 237, 196));
    ScrollBox1 = sheets.Box;
    QWidget* content = sheets.Content;
    QVBoxLayout* stack = sheets.Stack;

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
    ltvTask->setItemDelegateForColumn(3, new TStatusDelegate(ltvTask));
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
    tbtnPause =
        NewCommand(this, "tbtnPause", QStringLiteral("Pause"), QStringLiteral("Pause or resume"));
    tbtnStopAfter =
        NewCommand(this, "tbtnStopAfter", QStringLiteral("Stop After the Current Tasks"),
                   QStringLiteral("Stop after the current tasks"));
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
    connect(tbtnPause, &QAction::triggered, this, &TMainForm::tbtnPauseClick);
    connect(tbtnStopAfter, &QAction::triggered, this, &TMainForm::tbtnStopAfterClick);
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

    BuildBatchCommands();
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
