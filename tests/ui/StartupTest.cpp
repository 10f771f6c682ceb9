// Start-up: paths, caption, profile list, command-line intake, and the
// preferences restored when the window is first shown and saved at exit.
#include "UiTestSupport.h"

#include "config/Preferences.h"
#include "platform/FileSystem.h"
#include "ui/AboutForm.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/TaskListModel.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const char* const FiveCommands[] = {"tbtnUp", "tbtnDown", "tbtnRemove", "tbtnClear", "tbtnStart"};

void ExpectFiveCommands(TMainForm& form, bool enabled) {
    for (const char* name : FiveCommands) {
        auto* action = form.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->isEnabled(), enabled) << name;
    }
}

TEST(Startup, FreshProgramFolderGivesTheDefaultCaptionAndAnEmptyList) {
    ProgramFolder folder;
    Window w;
    w.Create(folder);

    EXPECT_EQ(w->windowTitle().toStdString(), "Tarvolin PSP Video Converter V3.0");
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "Tarvolin PSP Video Converter");
    EXPECT_EQ(w->findChild<QLabel*>("labProgramName")->text().toStdString(), "PSP Video Converter");
    EXPECT_EQ(w->ProgramDir(), folder.Dir());
    EXPECT_EQ(w->EncoderPath(), folder.Dir() + "wmaspi.dll");
    EXPECT_EQ(w->HelpFile(), folder.Dir() + "manual/index.html");
    EXPECT_EQ(w->findChild<QLineEdit*>("edtOutputdir")->text().toStdString(), folder.Dir());
    EXPECT_EQ(w->size(), QSize(812, 547));
    EXPECT_TRUE(w->acceptDrops());
    EXPECT_TRUE(w.prompter.Shown.empty());

    EXPECT_EQ(w->Tasks().Count(), 0);
    ExpectFiveCommands(*w, false);
    EXPECT_FALSE(w->findChild<QWidget*>("panbg")->isHidden());
    EXPECT_TRUE(w->findChild<QWidget*>("panBottomLeft")->isHidden());
    EXPECT_EQ(w->findChild<QWidget*>("panBottomCenter")->width(), 637);
    QHeaderView* header = w->findChild<QTreeView*>("ltvTask")->header();
    EXPECT_EQ(header->sectionSize(0), 230);
    EXPECT_EQ(header->sectionSize(1), 90);
    EXPECT_EQ(header->sectionSize(2), 80);
    EXPECT_EQ(header->sectionSize(3), 100);

    // The other windows exist from the start.
    EXPECT_NE(w->AboutForm(), nullptr);
    EXPECT_NE(w->SettingForm(), nullptr);
    EXPECT_NE(w->SizeForm(), nullptr);
}

TEST(Startup, VersionComesFromThePreferences) {
    ProgramFolder folder;
    WriteFileBytes(folder.File("Preferences.ini"), "[Main]\r\nVersion=3.1 beta\r\n");
    Window w;
    w.Create(folder);
    EXPECT_EQ(w->windowTitle().toStdString(), "Tarvolin PSP Video Converter V3.1 beta");
    EXPECT_EQ(w->AboutForm()->findChild<QLabel*>("labVersion")->text().toStdString(),
              "Version 3.1 beta");
}

TEST(Startup, ProfilesAreListedWithoutLoadingOne) {
    ProgramFolder folder;
    folder.AddProfile("Small", TestProfileText("avi"));
    folder.AddProfile("Other", TestProfileText("mkv"));
    WriteFileBytes(folder.ProfilesDir() + "notes.txt", "not a profile");
    fs::create_directory(folder.ProfilesDir() + "folder.apf");
    Window w;
    w.Create(folder);
    auto* combo = w->findChild<QComboBox*>("cmbProfile");
    ASSERT_EQ(combo->count(), 2);
    std::vector<std::string> names{combo->itemText(0).toStdString(),
                                   combo->itemText(1).toStdString()};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Other", "Small"}));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(w->OutputExtension(), "");
}

TEST(Startup, CommandLineTakesFilesAndFoldersAndSkipsTheRest) {
    ProgramFolder folder;
    TempDir media;
    std::string a = Clips::CopyTo(media.file("v/a clip.avi"));
    WriteFileBytes(media.file("v/b.txt"), "text");
    std::string c = Clips::CopyTo(media.file("clips/c.mpg"));
    std::string d = Clips::CopyTo(media.file("clips/D.AVI"));
    Clips::CopyTo(media.file("clips/.hidden.avi"));
    Clips::CopyTo(media.file("clips/sub/deeper.avi"));
    WriteFileBytes(media.file("clips/readme.txt"), "text");
    WriteFileBytes(media.file("clips/MVI_0001.THM"), "thumbnail");
    WriteFileBytes(media.file("clips/project.veg"), "data");
    // Named relative to the current folder, and again in full.
    const std::string relative = fs::relative(a, fs::current_path()).string();

    Window w;
    w.Create(folder,
             {relative, a, media.file("v/b.txt"), media.file("clips"), media.file("missing.avi")},
             false);
    EXPECT_TRUE(w.prompter.Shown.empty()) << "no message box may hold back the window";
    w.WaitForProbes();
    QCoreApplication::processEvents();

    EXPECT_EQ(w.Captions(), (std::vector<std::string>{a, c, d}));
    ltvItemData task;
    GetTaskData(w->Tasks(), 0, tfAll, task);
    // A real probe by the encoder stand-in.
    EXPECT_NEAR(task.LengthSec, 2.0, 0.1) << task.Length;
    EXPECT_EQ(task.Size, " 160x120");
    EXPECT_EQ(task.Status, "OK");
    EXPECT_EQ(task.NewFileName, "a clip");
    EXPECT_EQ(task.NewFileExt, "") << "no profile is loaded during the intake";
    EXPECT_EQ(task.StartTime, "00:00:00.0");
    EXPECT_EQ(task.EndTime, task.Length);

    ExpectFiveCommands(*w, true);
    EXPECT_TRUE(w->findChild<QWidget*>("panbg")->isHidden());
    // What was left out is named in one message, in the order met; a
    // folder's pictures and texts beside its videos go without saying.
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(w.prompter.Shown[0].Text,
              NotTakenMessage({media.file("v/b.txt"), media.file("clips/project.veg"),
                               media.file("missing.avi")}));
}

TEST(Startup, ListFileNamesOnePathPerLine) {
    ProgramFolder folder;
    TempDir media;
    std::string a = Clips::CopyTo(media.file("it's \"quoted\".avi"));
    std::string b = Clips::CopyTo(media.file("Ünïcode clip.mpg"));
    std::string ignored = Clips::CopyTo(media.file("ignored.avi"));
    std::string list = media.file("batch.TMP");
    WriteFileBytes(list, a + "\r\n\r\n" + media.file("nothing here.avi") + "\r\n" + b + "\r\n");

    Window w;
    w.Create(folder, {list, ignored});
    EXPECT_EQ(w.Captions(), (std::vector<std::string>{a, b}));
    EXPECT_TRUE(fs::exists(list)) << "the list file stays";
}

TEST(Startup, UnreadableListFileIsReportedAndStartupGoesOn) {
    ProgramFolder folder;
    TempDir media;
    std::string list = media.file("gone.tmp");
    Window w;
    w.Create(folder, {list});

    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    const PromptRecord& shown = w.prompter.Shown[0];
    EXPECT_EQ(shown.Caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(shown.Icon, MsgIcon::Error);
    EXPECT_NE(shown.Text.find("gone.tmp"), std::string::npos) << shown.Text;
    EXPECT_NE(shown.Text.find(SystemErrorText(ENOENT)), std::string::npos) << shown.Text;

    // The rest of the start-up has run.
    EXPECT_EQ(w->Tasks().Count(), 0);
    EXPECT_TRUE(w->acceptDrops());
    EXPECT_TRUE(w->findChild<QWidget*>("panBottomLeft")->isHidden());
    EXPECT_EQ(w->findChild<QTreeView*>("ltvTask")->header()->sectionSize(0), 230);
}

TEST(Startup, APortableFolderWithoutItsEncoderKeepsItsThingsAndSaysWhyNoFileIsRead) {
    ProgramFolder folder;
    folder.AddProfile("Only", TestProfileText("avi"));
    WriteFileBytes(folder.File("Preferences.ini"), "[Main]\r\nOutput Path=/srv/out/\r\n");
    fs::remove(folder.File("wmaspi.dll"));
    TempDir media;
    Window w;
    w.Create(folder, {Clips::CopyTo(media.file("a.avi"))});
    w.Show();
    EXPECT_EQ(w->EncoderPath(), folder.File("wmaspi.dll"));
    EXPECT_EQ(w->OutputDir(), "/srv/out/");
    EXPECT_EQ(w->OutputExtension(), ".avi") << "the folder's profile is loaded";
    ASSERT_EQ(w->Tasks().Count(), 1);
    EXPECT_EQ(w->Tasks().At(0).State, TaskState::Unreadable);
    QAbstractItemModel* list = w.Find<QTreeView>("ltvTask")->model();
    EXPECT_EQ(list->data(list->index(0, 3), Qt::ToolTipRole).toString().toStdString(),
              "the encoder wmaspi.dll was not found in " + folder.Dir());
}

TEST(Startup, TheLastRunsListComesBackBeforeTheCommandLineUnlessNotKeptAndADamagedOneGoesAside) {
    ProgramFolder folder;
    TempDir media;
    const std::string a = Clips::CopyTo(media.file("a [1]=x.avi"));
    const std::string b = Clips::CopyTo(media.file("b.avi"));
    const std::string c = Clips::CopyTo(media.file("c.avi"));
    {
        Window w;
        w.Create(folder, {a, b});
        w.Show();
        w.Close();
    }
    fs::remove(b);
    {
        Window w;
        w.Create(folder, {c});
        EXPECT_EQ(w.Captions(), (std::vector<std::string>{a, b, c}));
        EXPECT_EQ(w->Tasks().At(0).Id, 1u);
        EXPECT_EQ(w->Tasks().At(2).Id, 3u);
        EXPECT_EQ(w->Tasks().At(0).State, TaskState::Ready);
        // Kept, and says why it cannot be converted.
        EXPECT_EQ(w->Tasks().At(1).State, TaskState::Unreadable);
        EXPECT_EQ(w->Tasks().At(1).Reason, "the file is no longer there");
        EXPECT_TRUE(w.prompter.Shown.empty());
        w.Show();
        w.Close();
    }
    PreferencesFile prefs(folder.File("Preferences.ini"), folder.Dir());
    GeneralPreferences general = prefs.ReadGeneral();
    general.KeepTaskList = false;
    prefs.SaveGeneral(general);
    {
        Window w;
        w.Create(folder);
        EXPECT_EQ(w->Tasks().Count(), 0) << "not kept after a normal exit";
        w->DropFiles({a});
        w.WaitForProbes();
        EXPECT_EQ(w->Tasks().At(0).Id, 4u) << "ids go on all the same";
    }
    // Damaged: said once the window shows, set aside, and the start goes on.
    WriteFileBytes(folder.File("tasks.list"), "Tarvolin task list 1\ntask\tone\n");
    Window w;
    w.Create(folder, {c});
    w.Show();
    EXPECT_EQ(w.Captions(), std::vector<std::string>{c});
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_NE(w.prompter.Shown[0].Text.find("is damaged (line 2"), std::string::npos)
        << w.prompter.Shown[0].Text;
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(folder.Dir()))
        aside += entry.path().filename().string().rfind("tasks.list.damaged-", 0) == 0;
    EXPECT_EQ(aside, 1);
}

TEST(Preferences, FirstRunSelectsTheFirstProfileAndWritesEveryKeyAtExit) {
    ProgramFolder folder;
    folder.AddProfile("Only", TestProfileText("avi"));
    Window w;
    w.Create(folder);
    EXPECT_TRUE(fs::exists(folder.File("Preferences.ini"))) << "reading the version creates it";
    w.Show();

    auto* combo = w->findChild<QComboBox*>("cmbProfile");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(w->OutputExtension(), ".avi");
    EXPECT_EQ(w->VideoSheet().Value("Video Codec"), "MPEG-4");
    EXPECT_EQ(w->findChild<QLineEdit*>("edtOutputdir")->text().toStdString(), folder.Dir());

    const QPoint place = w->pos();
    w.Close();
    EXPECT_EQ(ReadFileBytes(folder.File("Preferences.ini")),
              "[Main]\r\nOverwrite=1\r\nAuto Turn Off=0\r\nAuto Exit=0\r\nAuto Open Dir=1\r\n"
              "Syn Mode=0\r\nOutput Path=" +
                  folder.Dir() +
                  "\r\nProfile=0\r\n[Options]\r\nProfile Name=Only\r\n[Window]\r\n"
                  "Height=547\r\nWidth=812\r\nTop=" +
                  std::to_string(place.y()) + "\r\nLeft=" + std::to_string(place.x()) + "\r\n");
}

TEST(Preferences, SavedOutputPathAndProfileAreRestoredWhenFirstShown) {
    ProgramFolder folder;
    folder.AddProfile("First", TestProfileText("avi"));
    folder.AddProfile("Second", TestProfileText("mkv"));
    Window probe;
    probe.Create(folder);
    int second = probe->Catalogue()[0].Name == "Second" ? 0 : 1;
    probe.form.reset();

    WriteFileBytes(folder.File("Preferences.ini"),
                   "[Main]\r\nOutput Path=/srv/out\r\nProfile=" + std::to_string(second) + "\r\n");
    Window w;
    w.Create(folder);
    EXPECT_EQ(w->OutputExtension(), "") << "nothing is loaded before the window shows";
    w.Show();
    EXPECT_EQ(w->findChild<QLineEdit*>("edtOutputdir")->text().toStdString(), "/srv/out");
    EXPECT_EQ(w->findChild<QComboBox*>("cmbProfile")->currentIndex(), second);
    EXPECT_EQ(w->OutputExtension(), ".mkv");
}

TEST(Preferences, AProfileAddedToTheFolderLeavesTheSelectedOneSelected) {
    ProgramFolder folder;
    folder.AddProfile("B", TestProfileText("avi"));
    folder.AddProfile("C", TestProfileText("mkv"));
    {
        Window w;
        w.Create(folder);
        w.Show();
        w.Find<QComboBox>("cmbProfile")->setCurrentText("C");
        w.Close();
    }
    folder.AddProfile("A", TestProfileText("avi"));
    Window again;
    again.Create(folder);
    again.Show();
    EXPECT_EQ(again.Find<QComboBox>("cmbProfile")->currentText().toStdString(), "C");
    EXPECT_EQ(again->OutputExtension(), ".mkv");
}

TEST(Preferences, TheWindowReopensWhereItWasWhenThatIsOnAScreen) {
    ProgramFolder folder;
    QSize listSize;
    {
        Window w;
        w.Create(folder);
        w.Show();
        w->move(40, 30);
        w->resize(TMainForm::ClientWidth + 100, TMainForm::ClientHeight + 60);
        listSize = w.Find<QWidget>("ltvTask")->size();
        w.Close();
    }
    Window again;
    again.Create(folder);
    again.Show();
    EXPECT_EQ(again->pos(), QPoint(40, 30));
    // At its size, though no larger than the screen (its default size is
    // the least), with the list grown as the window did.
    const QSize screenSize = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QSize expected = QSize(TMainForm::ClientWidth + 100, TMainForm::ClientHeight + 60)
                               .boundedTo(screenSize)
                               .expandedTo(again->minimumSize());
    EXPECT_EQ(again->size(), expected);
    EXPECT_EQ(again.Find<QWidget>("ltvTask")->size(),
              listSize + expected -
                  QSize(TMainForm::ClientWidth + 100, TMainForm::ClientHeight + 60));
    // A place no screen shows any more: centred on the primary screen, at
    // the default size when none was kept.
    WriteFileBytes(folder.File("Preferences.ini"),
                   "[Main]\r\nWindow Left=5000\r\nWindow Top=-4000\r\n");
    Window lost;
    lost.Create(folder);
    lost.Show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(lost->pos(), screen.center() - lost->rect().center());
    EXPECT_EQ(lost->size(), QSize(TMainForm::ClientWidth, TMainForm::ClientHeight));
}

TEST(Preferences, ProfileOutsideTheCatalogueSelectsNothingAndSavesMinusOne) {
    ProgramFolder folder;
    folder.AddProfile("Only", TestProfileText("avi"));
    WriteFileBytes(folder.File("Preferences.ini"), "[Main]\r\nProfile=1\r\n");
    Window w;
    w.Create(folder);
    w.Show();
    EXPECT_EQ(w->findChild<QComboBox*>("cmbProfile")->currentIndex(), -1);
    EXPECT_EQ(w->OutputExtension(), "");
    EXPECT_EQ(w->VideoSheet().RowCount(), 6) << "the initial rows stay";
    w.Close();
    EXPECT_NE(ReadFileBytes(folder.File("Preferences.ini")).find("Profile=-1\r\n"),
              std::string::npos);
}

TEST(Preferences, TerminationSignalsCloseTheProgramAsItsCloseBoxDoes) {
    TempDir media;
    const std::string clip = Clips::CopyTo(media.file("clip.avi"));
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        ProgramFolder folder(ProgramFolder::Profiles::Shipped);
        // Saved choices that only survive if they were restored before the
        // close saved them again.
        WriteFileBytes(folder.File("Preferences.ini"),
                       "[Main]\r\nOutput Path=" + media.path().string() + "\r\nProfile=1\r\n");
        std::unique_ptr<QProcess> program = StartProgram(folder, {clip});
        const qint64 pid = program->processId();
        for (int i = 0; i < 1000 && !CatchesSignal(pid, sig); ++i)
            QTest::qSleep(20);
        ASSERT_TRUE(CatchesSignal(pid, sig)) << "no handler installed";
        ASSERT_EQ(::kill(pid, sig), 0);

        ASSERT_TRUE(program->waitForFinished(60000)) << "still running";
        ASSERT_EQ(program->exitStatus(), QProcess::NormalExit) << "ended by the signal";
        EXPECT_EQ(program->exitCode(), 0);
        const std::string saved = ReadFileBytes(folder.File("Preferences.ini"));
        EXPECT_NE(saved.find("Output Path=" + media.path().string() + "\r\n"), std::string::npos)
            << saved;
        EXPECT_NE(saved.find("Profile=1\r\n"), std::string::npos) << saved;
        EXPECT_NE(saved.find("Overwrite=1\r\n"), std::string::npos) << saved;
    }
}

} // namespace
