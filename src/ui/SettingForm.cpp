#include "ui/SettingForm.h"

#include "base/FileNames.h"
#include "platform/FileSystem.h"
#include "profiles/Profile.h"
#include "ui/FileDialogs.h"
#include "ui/Look.h"
#include "ui/QtText.h"
#include "ui/SettingsHost.h"
#include "ui/ValueListEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr const char* ProfileFilter = "Profiles (*.apf)|*.apf";
constexpr const char* ProfileExt = ".apf";

// The whole file at source into target, replacing what is there. The target
// is only replaced once the copy is complete, so a failure leaves it as it
// was (or absent). On failure reason holds the system's text.
bool CopyProfileFile(const std::string& source, const std::string& target, std::string& reason) {
    std::string data;
    return ReadFileContents(source, data, reason) && ReplaceFileContents(target, data, reason);
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QString& text, QPoint at,
                       int width) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setGeometry(at.x(), at.y(), width, 17);
    return box;
}

} // namespace

bool SaveProfileDialog(QWidget* owner, const std::string& filter, const std::string& defaultExt,
                       const std::string& initialDir, std::string& fileName) {
    QFileDialog dialog(owner, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(QtNameFilters(filter));
    std::string suffix =
        !defaultExt.empty() && defaultExt[0] == '.' ? defaultExt.substr(1) : defaultExt;
    dialog.setDefaultSuffix(ToQ(suffix));
    if (!initialDir.empty()) dialog.setDirectory(ToQ(initialDir));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = FromQ(QDir::toNativeSeparators(dialog.selectedFiles().first()));
    return true;
}

// ---------------------------------------------------------------------------
// Creation and layout

TSettingForm::TSettingForm(SettingsHost& main) : QDialog(nullptr), FMain(main) {
    setObjectName("SettingForm");
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(false);

    pgcSetting = new QTabWidget(this);
    pgcSetting->setObjectName("pgcSetting");
    pgcSetting->setGeometry(0, 5, 391, 442);
    auto* general = new QWidget;
    general->setObjectName("tbsGeneral");
    auto* profiles = new QWidget;
    profiles->setObjectName("tbsProfiles");
    pgcSetting->addTab(general, QStringLiteral("     General     "));
    pgcSetting->addTab(profiles, QStringLiteral("     Profiles     "));
    BuildGeneralPage(general);
    BuildProfilesPage(profiles);

    btnDefault =
        NewButton(this, "btnDefault", QStringLiteral("&Load Default"), QRect(16, 461, 89, 25));
    btnOK = NewButton(this, "btnOK", QStringLiteral("&OK"), QRect(208, 461, 75, 25));
    btnCancel = NewButton(this, "btnCancel", QStringLiteral("&Cancel"), QRect(296, 461, 75, 25));
    connect(btnDefault, &QPushButton::clicked, this, &TSettingForm::btnDefaultClick);
    connect(btnOK, &QPushButton::clicked, this, &TSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TSettingForm::btnCancelClick);

    // The profile names in the main window's order; none is selected.
    for (const auto& entry : main.Catalogue())
        cmbProfile->addItem(ToQ(entry.Name));
    cmbProfile->setCurrentIndex(-1);

    SetGeneral(main.GeneralSettings());
}

TSettingForm::~TSettingForm() {
    // The grids go before the sheets they show.
    delete ScrollBox1;
    ScrollBox1 = nullptr;
}

void TSettingForm::BuildGeneralPage(QWidget* page) {
    auto* pathCaption = new QLabel(QStringLiteral("Default Output Path:"), page);
    pathCaption->setObjectName("labOutputDir");
    pathCaption->move(9, 19);
    pathCaption->adjustSize();
    edtOutputDir = new QLineEdit(page);
    edtOutputDir->setObjectName("edtOutputDir");
    edtOutputDir->setGeometry(112, 16, 225, 21);
    pathCaption->setBuddy(edtOutputDir);
    sbtnBrowse = new QToolButton(page);
    sbtnBrowse->setObjectName("sbtnBrowse");
    sbtnBrowse->setGeometry(344, 16, 23, 22);
    sbtnBrowse->setIcon(QIcon(Picture("glyph_folder")));
    sbtnBrowse->setIconSize(QSize(16, 16));
    sbtnBrowse->setAutoRaise(true);
    sbtnBrowse->setToolTip(QStringLiteral("Browse"));
    connect(sbtnBrowse, &QToolButton::clicked, this, &TSettingForm::sbtnBrowseClick);

    auto* synCaption = new QLabel(QStringLiteral("Synchronization Mode:"), page);
    synCaption->setObjectName("labSyn");
    synCaption->move(11, 59);
    synCaption->adjustSize();
    cmbSyn = new QComboBox(page);
    cmbSyn->setObjectName("cmbSyn");
    cmbSyn->setGeometry(124, 56, 245, 21);
    cmbSyn->addItems(
        {QStringLiteral("Auto"), QStringLiteral("Force Mode"), QStringLiteral("Progressive Mode")});
    synCaption->setBuddy(cmbSyn);

    // The line between the mode and the completion actions.
    auto* line = new QFrame(page);
    line->setObjectName("Bevel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(16, 100, 353, 2);

    chkOpenDir = NewCheckBox(
        page, "chkOpenDir",
        QStringLiteral("Open the output directory when the task is completed. "), {24, 128}, 313);
    chkExit =
        NewCheckBox(page, "chkExit", QStringLiteral("Exit the program when the task is completed."),
                    {24, 160}, 337);
    chkTurnoff = NewCheckBox(page, "chkTurnoff",
                             QStringLiteral("Turn off the computer when the task is completed."),
                             {24, 192}, 281);

    gpbOverWrite = new QGroupBox(QStringLiteral("Output File Overwrite"), page);
    gpbOverWrite->setObjectName("gpbOverWrite");
    gpbOverWrite->setGeometry(16, 240, 353, 105);
    rdbOverWrite = new QRadioButton(QStringLiteral("Overwrite"), gpbOverWrite);
    rdbOverWrite->setObjectName("rdbOverWrite");
    rdbOverWrite->setGeometry(24, 32, 305, 17);
    rdbRename = new QRadioButton(QStringLiteral("Not overwrite (Rename to <Filename> + Index"),
                                 gpbOverWrite);
    rdbRename->setObjectName("rdbRename");
    rdbRename->setGeometry(24, 67, 305, 17);
    rdbOverWrite->setChecked(true);

    auto* simultaneousCaption = new QLabel(QStringLiteral("Simultaneous conversions:"), page);
    simultaneousCaption->setObjectName("labSimultaneous");
    simultaneousCaption->move(16, 367);
    simultaneousCaption->adjustSize();
    speSimultaneous = new QSpinBox(page);
    speSimultaneous->setObjectName("speSimultaneous");
    speSimultaneous->setGeometry(180, 364, 60, 21);
    speSimultaneous->setRange(1, MaxSimultaneousConversions());
    speSimultaneous->setValue(1);
    simultaneousCaption->setBuddy(speSimultaneous);

    chkKeepTasks = NewCheckBox(page, "chkKeepTasks",
                               QStringLiteral("Keep the task list between runs"), {16, 394}, 337);
    chkKeepTasks->setChecked(true);
    chkKeepTasks->setToolTip(QStringLiteral(
        "The list comes back at the next start. After a crash it always comes back."));
}

void TSettingForm::BuildProfilesPage(QWidget* page) {
    cmbProfile = new QComboBox(page);
    cmbProfile->setObjectName("cmbProfile");
    cmbProfile->setGeometry(8, 7, 283, 21);
    cmbProfile->setMaxVisibleItems(16);
    connect(cmbProfile, &QComboBox::activated, this, &TSettingForm::cmbProfileChange);
    btnSaveAs = NewButton(page, "btnSaveAs", QStringLiteral("&Save as..."), QRect(298, 4, 75, 25));
    connect(btnSaveAs, &QPushButton::clicked, this, &TSettingForm::btnSaveAsClick);

    const SheetScrollBox sheets = NewSheetScrollBox(page, QRect(8, 36, 366, 373));
    ScrollBox1 = sheets.Box;
    QWidget* content = sheets.Content;
    QVBoxLayout* stack = sheets.Stack;

    FVideo.SetRows(InitialVideoRows());
    FAudio.SetRows(InitialAudioRows());
    FAdvanced.SetRows(InitialAdvancedRows());
    for (ParamSheet* sheet : {&FVideo, &FAudio, &FAdvanced})
        sheet->FitToRows();

    // The header bars take the system's button-shadow colour here.
    const QColor bar = QApplication::palette().color(QPalette::Dark);
    auto addSheet = [&](const char* panelName, const char* buttonName, const char* title,
                        const char* sheetName, ParamSheet& sheet, TSheetHeader*& header,
                        TValueListEditor*& editor) {
        header =
            new TSheetHeader(panelName, buttonName, QStringLiteral("      ") + title, bar, content);
        editor = new TValueListEditor(sheet, sheetName, 160, 200, content);
        stack->addWidget(header);
        stack->addWidget(editor);
    };
    addSheet("panVideo", "btnVideo", "Video", "vleVideo", FVideo, panVideo, vleVideo);
    addSheet("panAudio", "btnAudio", "Audio", "vleAudio", FAudio, panAudio, vleAudio);
    addSheet("panAdvanced", "btnAdvanced", "Advanced", "vleAdvanced", FAdvanced, panAdvanced,
             vleAdvanced);
    stack->addStretch(1);
    ScrollBox1->setWidget(content);

    connect(panVideo, &TSheetHeader::Toggled, this, &TSettingForm::btnVideoClick);
    connect(panAudio, &TSheetHeader::Toggled, this, &TSettingForm::btnAudioClick);
    connect(panAdvanced, &TSheetHeader::Toggled, this, &TSettingForm::btnAdvancedClick);
    // The dialog's Video sheet never asks for a custom size: "Custom Size"
    // is kept as the chosen caption and saved as its position.
    connect(vleVideo, &TValueListEditor::MousePressed, this, &TSettingForm::vleVideoMouseDown);
    connect(vleAudio, &TValueListEditor::MousePressed, this, &TSettingForm::vleAudioMouseDown);
    connect(vleAdvanced, &TValueListEditor::MousePressed, this,
            &TSettingForm::vleAdvancedMouseDown);
}

// ---------------------------------------------------------------------------
// The General values

GeneralPreferences TSettingForm::General() const {
    GeneralPreferences p;
    p.OutputPath = FromQ(edtOutputDir->text());
    p.SynMode = cmbSyn->currentIndex();
    p.AutoOpenDir = chkOpenDir->isChecked();
    p.AutoExit = chkExit->isChecked();
    p.AutoTurnOff = chkTurnoff->isChecked();
    p.Overwrite = rdbOverWrite->isChecked();
    p.SimultaneousConversions = speSimultaneous->value();
    p.KeepTaskList = chkKeepTasks->isChecked();
    return p;
}

void TSettingForm::SetGeneral(const GeneralPreferences& prefs) {
    edtOutputDir->setText(ToQ(prefs.OutputPath));
    cmbSyn->setCurrentIndex(prefs.SynMode >= 0 && prefs.SynMode < cmbSyn->count() ? prefs.SynMode
                                                                                  : -1);
    chkOpenDir->setChecked(prefs.AutoOpenDir);
    chkExit->setChecked(prefs.AutoExit);
    chkTurnoff->setChecked(prefs.AutoTurnOff);
    rdbOverWrite->setChecked(prefs.Overwrite);
    rdbRename->setChecked(!prefs.Overwrite);
    speSimultaneous->setValue(prefs.SimultaneousConversions);
    chkKeepTasks->setChecked(prefs.KeepTaskList);
}

// ---------------------------------------------------------------------------
// Showing and closing

void TSettingForm::ShowGeneralPage() {
    show();
    pgcSetting->setCurrentIndex(0);
}

void TSettingForm::ShowProfilesPage(int profileIndex) {
    show();
    pgcSetting->setCurrentIndex(1);
    cmbProfile->setCurrentIndex(
        profileIndex >= 0 && profileIndex < cmbProfile->count() ? profileIndex : -1);
    cmbProfileChange();
}

void TSettingForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Only a real showing counts, not the desktop restoring the window.
    if (e->spontaneous()) return;
    // Centred on the main window, which takes no input until this closes.
    FMain.OwnDialog(*this);
    // The values in force (what an earlier Cancel left among them too), and
    // the main window's output folder.
    SetGeneral(FMain.GeneralSettings());
    edtOutputDir->setText(ToQ(FMain.OutputDir()));
}

void TSettingForm::closeEvent(QCloseEvent* e) {
    // Closed by OK, Cancel, Escape or the close box: only hidden. Unless OK
    // has handed them back, the choices shown stay in force but for the
    // output folder.
    if (!FAccepted)
        FMain.SetGeneralSettings(
            SettingsInForce(SettingsClose::Cancel, FMain.GeneralSettings(), General()));
    FAccepted = false;
    FMain.ReleaseDialog();
    e->accept();
}

void TSettingForm::reject() {
    close();
}

// ---------------------------------------------------------------------------
// Commands

void TSettingForm::sbtnBrowseClick() {
    FMain.Guarded([&] {
        std::string folder;
        if (FMain.dialogs().BrowseForFolder(this, "Select the output directory.", "", folder))
            edtOutputDir->setText(ToQ(WithTrailingBackslash(folder)));
    });
}

std::string TSettingForm::SelectedProfilePath() const {
    return ProfilePath(FMain.ProfilesDir(), FMain.Catalogue(), FromQ(cmbProfile->currentText()));
}

void TSettingForm::cmbProfileChange() {
    FMain.Guarded([&] {
        std::string path = SelectedProfilePath();
        if (cmbProfile->currentIndex() < 0 || !FileExists(path)) return;
        try {
            LoadProfile(path, DialogSheets(), nullptr);
        } catch (...) {
            SyncSheets();
            throw;
        }
        SyncSheets();
    });
}

void TSettingForm::btnSaveAsClick() {
    FMain.Guarded([&] {
        // Save As copies the selected profile with the values shown: without
        // one there is nothing to save, and no name is asked for.
        if (cmbProfile->currentIndex() < 0) {
            FMain.prompter().Message("No profile is selected, so there is nothing to save.\n\n"
                                     "Please choose a profile above, then press Save as... to "
                                     "save it with the values shown under another name.",
                                     "Save as", MsgIcon::Information);
            return;
        }
        std::string target;
        if (!SaveDialog ||
            !SaveDialog(this, ProfileFilter, ProfileExt, FMain.ProfilesDir(), target))
            return;
        SaveProfileAs(target);
    });
}

void TSettingForm::SaveProfileAs(const std::string& target) {
    std::string source = SelectedProfilePath();
    // Without a selected profile there is nothing to copy or save.
    if (cmbProfile->currentIndex() < 0) return;
    if (!FileExists(source)) {
        FMain.ShowError("The profile file \"" + source +
                        "\" was not found, so there is nothing to save.");
        return;
    }
    // Saving onto the selected profile's own file needs no copy.
    if (!SameFile(source, target)) {
        std::string reason;
        if (!CopyProfileFile(source, target, reason)) {
            FMain.ShowError("Cannot copy the profile to \"" + target + "\": " + reason);
            return;
        }
    }
    SaveProfile(target, DialogSheets());
}

void TSettingForm::btnDefaultClick() {
    FMain.Guarded([&] {
        if (FMain.prompter().Message("Are you sure to load the default preferences?",
                                     "Load Default", MsgIcon::Question,
                                     MsgButtons::YesNo) != MsgResult::Yes)
            return;
        SetGeneral(FMain.Preferences().ReadDefaults());
    });
}

void TSettingForm::btnOKClick() {
    FMain.Guarded([&] {
        FMain.SetOutputDir(FromQ(edtOutputDir->text()));
        const GeneralPreferences shown = General();
        FMain.SetGeneralSettings(
            SettingsInForce(SettingsClose::Ok, FMain.GeneralSettings(), shown));
        FMain.Preferences().SaveGeneral(shown);
        std::string path = SelectedProfilePath();
        if (cmbProfile->currentIndex() >= 0 && FileExists(path)) SaveProfile(path, DialogSheets());
        // The main window shows the profile just saved: it loads it again,
        // after this dialog has closed, so that a custom size dialog that
        // the load opens keeps the main window disabled.
        bool reload = FMain.SelectedProfileName() == FromQ(cmbProfile->currentText());
        FAccepted = true;
        close();
        if (reload) FMain.ReloadSelectedProfile();
    });
}

void TSettingForm::btnCancelClick() {
    close();
}

// ---------------------------------------------------------------------------
// Sheets

SheetSet TSettingForm::DialogSheets() {
    SheetSet set;
    set.Video = &FVideo;
    set.Audio = &FAudio;
    set.Advanced = &FAdvanced;
    return set;
}

void TSettingForm::SyncSheets() {
    const std::pair<TValueListEditor*, TSheetHeader*> pairs[] = {
        {vleVideo, panVideo}, {vleAudio, panAudio}, {vleAdvanced, panAdvanced}};
    for (auto [editor, header] : pairs)
        SyncSheet(editor, header);
}

void TSettingForm::RefreshSheets() {
    for (TValueListEditor* editor : {vleVideo, vleAudio, vleAdvanced})
        editor->Refresh();
}

void TSettingForm::btnVideoClick() {
    ToggleSheet(vleVideo, panVideo);
}
void TSettingForm::btnAudioClick() {
    ToggleSheet(vleAudio, panAudio);
}
void TSettingForm::btnAdvancedClick() {
    ToggleSheet(vleAdvanced, panAdvanced);
}

void TSettingForm::vleVideoMouseDown() {
    RefreshSheets();
}
void TSettingForm::vleAudioMouseDown() {
    RefreshSheets();
}
void TSettingForm::vleAdvancedMouseDown() {
    RefreshSheets();
}
