#pragma once
// The settings dialog. Created once at start-up and only shown and hidden
// afterwards. Its General page edits a copy of the General values the main
// window holds, and hands them back as it closes: OK all of them, written to
// Preferences.ini; Cancel, Esc or the close box all but the output folder,
// writing nothing (they are saved at exit). Its Profiles page edits profiles
// for good in three sheets of its own.
#include "config/Preferences.h"
#include "profiles/ParamSheet.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QToolButton;
class SettingsHost;
class TSheetHeader;
class TValueListEditor;

// The save dialog of Save As: owner, the "|"-separated filter, the default
// extension (with its "."), the folder to start in; no question before a
// file is replaced. Returns true with the chosen name when the user confirms.
using TSaveProfileDialog =
    std::function<bool(QWidget* owner, const std::string& filter, const std::string& defaultExt,
                       const std::string& initialDir, std::string& fileName)>;

// The desktop's save dialog.
bool SaveProfileDialog(QWidget* owner, const std::string& filter, const std::string& defaultExt,
                       const std::string& initialDir, std::string& fileName);

class TSettingForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 391;
    static constexpr int ClientHeight = 498;

    // Copies the main window's profile names (none selected) and shows its
    // General values on the General page.
    explicit TSettingForm(SettingsHost& main);
    ~TSettingForm() override;

    // The values of the General page as the controls show them now (not in
    // force until the dialog closes).
    GeneralPreferences General() const;

    // Opened by the settings command: the General page.
    void ShowGeneralPage();
    // Opened by the profile-details command: the Profiles page with the
    // profile at the main window's item index loaded into the sheets.
    void ShowProfilesPage(int profileIndex);

    // The dialog's own sheets (Video, Audio, Advanced).
    ParamSheet& VideoSheet() { return FVideo; }
    ParamSheet& AudioSheet() { return FAudio; }
    ParamSheet& AdvancedSheet() { return FAdvanced; }
    SheetSet DialogSheets();

    // The file of the profile the dialog's selector shows.
    std::string SelectedProfilePath() const;

    // Save As asks this for the target; the real dialog unless replaced.
    TSaveProfileDialog SaveDialog = SaveProfileDialog;

    // Controls (named as their objectName).
    QTabWidget* pgcSetting = nullptr;
    QPushButton* btnDefault = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    // General page.
    QLineEdit* edtOutputDir = nullptr;
    QToolButton* sbtnBrowse = nullptr;
    QComboBox* cmbSyn = nullptr;
    QCheckBox* chkOpenDir = nullptr;
    QCheckBox* chkExit = nullptr;
    QCheckBox* chkTurnoff = nullptr;
    QGroupBox* gpbOverWrite = nullptr;
    QRadioButton* rdbOverWrite = nullptr;
    QRadioButton* rdbRename = nullptr;
    QSpinBox* speSimultaneous = nullptr;
    QCheckBox* chkKeepTasks = nullptr;
    // Profiles page.
    QComboBox* cmbProfile = nullptr;
    QPushButton* btnSaveAs = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TSheetHeader* panVideo = nullptr;
    TSheetHeader* panAudio = nullptr;
    TSheetHeader* panAdvanced = nullptr;
    TValueListEditor* vleVideo = nullptr;
    TValueListEditor* vleAudio = nullptr;
    TValueListEditor* vleAdvanced = nullptr;

public slots:
    void sbtnBrowseClick();
    void cmbProfileChange();
    void btnSaveAsClick();
    void btnDefaultClick();
    void btnOKClick();
    void btnCancelClick();
    void btnVideoClick();
    void btnAudioClick();
    void btnAdvancedClick();
    void vleVideoMouseDown();
    void vleAudioMouseDown();
    void vleAdvancedMouseDown();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override; // the Escape key closes like Cancel

private:
    void BuildGeneralPage(QWidget* page);
    void BuildProfilesPage(QWidget* page);
    // Puts values into the General controls ("Overwrite" chooses one of the
    // two options; a mode outside the list shows no choice).
    void SetGeneral(const GeneralPreferences& prefs);
    void SyncSheets();
    void RefreshSheets();
    // Copies the selected profile's file to target and saves the sheets into
    // the copy; on a failed copy the error is shown and nothing is written.
    void SaveProfileAs(const std::string& target);

    SettingsHost& FMain;
    // The dialog is closing by OK: what it shows is handed back already.
    bool FAccepted = false;
    ParamSheet FVideo;
    ParamSheet FAudio;
    ParamSheet FAdvanced;
};
