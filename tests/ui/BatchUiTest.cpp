// Batches through the real window, headless, with the real stand-in encoder
// and ffmpeg on generated clips: Start and the progress panel, Stop, failed
// inputs, the output path check, numbered outputs, trimmed ranges, the
// completion actions, closing the window during a batch, the preview's stop
// at Start, the tasks' logs; and the Output sheet's tip.
#include "BatchUiSupport.h"

#include "engine/BatchDriver.h"
#include "engine/Invocation.h"
#include "preview/PreviewPanel.h"
#include "ui/BalloonTip.h"
#include "ui/ImageButton.h"
#include "ui/LogDialog.h"
#include "ui/QtDesktop.h"
#include "ui/QtText.h"
#include "ui/QuitSignals.h"
#include "ui/SettingForm.h"
#include "ui/TaskListModel.h"
#include "ui/ValueListEditor.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* Profile = "MP4 - H.264 AAC";
constexpr const char* Completed = "The coversion is completed successfully.";
constexpr const char* Canceled = "The Coversion is canceled.";

class BatchUi : public testing::Test {
protected:
    // Creates the window over a program folder with the shipped profiles and
    // these preferences, shows it, selects the MP4 profile and points the
    // output path at the test's output folder.
    void Open(const std::vector<std::string>& preferences = {}) {
        if (!preferences.empty()) WritePreferences(folder, preferences);
        w.Create(folder);
        w->SetPowerControl(&power);
        QObject::connect(w.form.get(), &TMainForm::Closed, [this] { ++closed; });
        w.Show();
        auto* profiles = w.Find<QComboBox>("cmbProfile");
        const int index = profiles->findText(QString::fromLatin1(Profile));
        ASSERT_GE(index, 0);
        profiles->setCurrentIndex(index);
        w->cmbProfileChange();
        ASSERT_EQ(w->OutputExtension(), ".mp4");
        fs::create_directories(out);
        w.Find<QLineEdit>("edtOutputdir")->setText(ToQ(out));
    }

    // A clip in the input folder: the 2-second sample, or one of this length.
    std::string Clip(const std::string& name, int seconds = 2) {
        const std::string path = media.file("in/" + name);
        if (seconds == 2)
            Clips::CopyTo(path);
        else
            Clips::Make(path, seconds);
        return path;
    }

    // Takes the files into the task list as a drop does.
    void Add(const std::vector<std::string>& paths) {
        w->DropFiles(paths);
        w.WaitForProbes();
        ASSERT_EQ(w->Tasks().Count(), static_cast<int>(paths.size()));
    }

    // Selects a profile in the main window as a choice in the selector does.
    void SelectProfile(const char* name) {
        auto* profiles = w.Find<QComboBox>("cmbProfile");
        const int index = profiles->findText(QString::fromLatin1(name));
        ASSERT_GE(index, 0) << name;
        profiles->setCurrentIndex(index);
        w->cmbProfileChange();
        Settle();
    }

    QString StatusTip(int row) {
        QAbstractItemModel* list = w.Find<TTaskListView>("ltvTask")->model();
        return list->data(list->index(row, 3), Qt::ToolTipRole).toString();
    }

    // A click on the Start picture; returns when the batch is over.
    void ClickStart() {
        QTest::mouseClick(w.Find<TImageButton>("imgStart"), Qt::LeftButton, {}, QPoint(60, 30));
    }
    void ClickStop() {
        QTest::mouseClick(w.Find<TImageButton>("imgStop"), Qt::LeftButton, {}, QPoint(60, 30));
    }

    std::string Status(int row) { return StatusText(w->Tasks().At(row).State); }
    bool Converting(int row) { return w->Tasks().At(row).State == TaskState::Converting; }
    std::vector<std::string> Statuses() {
        std::vector<std::string> r;
        for (int i = 0; i < w->Tasks().Count(); ++i)
            r.push_back(Status(i));
        return r;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> r;
        for (const auto& shown : w.prompter.Shown)
            r.push_back(shown.Text);
        return r;
    }
    std::string Output(const std::string& name) const { return (fs::path(out) / name).string(); }

    // The window is back in its idle look.
    void ExpectIdleLook() {
        EXPECT_EQ(w->Batch().State(), ConvertState::Idle);
        EXPECT_FALSE(w.Find("panBottomLeft")->isVisibleTo(w.form.get()));
        EXPECT_TRUE(w.Find("panBottomCenter")->isVisibleTo(w.form.get()));
        EXPECT_TRUE(w.Find<TImageButton>("imgStart")->isVisibleTo(w.form.get()));
        EXPECT_FALSE(w.Find<TImageButton>("imgStop")->isVisibleTo(w.form.get()));
        EXPECT_TRUE(w.Find<TTaskListView>("ltvTask")->isEnabled());
        EXPECT_FALSE(w.Find<QTimer>("timerTime")->isActive());
    }

    void ExpectNoEncoderLeft() {
        // A stopped encoder takes its ffmpeg with it; allow them a moment.
        std::vector<std::string> left;
        for (int i = 0; i < 40; ++i) {
            left = EncoderProcessesLeft(media.path().string());
            if (left.empty()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(left.empty()) << left.front();
    }

    ProgramFolder folder{ProgramFolder::Profiles::Shipped};
    TempDir media;
    std::string out = media.file("out");
    Window w;
    FakePower power;
    int closed = 0;
};

TEST_F(BatchUi, ThreeTasksConvertAndTheWindowShowsTheirProgress) {
    Open();
    Add({Clip("one.avi"), Clip("two clip.avi"), Clip("three.avi")});

    // Looked at while the second task converts.
    bool progressPanel = false, stopShown = false, listDisabled = false, addDisabled = false;
    std::vector<std::string> statusesThen;
    int currentThen = -1, totalThen = -1;
    QString currentLabelThen;
    WhenInBatch during([&] { return Converting(1); },
                       [&] {
                           progressPanel = w.Find("panBottomLeft")->isVisibleTo(w.form.get()) &&
                                           !w.Find("panBottomCenter")->isVisibleTo(w.form.get());
                           stopShown = w.Find<TImageButton>("imgStop")->isVisibleTo(w.form.get()) &&
                                       !w.Find<TImageButton>("imgStart")->isVisibleTo(w.form.get());
                           listDisabled = !w.Find<TTaskListView>("ltvTask")->isEnabled();
                           addDisabled = !w.Find<QToolButton>("sbtnAddFile")->isEnabled() &&
                                         !w.Find<QToolButton>("sbtnOptions")->isEnabled() &&
                                         !w.Find<QToolButton>("sbtnClear")->isEnabled();
                           statusesThen = Statuses();
                           currentThen = w.Find<QProgressBar>("pgbCurrent")->value();
                           currentLabelThen = w.Find<QLabel>("labCurProgress")->text();
                           totalThen = w.Find<QProgressBar>("pgbTotal")->value();
                       });
    ClickStart();

    ASSERT_TRUE(during.Fired());
    EXPECT_TRUE(progressPanel);
    EXPECT_TRUE(stopShown);
    EXPECT_TRUE(listDisabled);
    EXPECT_TRUE(addDisabled);
    EXPECT_EQ(statusesThen, (std::vector<std::string>{"Complete", "Converting", "OK"}));
    // The current bar starts again for the second task; the total bar keeps
    // what the first one reached.
    EXPECT_EQ(currentThen, 0);
    EXPECT_EQ(currentLabelThen, "0%");
    EXPECT_GT(totalThen, 0);

    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete", "Complete"}));
    for (const char* name : {"one.mp4", "two clip.mp4", "three.mp4"}) {
        ASSERT_TRUE(fs::is_regular_file(Output(name))) << name;
        EXPECT_NEAR(MediaSeconds(Output(name)), 2.0, 0.3) << name;
    }
    // A completed batch ends with both bars full.
    EXPECT_EQ(w.Find<QProgressBar>("pgbCurrent")->value(), 100);
    EXPECT_EQ(w.Find<QProgressBar>("pgbTotal")->value(), 100);
    EXPECT_EQ(w.Find<QLabel>("labCurProgress")->text(), "100%");
    EXPECT_EQ(w.Find<QLabel>("labTotalProgress")->text(), "100%");
    EXPECT_EQ(w.Find<QLabel>("labConvertingFile")->text(), "three.avi");

    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text, Completed);
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Complete");
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Information);
    // "Auto Open Dir" is on by default: the path as typed, no separator added.
    EXPECT_EQ(w.shell.Opened, std::vector<std::string>{out});
    ExpectIdleLook();
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(power.Calls, 0);
    ExpectNoEncoderLeft();
}

TEST_F(BatchUi, TwoAtOnceConvertEveryTaskToAnOutputOfItsOwn) {
    Open({"Simultaneous Conversions=2", "Auto Open Dir=0"});
    const bool two = MaxSimultaneousConversions() >= 2;
    EXPECT_EQ(w->SettingForm()->speSimultaneous->value(), two ? 2 : 1);
    // The first two would both be written to same.mp4.
    Add({Clip("same.avi"), Clip("same.mpg"), Clip("other.avi")});
    WhenInBatch both([&] { return Converting(0) && Converting(1); }, [] {});
    ClickStart();

    EXPECT_EQ(both.Fired(), two);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete", "Complete"}));
    for (const char* name : {"same.mp4", "same_2.mp4", "other.mp4"})
        EXPECT_NEAR(MediaSeconds(Output(name)), 2.0, 0.3) << name;
    EXPECT_EQ(Messages(), std::vector<std::string>{Completed});
    EXPECT_EQ(w.Find<QProgressBar>("pgbTotal")->value(), 100);
    ExpectIdleLook();
    ExpectNoEncoderLeft();
}

TEST_F(BatchUi, StopDuringTheFirstTaskCancelsTheRest) {
    Open();
    // A long first clip, so that the Stop lands while ffmpeg works on it.
    Add({Clip("long.avi", 60), Clip("second.avi"), Clip("third.avi")});

    std::chrono::steady_clock::time_point seen;
    bool running = false, stopShownAtOnce = false;
    WhenInBatch stop(
        [&] {
            if (Status(0) != "Converting") return false;
            if (!running) seen = std::chrono::steady_clock::now();
            running = true;
            return w.Find<QProgressBar>("pgbCurrent")->value() > 0 ||
                   std::chrono::steady_clock::now() - seen > std::chrono::milliseconds(50);
        },
        [&] {
            ClickStop();
            stopShownAtOnce = w->Tasks().At(0).State == TaskState::Stopped &&
                              w.Find<QLabel>("labThen")->text() == QString::fromUtf8("Stopping…");
        });
    ClickStart();

    ASSERT_TRUE(stop.Fired());
    EXPECT_TRUE(stopShownAtOnce);
    EXPECT_TRUE(StatusTip(0).startsWith("Stopped after ")) << FromQ(StatusTip(0));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Stop", "OK", "OK"}));
    EXPECT_EQ(Messages(), std::vector<std::string>{Canceled});
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Cancel");
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Information);
    EXPECT_TRUE(w.shell.Opened.empty());
    EXPECT_FALSE(fs::exists(Output("second.mp4")));
    EXPECT_FALSE(fs::exists(Output("third.mp4")));
    // Whatever the stopped encoder wrote is shorter than its input.
    if (fs::exists(Output("long.mp4"))) {
        EXPECT_LT(MediaSeconds(Output("long.mp4")), 59.0);
    }
    ExpectIdleLook();
    ExpectNoEncoderLeft();

    // A Stop with no batch running does nothing.
    w->tbtnStopClick();
    EXPECT_EQ(w.prompter.Shown.size(), 1u);
}

TEST_F(BatchUi, CorruptInputFailsAndTheOthersConvert) {
    Open();
    const std::string before = Clip("before.avi");
    const std::string broken = media.file("in/broken.avi");
    WriteFileBytes(broken, std::string(4096, '\x5a'));
    Add({before, broken, Clip("after.avi")});
    // Marked at once as unreadable, and still tried when the batch runs.
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"OK", "Unreadable", "OK"}));
    // An earlier conversion that the failed encoder never opened stays.
    WriteFileBytes(Output("broken.mp4"), "an earlier conversion");
    ClickStart();

    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Failed", "Complete"}));
    EXPECT_EQ(ReadFileBytes(Output("broken.mp4")), "an earlier conversion");
    EXPECT_TRUE(fs::is_regular_file(Output("before.mp4")));
    EXPECT_TRUE(fs::is_regular_file(Output("after.mp4")));
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text, "The conversion of 1 of 3 tasks failed.");
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Complete");
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Warning);
    // The completion actions still follow the preferences.
    EXPECT_EQ(w.shell.Opened, std::vector<std::string>{out});

    // The Status cell of the failed task tells why; the others tell nothing.
    QAbstractItemModel* list = w.Find<TTaskListView>("ltvTask")->model();
    const QString reason = list->data(list->index(1, 3), Qt::ToolTipRole).toString();
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(FromQ(reason), w->Tasks().At(1).Reason);
    EXPECT_TRUE(list->data(list->index(0, 3), Qt::ToolTipRole).toString().isEmpty());
    ExpectIdleLook();
}

TEST_F(BatchUi, AFailedTaskShowsItsLogAndTheBatchLogIsWritten) {
    Open();
    const std::string good = Clip("good.avi");
    const std::string broken = media.file("in/broken.avi");
    WriteFileBytes(broken, std::string(4096, '\x5a'));
    Add({good, broken});
    auto* showLog = w.Find<QAction>("mnuShowLog");
    w->SetSelectedRows({false, true});
    w->UpdateTaskMenu();
    EXPECT_FALSE(showLog->isEnabled()) << "no run yet";
    ClickStart();
    ASSERT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Failed"}));

    w->UpdateTaskMenu();
    ASSERT_TRUE(showLog->isEnabled());
    showLog->trigger();
    auto* dialog = w.Find<TLogDialog>("LogDialog");
    ASSERT_NE(dialog, nullptr);
    const std::string text = FromQ(dialog->memLog->toPlainText());
    const std::string error = w->Tasks().At(1).Reason;
    ASSERT_FALSE(error.empty());
    const size_t output = text.find("Encoder output:\n");
    EXPECT_NE(text.find("Command line: -y -i \"" + broken + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("Status: Failed\nReason: " + error + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find(error, output), std::string::npos) << "the encoder's own line";
    EXPECT_TRUE(dialog->memLog->isReadOnly());
    dialog->btnCopy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dialog->memLog->toPlainText());
    dialog->close();

    // The batch's file in the portable program's logs folder holds both tasks.
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder.File("logs")))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string written = ReadFileBytes(files[0].string());
    EXPECT_NE(written.find(text), std::string::npos);
    EXPECT_NE(written.find("Input: " + good + "\n"), std::string::npos);
}

TEST_F(BatchUi, StartNeedsAnExistingOutputPath) {
    Open();
    // With an empty list the Start picture does nothing at all.
    w.Find<QLineEdit>("edtOutputdir")->setText(ToQ(media.file("missing")));
    ClickStart();
    EXPECT_TRUE(w.prompter.Shown.empty());

    Add({Clip("a.avi"), Clip("b.avi")});
    for (const std::string& path : {media.file("missing"), Clip("not a folder.avi")}) {
        w.prompter.Shown.clear();
        w.Find<QLineEdit>("edtOutputdir")->setText(ToQ(path));
        ClickStart();
        ASSERT_EQ(w.prompter.Shown.size(), 1u) << path;
        EXPECT_EQ(w.prompter.Shown[0].Text,
                  "The output path does not exist. Please specify another one.");
        EXPECT_EQ(w.prompter.Shown[0].Caption, "Output path does not exist");
        EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Information);
        EXPECT_EQ(Statuses(), (std::vector<std::string>{"OK", "OK"}));
        ExpectIdleLook();
    }
    EXPECT_FALSE(fs::exists(out) && !fs::is_empty(out));
}

TEST_F(BatchUi, WithoutOverwriteExistingOutputsGetNumberedNames) {
    Open({"Overwrite=0", "Auto Open Dir=0"});
    Add({Clip("a.avi"), Clip("b.avi"), Clip("c.avi")});
    WriteFileBytes(Output("a.mp4"), "old a");
    WriteFileBytes(Output("b.mp4"), "old b");
    ClickStart();

    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete", "Complete"}));
    EXPECT_EQ(ReadFileBytes(Output("a.mp4")), "old a");
    EXPECT_EQ(ReadFileBytes(Output("b.mp4")), "old b");
    for (const char* name : {"a_1.mp4", "b_2.mp4", "c.mp4"})
        EXPECT_NEAR(MediaSeconds(Output(name)), 2.0, 0.3) << name;
    EXPECT_FALSE(fs::exists(Output("c_3.mp4")));
    EXPECT_EQ(Messages(), std::vector<std::string>{Completed});
    EXPECT_TRUE(w.shell.Opened.empty());
}

TEST_F(BatchUi, AProfileFileWithAnUpperCaseExtensionIsUsedAtStart) {
    const std::string log = media.file("runs.txt");
    LogEncoderRuns(folder, log);
    WriteFileBytes(folder.ProfilesDir() + "Phone.APF", TestProfileText("3gp"));
    Open({"Auto Open Dir=0"});
    Add({Clip("a.avi")});
    SelectProfile("Phone");
    ClickStart();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Complete"});
    const auto run = LoggedRuns(log).back();
    EXPECT_EQ(run.back(), PartFilePath(Output("a.3gp"), w->Tasks().At(0).Id));
    EXPECT_NEAR(MediaSeconds(Output("a.3gp")), 2.0, 0.3);
    EXPECT_NE(std::find(run.begin(), run.end(), "320x240"), run.end()) << "no profile arguments";
}

TEST_F(BatchUi, NumberedOutputsAndTheOutputSheetFollowTheProfile) {
    Open({"Overwrite=0", "Auto Open Dir=0"});
    Add({Clip("a.avi")}); // added under the MP4 profile
    w->SetSelectedRows({true});
    w->ltvTaskClick();
    SelectProfile("3GP - Mobile Phone");
    QAbstractItemModel* cells = w.Find<TValueListEditor>("vleOutput")->model();
    EXPECT_EQ(cells->data(cells->index(0, 1)).toString(), "a.3gp");
    WriteFileBytes(Output("a.3gp"), "an earlier conversion");
    ClickStart();
    EXPECT_NEAR(MediaSeconds(Output("a_1.3gp")), 2.0, 0.3);
}

TEST_F(BatchUi, SameNamedInputsOfOneBatchKeepBothOutputs) {
    Open(
        {"Auto Open Dir=0"}); // Overwrite on: the earlier batch's file goes, the first task's stays
    WriteFileBytes(Output("clip.mp4"), "from an earlier batch");
    Add({Clip("A/clip.avi"), Clip("B/clip.avi", 3)});
    ClickStart();
    EXPECT_NEAR(MediaSeconds(Output("clip.mp4")), 2.0, 0.3);
    EXPECT_NEAR(MediaSeconds(Output("clip_2.mp4")), 3.0, 0.3);
}

TEST_F(BatchUi, FailedEncodesLeaveNoFileAndKeepTheOneBeforeAndTruncatedInputsAreIncomplete) {
    // libx264 refuses an unknown preset after ffmpeg has created (or emptied) the file.
    WriteFileBytes(folder.ProfilesDir() + "Broken.apf",
                   "[Main]\r\nType=mp4\r\nPara=1\r\n0=Preset\r\n[Preset]\r\nSort=1\r\n"
                   "ReadOnly=1\r\nList=0\r\nValue=libx264 -preset none\r\ncmd=-c:v\r\n");
    Open({"Auto Open Dir=0"});
    SelectProfile("Broken");
    WriteFileBytes(Output("replaced.mp4"), "an earlier conversion");
    Add({Clip("new.avi"), Clip("replaced.avi")});
    ClickStart();
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Failed", "Failed"}));
    EXPECT_FALSE(fs::exists(Output("new.mp4")));
    // The encoder never wrote under the output's name: the earlier file is whole.
    EXPECT_EQ(ReadFileBytes(Output("replaced.mp4")), "an earlier conversion");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1) << "no temporary file left";

    // 57 % of a 10 s MP4: ffmpeg converts what is there and exits with 0.
    w->tbtnClearClick();
    SelectProfile(Profile);
    MakeTruncatedMp4(media.file("in/cut.mp4"), 10, 57);
    Add({media.file("in/cut.mp4")});
    ClickStart();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Incomplete"});
    EXPECT_EQ(Messages().back(), "The conversion of 1 of 1 tasks is incomplete.");
    EXPECT_NE(FromQ(StatusTip(0)).find(" of 00:00:10 was converted."), std::string::npos);
    EXPECT_GT(MediaSeconds(Output("cut.mp4")), 3.0); // what was converted stays
}

TEST_F(BatchUi, AnOutputThatIsAFolderFailsAndTheReasonSaysWhereTheConversionIs) {
    Open({"Auto Open Dir=0"});
    Add({Clip("a.avi")});
    fs::create_directories(Output("a.mp4"));
    ClickStart();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Failed"});
    const std::string part = PartFilePath(Output("a.mp4"), w->Tasks().At(0).Id);
    EXPECT_EQ(FromQ(StatusTip(0)), "The output could not be given its name \"" + Output("a.mp4") +
                                       "\": Is a directory. It was kept as \"" + part + "\".");
    EXPECT_NEAR(MediaSeconds(part), 2.0, 0.3);
}

TEST_F(BatchUi, OutputsEndingWithTheStreamsTheyKeepOrWithTheInputAreComplete) {
    WriteFileBytes(folder.ProfilesDir() + "Silent.apf",
                   "[Main]\r\nType=mp4\r\nPara=1\r\n0=Disable Audio\r\n[Disable Audio]\r\n"
                   "Sort=2\r\nReadOnly=1\r\nList=0\r\nCaption=Yes\r\nValue=\\\r\ncmd=-an\r\n");
    Open({"Auto Open Dir=0"});
    SelectProfile("MP3 - Audio Only");
    MakeClipWithSound(media.file("in/short sound.mp4"), 4, 2);
    Add({media.file("in/short sound.mp4")});
    ClickStart();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Complete"}) << FromQ(StatusTip(0));

    // Without sound, the picture's end is the end; an End Time beyond the
    // input ends where the input does.
    w->tbtnClearClick();
    SelectProfile("Silent");
    MakeClipWithSound(media.file("in/long sound.mp4"), 2, 4);
    Add({media.file("in/long sound.mp4"), Clip("short.avi")});
    ltvItemData task;
    GetTaskData(w->Tasks(), 1, tfAll, task);
    task.EndTime = task.ClipLength = "00:00:05";
    SetTaskData(w->Tasks(), 1, tfAll, task);
    ClickStart();
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete"}))
        << FromQ(StatusTip(0)) << FromQ(StatusTip(1));
    EXPECT_EQ(Messages().back(), Completed);
}

TEST_F(BatchUi, AKilledEncoderIsExplainedByItsExitNotItsBanner) {
    Open({"Auto Open Dir=0"});
    Add({Clip("long.avi", 60)});
    WhenInBatch killer([&] { return Converting(0) && KillFfmpeg(media.path()) > 0; }, [] {});
    ClickStart();
    ASSERT_TRUE(killer.Fired());
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Failed"});
    EXPECT_TRUE(StatusTip(0).contains("exit code")) << FromQ(StatusTip(0));
}

TEST_F(BatchUi, RangeTypedIntoTheOutputSheetReachesTheEncoder) {
    const std::string log = media.file("runs.txt");
    LogEncoderRuns(folder, log);
    Open();
    Add({Clip("whole.avi"), Clip("part.avi", 4)});

    // Select the second task as a click does, then type into its sheet.
    w->SetSelectedRows({false, true});
    w->ltvTaskClick();
    TValueListEditor* sheet = w.Find<TValueListEditor>("vleOutput");
    QAbstractItemModel* cells = sheet->model();
    ASSERT_EQ(cells->data(cells->index(0, 1)).toString(), "part.mp4");
    auto type = [&](int row, const char* text) {
        const QModelIndex cell = cells->index(row, 1);
        sheet->setCurrentIndex(cell);
        sheet->edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(sheet->indexWidget(cell));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        Settle();
    };
    type(0, "cut.mp4");
    type(1, "00:00:01");
    type(2, "00:00:03");
    // An end before the start is refused with the reason, and the sheet
    // shows the end the task keeps.
    type(2, "00:00:00.5");
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text, "End Time 00:00:00.5 is out of range.\n"
                                        "End Time must be after Start Time.");
    EXPECT_EQ(cells->data(cells->index(2, 1)).toString(), "00:00:03");
    w.prompter.Shown.clear();
    ltvItemData task;
    GetTaskData(w->Tasks(), 1, tfAll, task);
    EXPECT_EQ(task.NewFileName, "cut");
    EXPECT_EQ(task.StartTime, "00:00:01");
    EXPECT_EQ(task.EndTime, "00:00:03");
    EXPECT_EQ(task.ClipLength, "00:00:02");

    ClickStart();
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete"}));

    // The last two runs are the conversions (the probes came first).
    const auto runs = LoggedRuns(log);
    ASSERT_GE(runs.size(), 2u);
    const auto& whole = runs[runs.size() - 2];
    const auto& part = runs.back();
    EXPECT_EQ(std::count(whole.begin(), whole.end(), "-ss"), 0);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), "-t"), 0);
    const auto ss = std::find(part.begin(), part.end(), "-ss");
    const auto t = std::find(part.begin(), part.end(), "-t");
    ASSERT_TRUE(ss != part.end() && ss + 1 != part.end());
    ASSERT_TRUE(t != part.end() && t + 1 != part.end());
    EXPECT_EQ(*(ss + 1), "00:00:01");
    EXPECT_EQ(*(t + 1), "2");
    EXPECT_EQ(part.back(), PartFilePath(Output("cut.mp4"), w->Tasks().At(1).Id));
    EXPECT_NEAR(MediaSeconds(Output("cut.mp4")), 2.0, 0.3);
    EXPECT_NEAR(MediaSeconds(Output("whole.mp4")), 2.0, 0.3);
}

TEST_F(BatchUi, AutoExitAndAutoTurnOffCountDownAndTellFailuresFirst) {
    {
        SCOPED_TRACE("Auto Exit, with a failed task");
        Open({"Auto Exit=1", "Auto Open Dir=1"});
        w->SetCountdownTick(1);
        const std::string clip = Clip("x.avi");
        const std::string broken = media.file("in/broken.avi");
        WriteFileBytes(broken, std::string(4096, '\x5a'));
        Add({clip, broken});
        QString then;
        WhenInBatch note([&] { return Converting(0); },
                         [&] { then = w.Find<QLabel>("labThen")->text(); });
        ClickStart();
        EXPECT_EQ(then, "Then: exit the program");
        EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Failed"}));
        EXPECT_EQ(Messages(), std::vector<std::string>{"The conversion of 1 of 2 tasks failed."});
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(w.shell.Opened.empty());
        EXPECT_EQ(power.Calls, 0);
        // Closing saved the preferences.
        EXPECT_TRUE(fs::exists(folder.File("Preferences.ini")));
    }
    w.form.reset();
    w.prompter.Shown.clear();
    closed = 0;
    {
        SCOPED_TRACE("Auto Turn Off");
        Open({"Auto Turn Off=1", "Auto Exit=1", "Auto Open Dir=1"});
        w->SetCountdownTick(1);
        EXPECT_EQ(w->Tasks().Count(), 2) << "the list of the run before is back";
        w->tbtnClearClick();
        Add({Clip("y.avi")});
        ClickStart();
        EXPECT_EQ(Statuses(), std::vector<std::string>{"Complete"});
        EXPECT_EQ(power.Calls, 1);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(w.prompter.Shown.empty());
        EXPECT_TRUE(w.shell.Opened.empty());
    }
}

TEST_F(BatchUi, ThePowerOffCountdownCanBeCancelledOrCutShort) {
    Open({"Auto Turn Off=1", "Auto Open Dir=1"});
    Add({Clip("x.avi")});
    // Presses a button of the countdown once it shows; notes its text.
    QString text;
    auto press = [&](const char* button) {
        auto dialog = [&] { return w.form->findChild<QDialog*>("CountdownForm"); };
        return std::make_unique<WhenInBatch>(
            [=] { return dialog() && dialog()->isVisible(); },
            [&, dialog, button] {
                text = dialog()->findChild<QLabel*>()->text();
                QTest::mouseClick(dialog()->findChild<QPushButton*>(button), Qt::LeftButton);
            });
    };
    auto cancel = press("btnCancel");
    ClickStart();
    ASSERT_TRUE(cancel->Fired());
    EXPECT_EQ(text, "The conversion has ended. The computer will be powered off in 60 seconds.");
    // Cancelled: the batch ends as without the action, and the window stays.
    EXPECT_EQ(power.Calls, 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{Completed});
    EXPECT_EQ(w.shell.Opened, std::vector<std::string>{out});
    ExpectIdleLook();

    auto now = press("btnNow");
    ClickStart();
    ASSERT_TRUE(now->Fired());
    EXPECT_EQ(power.Calls, 1);
    EXPECT_EQ(closed, 1);
}

TEST_F(BatchUi, ClosingTheWindowDuringABatchAsksAndYesStopsItAndCloses) {
    Open();
    Add({Clip("long.avi", 60), Clip("second.avi")});
    w.prompter.Answers = {MsgResult::No, MsgResult::Yes};
    bool convertingAfterNo = false;
    bool openRightAfter = false;
    WhenInBatch refuse([&] { return Converting(0); },
                       [&] {
                           w->close();
                           convertingAfterNo = w->isVisible() && closed == 0 &&
                                               w->Batch().State() == ConvertState::Running;
                       });
    WhenInBatch closer([&] { return refuse.Fired(); },
                       [&] {
                           w->close();
                           openRightAfter = w->isVisible() && closed == 0;
                       });
    ClickStart();

    ASSERT_TRUE(closer.Fired());
    EXPECT_TRUE(convertingAfterNo);
    EXPECT_TRUE(openRightAfter);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Stop", "OK"}));
    EXPECT_EQ(Messages(),
              std::vector<std::string>(2, "A conversion is running. Stop it and quit?"));
    EXPECT_EQ(w.prompter.Shown[0].Buttons, MsgButtons::YesNoDefaultNo) << "Enter answers No";
    EXPECT_TRUE(w.shell.Opened.empty());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(w->Batch().State(), ConvertState::Idle);
    EXPECT_TRUE(fs::exists(folder.File("Preferences.ini")));
    ExpectNoEncoderLeft();
}

TEST_F(BatchUi, ATerminationRequestClosesTheCompletionMessageAndTheProgram) {
    TMessageBoxPrompter boxes;
    w.boxes = &boxes;
    Open(); // "Auto Open Dir" on
    Add({Clip("a.avi")});
    TQuitSignals quit;
    quit.SetWindow(w.form.get());
    auto box = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    // A box still open a while after the request is clicked away, as a user would.
    bool leftOpen = false;
    QTimer click;
    click.setSingleShot(true);
    QObject::connect(&click, &QTimer::timeout, [&] {
        if (QMessageBox* open = box()) {
            leftOpen = true;
            open->close();
        }
    });
    QString shown;
    WhenInBatch terminate([&] { return box() != nullptr; },
                          [&] {
                              shown = box()->text();
                              std::raise(SIGTERM);
                              click.start(3000);
                          });
    ClickStart();

    ASSERT_TRUE(terminate.Fired());
    EXPECT_EQ(FromQ(shown), Completed);
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w.shell.Opened.empty());
}

TEST_F(BatchUi, ATerminationRequestAnswersTheQuestionOnClosingAndEndsTheProgram) {
    TMessageBoxPrompter boxes;
    w.boxes = &boxes;
    Open();
    Add({Clip("long.avi", 60)});
    TQuitSignals quit;
    quit.SetWindow(w.form.get());
    auto box = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
    WhenInBatch ask([&] { return Converting(0); }, [&] { w->close(); });
    // A question still open a while after the request is answered Yes, as a
    // user would, so that a failure does not hang.
    bool leftOpen = false;
    QTimer click;
    click.setSingleShot(true);
    QObject::connect(&click, &QTimer::timeout, [&] {
        if (QMessageBox* open = box()) {
            leftOpen = true;
            open->button(QMessageBox::Yes)->click();
        }
    });
    QString shown;
    WhenInBatch terminate([&] { return ask.Fired() && box() != nullptr; },
                          [&] {
                              shown = box()->text();
                              std::raise(SIGTERM);
                              click.start(3000);
                          });
    ClickStart();

    ASSERT_TRUE(terminate.Fired());
    EXPECT_EQ(FromQ(shown), "A conversion is running. Stop it and quit?");
    EXPECT_FALSE(leftOpen);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w->isVisible());
    ExpectNoEncoderLeft();
}

TEST_F(BatchUi, ATerminationRequestEndsTheEncodersAtOnceAndInterruptsTheirTasks) {
    // An encoder that goes on converting after a stop request, as a slow
    // one finishing its file does; probes go to the real stand-in.
    const std::string real = folder.File("real wmaspi.dll");
    fs::rename(folder.File("wmaspi.dll"), real);
    WriteFileBytes(folder.File("wmaspi.dll"),
                   "#!/bin/sh\ncase \"$1\" in -y) trap '' TERM\n"
                   "  while :; do echo 'frame=1 time=1.00 x'; sleep 0.1; done;;\nesac\n"
                   "exec '" +
                       real + "' \"$@\"\n");
    fs::permissions(folder.File("wmaspi.dll"), fs::perms::owner_all);
    Open();
    Add({Clip("a.avi")});
    TQuitSignals quit;
    quit.SetWindow(w.form.get());
    using Clock = std::chrono::steady_clock;
    Clock::time_point asked{};
    WhenInBatch terminate([&] { return Converting(0); },
                          [&] {
                              asked = Clock::now();
                              std::raise(SIGTERM);
                          });
    ClickStart();

    ASSERT_TRUE(terminate.Fired());
    EXPECT_EQ(closed, 1);
    EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(2000));
    // Converted again from the start next time; the list says so.
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Interrupted"});
    EXPECT_NE(ReadFileBytes(folder.File("tasks.list")).find("exit\topen\n"), std::string::npos);
    ExpectNoEncoderLeft();
}

TEST_F(BatchUi, KeysRunTheCommandsThatTheStateAllows) {
    Open();
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), k, m);
        Settle();
    };
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(w.dialogs.FileDialogs, 1);
    key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.dialogs.FolderDialogs, 1);
    key(Qt::Key_F1);
    EXPECT_EQ(w.shell.Opened.size() + w.prompter.Shown.size(), 1u);
    w.prompter.Shown.clear();
    // Tab goes from the task list to the profile below it.
    w.Find("ltvTask")->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.Find("cmbProfile"));

    // While converting, Esc stops and adding does nothing.
    Add({Clip("long.avi", 60)});
    WhenInBatch stop([&] { return Converting(0); },
                     [&] {
                         QTest::keyClick(w.form.get(), Qt::Key_O, Qt::ControlModifier);
                         QTest::keyClick(w.form.get(), Qt::Key_Escape);
                     });
    key(Qt::Key_F5);
    ASSERT_TRUE(stop.Fired());
    EXPECT_EQ(w.dialogs.FileDialogs, 1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Stop"});
    EXPECT_EQ(Messages(), std::vector<std::string>{Canceled});
}

// Ctrl+P pauses the batch: the running row, the progress panel and the
// Pause command say so, and the elapsed time stands still; the panel's
// button resumes. Shift+Esc then lets the running task finish and ends the
// batch there, with the output folder opened but no power-off.
TEST_F(BatchUi, PauseResumeAndStopAfterTheCurrentTaskFromTheWindow) {
    Open({"Auto Turn Off=1"});
    Add({Clip("first.avi", 20), Clip("second.avi")});
    auto* pause = w->findChild<QAction*>("tbtnPause");
    auto* stopAfter = w->findChild<QAction*>("tbtnStopAfter");
    ASSERT_TRUE(pause && stopAfter);
    EXPECT_FALSE(pause->isEnabled()) << "no batch to pause";
    EXPECT_TRUE(w->findChild<QMenu*>("ppmTask")->actions().contains(pause));
    EXPECT_TRUE(w->findChild<QMenu*>("ppmStop")->actions().contains(stopAfter));

    bool pausedLook = false, elapsedStood = false, resumedLook = false, stopAfterLook = false;
    QString elapsed;
    std::chrono::steady_clock::time_point pausedAt;
    WhenInBatch pauser([&] { return Converting(0); },
                       [&] {
                           pausedAt = std::chrono::steady_clock::now();
                           QTest::keyClick(w.form.get(), Qt::Key_P, Qt::ControlModifier);
                           elapsed = w.Find<QLabel>("labElapsed")->text();
                           pausedLook = Status(0) == "Paused" && pause->text() == "Resume" &&
                                        w.Find<QLabel>("labPaused")->isVisibleTo(w.form.get()) &&
                                        !w.Find<QTimer>("timerTime")->isActive() &&
                                        w.Find<QToolButton>("btnStopMenu")->isVisible();
                       });
    WhenInBatch resumer(
        [&] {
            return pauser.Fired() &&
                   std::chrono::steady_clock::now() - pausedAt > std::chrono::milliseconds(2500);
        },
        [&] {
            elapsedStood = w.Find<QLabel>("labElapsed")->text() == elapsed;
            QTest::mouseClick(w.Find<QToolButton>("btnPause"), Qt::LeftButton);
            resumedLook = Status(0) == "Converting" && pause->text() == "Pause" &&
                          !w.Find<QLabel>("labPaused")->isVisibleTo(w.form.get());
            QTest::keyClick(w.form.get(), Qt::Key_Escape, Qt::ShiftModifier);
            stopAfterLook = stopAfter->isChecked() && w.Find<QLabel>("labThen")->text() ==
                                                          "Then: stop after the current tasks";
        });
    ClickStart();

    ASSERT_TRUE(resumer.Fired());
    EXPECT_TRUE(pausedLook);
    EXPECT_TRUE(elapsedStood);
    EXPECT_TRUE(resumedLook);
    EXPECT_TRUE(stopAfterLook);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "OK"}));
    EXPECT_NEAR(MediaSeconds(Output("first.mp4")), 20.0, 0.2);
    EXPECT_FALSE(fs::exists(Output("second.mp4")));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Stopped after the current tasks: 1 of 2 converted."});
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Complete");
    EXPECT_EQ(w.shell.Opened, std::vector<std::string>{out});
    EXPECT_EQ(power.Calls, 0);
    EXPECT_FALSE(stopAfter->isChecked());
    EXPECT_FALSE(pause->isEnabled());
    ExpectIdleLook();
}

TEST_F(BatchUi, StartStopsThePlayingPreview) {
    Open();
    Add({Clip("shown.avi", 20), Clip("other.avi")});
    w->SetSelectedRows({true, false});
    w->sbtnPlayClick();
    Settle();
    if (w.Find<TPreviewPanel>("PreviewPanel")->State() != TGraphState::Playing)
        GTEST_SKIP() << "the media backend cannot play the clip here";
    EXPECT_EQ(w.Find<TPreviewPanel>("PreviewPanel")->LoadedFile(), w->Tasks().At(0).InputFile);

    TGraphState stateThen = TGraphState::Playing;
    WhenInBatch look([&] { return Converting(0); },
                     [&] { stateThen = w.Find<TPreviewPanel>("PreviewPanel")->State(); });
    ClickStart();
    ASSERT_TRUE(look.Fired());
    EXPECT_NE(stateThen, TGraphState::Playing);
    EXPECT_NE(w.Find<TPreviewPanel>("PreviewPanel")->State(), TGraphState::Playing);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Complete", "Complete"}));
}

// --- The Output sheet's tip

class OutputSheetTip : public BatchUi {
protected:
    TValueListEditor* Sheet() { return w.Find<TValueListEditor>("vleOutput"); }
    TBalloonTip* Tip() { return Sheet()->findChild<TBalloonTip*>(TBalloonTip::Name); }
    void PressSheet(int row) {
        TValueListEditor* sheet = Sheet();
        const QRect cell = sheet->visualRect(sheet->model()->index(row, 1));
        QTest::mousePress(sheet->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(sheet->viewport(), Qt::LeftButton, {}, cell.center());
        Settle();
    }
    bool EditorOpen() {
        QAbstractItemModel* cells = Sheet()->model();
        for (int row = 0; row < cells->rowCount(); ++row)
            if (Sheet()->indexWidget(cells->index(row, 1))) return true;
        return false;
    }
};

TEST_F(OutputSheetTip, PressOnAnEmptySheetShowsTheTipAndClosesTheEditor) {
    Open();
    EXPECT_EQ(Tip(), nullptr);
    PressSheet(1);
    TBalloonTip* tip = Tip();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->Owner(), Sheet());
    EXPECT_EQ(tip->Title(), "Tip:");
    EXPECT_EQ(tip->Text(), "Please select a file in Task List.");
    EXPECT_EQ(tip->Icon(), TipIcon::Info);
    EXPECT_FALSE(EditorOpen());
    EXPECT_TRUE(w.prompter.Shown.empty());

    // A task shown: the press edits, no tip; the tip window is the same one.
    Add({Clip("a.avi")});
    w->SetSelectedRows({true});
    w->ltvTaskClick();
    PressSheet(1);
    EXPECT_FALSE(tip->isVisible());
    EXPECT_TRUE(EditorOpen());
    EXPECT_EQ(Sheet()->model()->data(Sheet()->model()->index(0, 1)).toString(), "a.mp4");

    // After Remove the sheet is empty again and the tip comes back.
    w->tbtnRemoveClick();
    Settle();
    PressSheet(0);
    EXPECT_EQ(Tip(), tip);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_FALSE(EditorOpen());
    EXPECT_EQ(Sheet()->findChildren<TBalloonTip*>().size(), 1);
}

} // namespace
