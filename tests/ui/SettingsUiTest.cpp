// The settings dialog through its real controls: the live General values,
// OK, Cancel and Load Default with Preferences.ini, the Profiles page with
// its own sheets, OK and Save As into the profile files.
#include "UiTestSupport.h"

#include "config/NewInifiles.h"
#include "platform/FileSystem.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A key of a file as the program reads it (the file is not written back).
std::string Key(const std::string& path, const char* section, const char* key) {
    return TNewInifile(path).ReadString(section, key, "<none>");
}

// A value changed in a grid as the user's cell editor hands it over.
void Edit(TValueListEditor* grid, const char* caption, const char* value) {
    int row = grid->Sheet().Find(caption);
    ASSERT_GE(row, 0) << caption;
    grid->SetCurrentRow(row);
    grid->SheetModel()->setData(grid->SheetModel()->index(row, 1), value, Qt::EditRole);
}

void Select(QComboBox* combo, const char* text) {
    int index = combo->findText(text);
    ASSERT_GE(index, 0) << text;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

class Settings : public testing::Test {
protected:
    void SetUp() override {
        folder.AddProfile("Test", TestProfileText("avi"));
        folder.AddProfile("Other", TestProfileText("mkv", 1));
        Open(w);
    }
    // A shown main window whose dialog's save dialog answers saveTarget.
    void Open(Window& win) {
        win.Create(folder);
        win.Show();
        form = win->SettingForm();
        form->SaveDialog = [this](QWidget*, const std::string& filter, const std::string& ext,
                                  const std::string&, std::string& name) {
            saveAsked = filter + " " + ext;
            name = saveTarget;
            return !saveTarget.empty();
        };
    }
    std::string Prefs() { return ReadFileBytes(folder.File("Preferences.ini")); }
    std::string ProfileFile(const char* name) { return folder.ProfilesDir() + name + ".apf"; }

    ProgramFolder folder;
    Window w;
    TSettingForm* form = nullptr;
    std::string saveAsked, saveTarget;
};

TEST_F(Settings, GeneralValuesRoundTripThroughOkInKeyOrder) {
    // Created with the catalogue in the main window's order, none selected.
    ASSERT_EQ(form->cmbProfile->count(), 2);
    EXPECT_EQ(form->cmbProfile->itemText(1), w.Find<QComboBox>("cmbProfile")->itemText(1));
    EXPECT_EQ(form->cmbProfile->currentIndex(), -1);

    std::string before = Prefs();
    w.Find<QAction>("tbtnSetting")->trigger();
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->pgcSetting->currentIndex(), 0);
    EXPECT_FALSE(w->isEnabled());
    EXPECT_EQ(Prefs(), before) << "showing writes nothing";

    form->edtOutputDir->setText("/srv/videos/");
    form->cmbSyn->setCurrentIndex(2);
    form->chkOpenDir->setChecked(false);
    form->chkExit->setChecked(true);
    form->chkTurnoff->setChecked(true);
    form->rdbRename->setChecked(true);
    EXPECT_TRUE(w->General().Overwrite) << "the dialog edits a copy";
    form->btnOK->click();
    EXPECT_FALSE(w->General().Overwrite) << "handed back by OK";
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(w.Find<QLineEdit>("edtOutputdir")->text(), "/srv/videos/");
    EXPECT_EQ(Prefs(), "[Main]\r\nOverwrite=0\r\nAuto Turn Off=1\r\nAuto Exit=1\r\n"
                       "Auto Open Dir=0\r\nSyn Mode=2\r\nOutput Path=/srv/videos/\r\n");

    // The next run reads them back; a mode outside the list shows no choice
    // and is saved as -1.
    Window again;
    Open(again);
    GeneralPreferences read = again->General();
    EXPECT_EQ(read.OutputPath, "/srv/videos/");
    EXPECT_EQ(read.SynMode, 2);
    EXPECT_FALSE(read.AutoOpenDir);
    EXPECT_TRUE(read.AutoExit && read.AutoTurnOff);
    EXPECT_TRUE(form->rdbRename->isChecked());
    WriteFileBytes(folder.File("Preferences.ini"), "[Main]\r\nSyn Mode=7\r\n");
    Window third;
    Open(third);
    EXPECT_EQ(form->cmbSyn->currentIndex(), -1);
    third.Find<QAction>("tbtnSetting")->trigger();
    form->btnOK->click();
    EXPECT_NE(Prefs().find("Syn Mode=-1\r\n"), std::string::npos);
}

TEST_F(Settings, CancelKeepsTheChoicesForTheRunButWritesNothing) {
    w.Find<QLineEdit>("edtOutputdir")->setText("/main/out/");
    w.Find<QToolButton>("sbtnOptions")->click();
    EXPECT_EQ(form->edtOutputDir->text(), "/main/out/") << "refilled from the main window";
    std::string before = Prefs();
    w.dialogs.ConfirmFolder = true;
    w.dialogs.Folder = "/chosen";
    form->sbtnBrowse->click();
    EXPECT_EQ(w.dialogs.LastTitle, "Select the output directory.");
    EXPECT_EQ(form->edtOutputDir->text().toStdString(), std::string("/chosen") + PathDelim);
    form->chkExit->setChecked(true);
    form->rdbRename->setChecked(true);
    form->btnCancel->click();
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->General().AutoExit) << "in force for the run";
    EXPECT_EQ(Prefs(), before);
    EXPECT_EQ(w.Find<QLineEdit>("edtOutputdir")->text(), "/main/out/");

    // Escape and the close box close it as well; each showing takes the main
    // window's path again and keeps the rest.
    w.Find<QAction>("tbtnSetting")->trigger();
    EXPECT_EQ(form->edtOutputDir->text(), "/main/out/");
    EXPECT_TRUE(form->chkExit->isChecked());
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_TRUE(w->isEnabled());
    w.Find<QAction>("tbtnSetting")->trigger();
    form->windowHandle()->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(Prefs(), before);

    w.Close(); // the exit saves what the controls show
    EXPECT_NE(Prefs().find("Auto Exit=1\r\nAuto Open Dir"), std::string::npos) << Prefs();
    EXPECT_NE(Prefs().find("Overwrite=0\r\n"), std::string::npos) << Prefs();
}

TEST_F(Settings, LoadDefaultAsksThenFillsTheControlsAndCancelKeepsThem) {
    WriteFileBytes(folder.File("Preferences.ini"),
                   "[Main]\r\n[Default]\r\nOutput Path=/factory/\r\nSyn Mode=1\r\nOverwrite=0\r\n");
    std::string before = Prefs();
    w.Find<QAction>("tbtnSetting")->trigger();
    form->chkTurnoff->setChecked(true);
    w.prompter.Answers = {MsgResult::No, MsgResult::Yes};
    form->btnDefault->click();
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text, "Are you sure to load the default preferences?");
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Load Default");
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Question);
    EXPECT_EQ(w.prompter.Shown[0].Buttons, MsgButtons::YesNo);
    EXPECT_TRUE(form->chkTurnoff->isChecked()) << "No changes nothing";

    form->btnDefault->click();
    form->btnCancel->click();
    EXPECT_EQ(Prefs(), before) << "nothing is saved";
    EXPECT_EQ(form->edtOutputDir->text(), "/factory/");
    GeneralPreferences kept = w->General();
    EXPECT_NE(kept.OutputPath, "/factory/") << "the output folder is not taken";
    EXPECT_EQ(kept.SynMode, 1);
    EXPECT_FALSE(kept.AutoOpenDir) << "false is the factory default";
    EXPECT_FALSE(kept.AutoTurnOff);
    EXPECT_FALSE(kept.Overwrite);
}

TEST_F(Settings, OkWithTheMainWindowsProfileSavesItAndReloadsTheMainSheets) {
    Select(w.Find<QComboBox>("cmbProfile"), "Test");
    Edit(w.Find<TValueListEditor>("vleVideo"), "Bit Rate",
         "999k"); // the main window's edit is lost
    w.Find<QPushButton>("bbtnSetting")->click();
    EXPECT_EQ(form->pgcSetting->currentIndex(), 1);
    EXPECT_EQ(form->cmbProfile->currentText(), "Test");
    EXPECT_EQ(form->VideoSheet().Value("Bit Rate"), "768k");
    Edit(form->vleVideo, "Bit Rate", "1000k");
    Edit(form->vleVideo, "Video Codec", "H.264");
    form->btnOK->click();
    EXPECT_EQ(Key(ProfileFile("Test"), "Bit Rate", "Value"), "1000k");
    EXPECT_EQ(Key(ProfileFile("Test"), "Video Codec", "Index"), "1");
    EXPECT_EQ(w->VideoSheet().Value("Bit Rate"), "1000k");
    EXPECT_EQ(w->VideoSheet().Value("Video Codec"), "H.264");
}

TEST_F(Settings, OkWithAnotherProfileLeavesTheMainSheetsAlone) {
    Select(w.Find<QComboBox>("cmbProfile"), "Test");
    Edit(w.Find<TValueListEditor>("vleVideo"), "Bit Rate", "999k");
    std::string test = ReadFileBytes(ProfileFile("Test"));
    w.Find<QPushButton>("bbtnSetting")->click();
    Select(form->cmbProfile, "Other");
    Edit(form->vleVideo, "Bit Rate", "500k");
    form->btnOK->click();
    EXPECT_EQ(Key(ProfileFile("Other"), "Bit Rate", "Caption"), "500k");
    EXPECT_EQ(ReadFileBytes(ProfileFile("Test")), test);
    EXPECT_EQ(w->VideoSheet().Value("Bit Rate"), "999k");
    EXPECT_EQ(w->OutputExtension(), ".avi");
}

TEST_F(Settings, OpeningOnGeneralFirstShowsTheInitialRowsAndSavesNoProfile) {
    std::string test = ReadFileBytes(ProfileFile("Test"));
    w.Find<QAction>("tbtnSetting")->trigger();
    EXPECT_EQ(form->VideoSheet().RowCount(), 6);
    EXPECT_EQ(form->VideoSheet().Row(0).Caption, "Video Codec");
    EXPECT_EQ(form->VideoSheet().Value("Video Codec"), "");
    saveTarget = folder.ProfilesDir() + "Nothing.apf";
    form->btnSaveAs->click();
    EXPECT_FALSE(fs::exists(saveTarget)) << "no profile selected: nothing to save as";
    EXPECT_EQ(saveAsked, "") << "no name is asked for";
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text.rfind("No profile is selected", 0), 0u);
    form->btnOK->click();
    EXPECT_EQ(ReadFileBytes(ProfileFile("Test")), test);

    // Edits left by Cancel are saved by a later OK from the General page.
    Select(w.Find<QComboBox>("cmbProfile"), "Test");
    w.Find<QPushButton>("bbtnSetting")->click();
    Edit(form->vleVideo, "Bit Rate", "321k");
    form->btnCancel->click();
    EXPECT_EQ(ReadFileBytes(ProfileFile("Test")), test);
    w.Find<QAction>("tbtnSetting")->trigger();
    form->btnOK->click();
    EXPECT_EQ(Key(ProfileFile("Test"), "Bit Rate", "Caption"), "321k");
}

TEST_F(Settings, SaveAsOntoANewNameAndOntoAnExistingFile) {
    Select(w.Find<QComboBox>("cmbProfile"), "Test");
    std::string test = ReadFileBytes(ProfileFile("Test"));
    w.Find<QPushButton>("bbtnSetting")->click();
    Edit(form->vleVideo, "Bit Rate", "640k");
    form->btnSaveAs->click(); // cancelled
    EXPECT_EQ(saveAsked, "Profiles (*.apf)|*.apf .apf");

    for (std::string target : {folder.ProfilesDir() + "New.apf", ProfileFile("Other")}) {
        saveTarget = target;
        form->btnSaveAs->click();
        EXPECT_EQ(Key(target, "Main", "Type"), "avi") << "a copy of the selected profile";
        EXPECT_EQ(Key(target, "Bit Rate", "Caption"), "640k");
        EXPECT_EQ(Key(target, "Video Size", "Index"), "0");
    }
    EXPECT_TRUE(w.prompter.Shown.empty()) << "an existing file is replaced without asking";
    EXPECT_EQ(ReadFileBytes(ProfileFile("Test")), test);

    // The selected profile's own file takes the values without a copy.
    saveTarget = ProfileFile("Test");
    form->btnSaveAs->click();
    EXPECT_TRUE(w.prompter.Shown.empty());
    EXPECT_EQ(Key(saveTarget, "Bit Rate", "Caption"), "640k");
}

TEST_F(Settings, SaveAsWithAFailedCopyShowsTheErrorAndWritesNothing) {
    Select(w.Find<QComboBox>("cmbProfile"), "Test");
    w.Find<QPushButton>("bbtnSetting")->click();
    Edit(form->vleVideo, "Bit Rate", "640k");
    saveTarget = folder.Dir() + "missing" + PathDelim + "Copy.apf";
    form->btnSaveAs->click();
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    const PromptRecord& shown = w.prompter.Shown[0];
    EXPECT_EQ(shown.Caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(shown.Icon, MsgIcon::Error);
    // The copy's own failure, not a later attempt to save into the target.
    EXPECT_EQ(shown.Text.rfind("Cannot copy the profile to \"" + saveTarget + "\"", 0), 0u)
        << shown.Text;
    EXPECT_NE(shown.Text.find(SystemErrorText(ENOENT)), std::string::npos) << shown.Text;
    EXPECT_FALSE(fs::exists(folder.Dir() + "missing"));

    // A folder in the target's place stays an empty folder.
    saveTarget = folder.Dir() + "taken.apf";
    fs::create_directory(saveTarget);
    form->btnSaveAs->click();
    ASSERT_EQ(w.prompter.Shown.size(), 2u);
    EXPECT_TRUE(fs::is_directory(saveTarget) && fs::is_empty(saveTarget));
}

TEST_F(Settings, CustomSizeInTheDialogsVideoSheetOpensNothingAndSavesItsIndex) {
    Select(w.Find<QComboBox>("cmbProfile"), "Other");
    w.Find<QPushButton>("bbtnSetting")->click();
    Select(form->cmbProfile, "Test");
    Edit(form->vleVideo, "Video Size", "Custom Size");
    EXPECT_FALSE(w->SizeForm()->isVisible());
    form->btnOK->click();
    EXPECT_EQ(Key(ProfileFile("Test"), "Video Size", "Index"), "2");
    EXPECT_FALSE(w->SizeForm()->isVisible());
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(Settings, AReloadThatAsksForACustomSizeKeepsTheMainWindowDisabled) {
    // "Video Size" is the only video row: the main sheet's current row.
    folder.AddProfile("Sized", "[Main]\r\nPara=1\r\n0=Video Size\r\n[Video Size]\r\nSort=1\r\n"
                               "Caption=320x240,Original Size,Custom Size,\r\nIndex=1\r\n");
    Window fresh;
    Open(fresh);
    Select(fresh.Find<QComboBox>("cmbProfile"), "Sized");
    fresh.Find<QPushButton>("bbtnSetting")->click();
    Edit(form->vleVideo, "Video Size", "Custom Size");
    form->btnOK->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(fresh->SizeForm()->isVisible()) << "the main window's load asks for the size";
    EXPECT_FALSE(fresh->isEnabled());
    fresh->SizeForm()->btnCancel->click();
    EXPECT_TRUE(fresh->isEnabled());
}

} // namespace
