// The task list in the window: adding through the dialogs, drops and the
// keys, moving, removing, clearing, and what each command enables.
#include "BatchUiSupport.h"
#include "UiTestSupport.h"

#include "tasks/TaskList.h"
#include "ui/QtText.h"
#include "ui/TaskListModel.h"

#include <QAction>
#include <QDropEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class TaskListWindow : public testing::Test {
protected:
    void SetUp() override { w.Create(folder); }

    std::string Clip(const std::string& name) { return Clips::CopyTo(media.file(name)); }
    QAction* Command(const char* name) { return w->findChild<QAction*>(name); }
    TTaskListView* List() { return w->findChild<TTaskListView*>("ltvTask"); }
    // Adds as a drop does, which also enables the commands.
    void Add(std::initializer_list<std::string> paths) {
        w->DropFiles(paths);
        w.WaitForProbes();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> r;
        for (const auto& c : w.Captions())
            r.push_back(fs::path(c).filename().string());
        return r;
    }

    ProgramFolder folder;
    TempDir media;
    Window w;
};

TEST_F(TaskListWindow, AddFilesTakesTheDialogsFirstNameLast) {
    std::string a = Clip("a.avi"), b = Clip("b.avi"), c = Clip("c.avi");
    w.dialogs.ConfirmFiles = true;
    w.dialogs.Files = {a, b, c};
    Command("tbtnAddFile")->trigger();

    EXPECT_EQ(w.dialogs.LastFilter, BuildOpenDialogFilter(SupportedExts()));
    EXPECT_EQ(Names(), (std::vector<std::string>{"b.avi", "c.avi", "a.avi"}));
    EXPECT_TRUE(List()->selectionModel()->selectedRows().isEmpty())
        << "with three files no row is selected";
    for (const char* name : {"tbtnUp", "tbtnDown", "tbtnRemove", "tbtnClear", "tbtnStart"})
        EXPECT_TRUE(Command(name)->isEnabled()) << name;
    EXPECT_TRUE(w->findChild<QWidget*>("sbtnUp")->isEnabled());
}

TEST_F(TaskListWindow, AddingOneFileSelectsItAndShowsItsOutputValues) {
    std::string clip = Clip("my.clip.avi");
    w.dialogs.ConfirmFiles = true;
    w.dialogs.Files = {clip};
    Command("tbtnAddFile")->trigger();
    // The row is selected at once; its output values fill in with the probe.
    EXPECT_EQ(w->SelectedRows(), std::vector<bool>{true});
    w.WaitForProbes();

    ASSERT_EQ(w->Tasks().Count(), 1);
    EXPECT_EQ(w->SelectedRows(), std::vector<bool>{true});
    ParamSheet& output = w->Sheet(MainSheet::Output);
    EXPECT_EQ(output.Value("New Filename"), "my.clip");
    EXPECT_EQ(output.Value("Start Time"), "00:00:00.0");
    EXPECT_EQ(output.Value("End Time"), w->Tasks().At(0).Length);
}

TEST(OpenDialogFilter, PairsBecomeQtNameFilters) {
    QStringList filters = QtNameFilters(BuildOpenDialogFilter(SupportedExts()));
    ASSERT_EQ(filters.size(), qsizetype(SupportedExts().size()) + 2);
    EXPECT_TRUE(filters[0].startsWith("All Support Files (*.avi *.mpg *.mpeg *.mp4 *.wmv *.mov "
                                      "*.vob *.asf *.mkv "))
        << filters[0].toStdString();
    EXPECT_TRUE(
        filters[0].endsWith(" *.rm *.rmvb *.mp3 *.m4a *.flac *.wav *.ogg *.opus *.aac *.wma)"))
        << filters[0].toStdString();
    EXPECT_EQ(filters[1].toStdString(), "AVI Files (*.avi)");
    EXPECT_EQ(filters[8].toStdString(), "ASF Files (*.asf)");
    EXPECT_EQ(filters[9].toStdString(), "MKV Files (*.mkv)");
    EXPECT_EQ(filters.back().toStdString(), "All Files (*)");
}

TEST_F(TaskListWindow, FilesThatAreNotVideosAreAddedAsUnreadableWithTheReason) {
    WriteFileBytes(media.file("notes.avi"), "just some text, not a video\n");
    WriteFileBytes(media.file("empty.mp4"), "");
    Add({media.file("notes.avi"), media.file("empty.mp4"), Clip("fine.avi")});
    ASSERT_EQ(w->Tasks().Count(), 3);
    QAbstractItemModel* list = List()->model();
    for (int i = 0; i < 2; ++i) {
        ltvItemData task;
        GetTaskData(w->Tasks(), i, tfAll, task);
        EXPECT_EQ(task.Status, "Unreadable");
        EXPECT_EQ(task.LengthSec, -1) << task.Length;
        const std::string tip = FromQ(list->data(list->index(i, 3), Qt::ToolTipRole).toString());
        EXPECT_EQ(tip, w->Tasks().At(i).Reason);
        EXPECT_NE(tip.find("nvalid data"), std::string::npos) << tip;
    }
    EXPECT_EQ(w->Tasks().At(2).State, TaskState::Ready);
    EXPECT_TRUE(list->data(list->index(2, 3), Qt::ToolTipRole).toString().isEmpty());
    EXPECT_TRUE(w.prompter.Shown.empty());
}

TEST(ProbingWindow, RowsComeAtOnceAndEachProbeFillsItsOwnRowOrNone) {
    ProgramFolder folder;
    TempDir media;
    const std::string one = media.file("one.avi"), two = media.file("two.avi"),
                      three = media.file("three.avi");
    Clips::Make(one, 1);
    Clips::CopyTo(two);
    Clips::Make(three, 3);
    Window w;
    w.Create(folder, {one, two, three}, false);
    EXPECT_EQ(w.Captions(), (std::vector<std::string>{one, two, three}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w->Tasks().At(i).State, TaskState::Probing);

    // Removed and moved before any probe is in: each result finds its file.
    w->SetSelectedRows({true, false, false});
    w->tbtnRemoveClick();
    w->SetSelectedRows({false, true});
    w->tbtnUpClick();
    EXPECT_EQ(w->ProbesPending(), 2);
    w.WaitForProbes();
    EXPECT_EQ(w.Captions(), (std::vector<std::string>{three, two}));
    EXPECT_EQ(w->Tasks().At(0).Length.substr(0, 8), "00:00:03");
    EXPECT_EQ(w->Tasks().At(1).Length.substr(0, 8), "00:00:02");
    EXPECT_EQ(w->Tasks().At(1).State, TaskState::Ready);

    // Cleared while probing and added again: only the new probe counts.
    w->DropFiles({one, two});
    w->tbtnClearClick();
    EXPECT_EQ(w->ProbesPending(), 0);
    w->DropFiles({two});
    w.WaitForProbes();
    Settle();
    EXPECT_EQ(w.Captions(), std::vector<std::string>{two});
    EXPECT_EQ(w->Tasks().At(0).Length.substr(0, 8), "00:00:02");
}

TEST(ProbingWindow, StartWaitsForTheProbesAndClosingEndsThemAll) {
    ProgramFolder folder;
    TempDir media;
    std::vector<std::string> clips;
    for (int i = 0; i < 24; ++i)
        clips.push_back(Clips::CopyTo(media.file("clip" + std::to_string(i) + ".avi")));
    Window w;
    w.Create(folder, clips, false);
    w->tbtnStartClick();
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text,
              "24 files of the Task List are still being probed for their length and size.\n\n"
              "Please press Start again when no task shows the Status \"Probing\".");
    EXPECT_FALSE(w->Busy());

    // Closed with probes running and waiting: no late result, no encoder left.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ProbesPending() < 24; }, 30000));
    w.Close();
    const int waiting = w->ProbesPending();
    QTest::qWait(300);
    EXPECT_EQ(w->ProbesPending(), waiting) << "a result came after the close";
    w.form.reset();
    std::vector<std::string> left;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return (left = EncoderProcessesLeft(media.file(""))).empty();
    })) << left.front();
}

// Makes the program folder's encoder wait until the file gate exists before
// it starts: the probes stay running until the test lets them end.
void HoldEncoder(ProgramFolder& folder, const std::string& gate) {
    const fs::path encoder = folder.File("wmaspi.dll");
    const fs::path real = fs::read_symlink(encoder);
    fs::remove(encoder);
    WriteFileBytes(encoder.string(), "#!/bin/sh\nwhile [ ! -e '" + gate +
                                         "' ]; do sleep 0.05; done\nexec '" + real.string() +
                                         "' \"$@\"\n");
    fs::permissions(encoder, fs::perms::owner_all, fs::perm_options::replace);
}

TEST(ProbingWindow, AProbeEndingMeetsWhatWasTypedMeanwhile) {
    ProgramFolder folder;
    TempDir media;
    HoldEncoder(folder, media.file("go"));
    const std::string clip = Clips::CopyTo(media.file("clip.avi")); // 2 seconds
    Window w;
    w.Create(folder, {clip}, false);
    w.Show();
    w->SetSelectedRows({true});
    w->ltvTaskClick();
    auto* sheet = w.Find<QTableView>("vleOutput");
    QAbstractItemModel* cells = sheet->model();

    // A start beyond the clip's end, typed while its length is unknown.
    cells->setData(cells->index(1, 1), "00:00:05");
    EXPECT_EQ(w->Tasks().At(0).StartTime, "00:00:05");
    // A new name being typed when the probe ends.
    sheet->edit(cells->index(0, 1));
    auto* editor = qobject_cast<QLineEdit*>(sheet->indexWidget(cells->index(0, 1)));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "holiday.mkv");

    WriteFileBytes(media.file("go"), "");
    w.WaitForProbes();
    Settle();
    ltvItemData task;
    GetTaskData(w->Tasks(), 0, tfAll, task);
    EXPECT_EQ(task.Status, "OK");
    EXPECT_EQ(editor->text(), "holiday.mkv") << "the typing stays";
    EXPECT_EQ(w->Sheet(MainSheet::Output).Value("End Time"), task.EndTime)
        << "the other values follow the probe";
    // The start is judged against the real length, and the user is told.
    EXPECT_EQ(task.StartTime, "00:00:00.0");
    EXPECT_EQ(w->Sheet(MainSheet::Output).Value("Start Time"), "00:00:00.0");
    EXPECT_TRUE(w.prompter.Shown.empty()) << "no message box takes the focus from the typing";

    QTest::keyClick(editor, Qt::Key_Return);
    Settle();
    GetTaskData(w->Tasks(), 0, tfAll, task);
    EXPECT_EQ(task.NewFileName, "holiday");
    EXPECT_EQ(task.NewFileExt, ".mkv");
    // Then the user is told.
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_NE(w.prompter.Shown[0].Text.find("Start Time 00:00:05 is out of range."),
              std::string::npos)
        << w.prompter.Shown[0].Text;
}

TEST_F(TaskListWindow, EditsInTheOutputSheetGoIntoTheSelectedTask) {
    Add({Clip("a.avi"), Clip("b.avi")});
    w->SetSelectedRows({false, true});
    w->ltvTaskClick();
    QAbstractItemModel* output = w->findChild<QTableView*>("vleOutput")->model();
    EXPECT_EQ(output->index(0, 1).data().toString(), "b");

    output->setData(output->index(1, 1), "00:00:01");
    output->setData(output->index(0, 1), "renamed.avi");
    ltvItemData task;
    GetTaskData(w->Tasks(), 1, tfAll, task);
    EXPECT_EQ(task.StartTime, "00:00:01");
    EXPECT_EQ(task.NewFileName, "renamed");
    EXPECT_EQ(task.NewFileExt, ".avi");
    EXPECT_NEAR(task.ClipLengthSec, task.LengthSec - 1, 0.05);

    output->setData(output->index(1, 1), "abc");
    GetTaskData(w->Tasks(), 1, tfAll, task);
    EXPECT_EQ(task.StartTime, "00:00:01") << "a text that is not a time changes nothing";
    GetTaskData(w->Tasks(), 0, tfAll, task);
    EXPECT_EQ(task.StartTime, "00:00:00.0") << "the other task is untouched";
}

TEST_F(TaskListWindow, CancelledDialogsAddNothing) {
    Command("tbtnAddFile")->trigger();
    Command("tbtnAddDir")->trigger();
    EXPECT_EQ(w.dialogs.FileDialogs, 1);
    EXPECT_EQ(w.dialogs.FolderDialogs, 1);
    EXPECT_EQ(w->Tasks().Count(), 0);
    EXPECT_FALSE(Command("tbtnStart")->isEnabled());
    EXPECT_FALSE(w->findChild<QWidget*>("panbg")->isHidden());
}

TEST_F(TaskListWindow, AddDirectoryTakesSupportedVisibleFilesSortedIgnoringCase) {
    Clip("dir/b.avi");
    Clip("dir/A.mpg");
    Clip("dir/.d.avi");
    Clip("dir/sub/e.avi");
    WriteFileBytes(media.file("dir/c.txt"), "x");
    w.dialogs.ConfirmFolder = true;
    w.dialogs.Folder = media.file("dir");
    Command("tbtnAddDir")->trigger();

    EXPECT_EQ(w.dialogs.LastTitle, "Add a directory to the Task List");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A.mpg", "b.avi"}));
    EXPECT_TRUE(List()->selectionModel()->selectedRows().isEmpty());
    EXPECT_TRUE(Command("tbtnClear")->isEnabled());
}

TEST_F(TaskListWindow, FolderOfManyFilesKeepsOnlyTheVideos) {
    fs::create_directories(media.file("many"));
    for (int i = 0; i < 490; ++i)
        WriteFileBytes(media.file("many/note" + std::to_string(i) + ".txt"), "");
    for (int i = 9; i >= 0; --i)
        Clip("many/Clip" + std::to_string(i) + ".wmv");
    w->AddTaskDir(media.file("many"));
    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.push_back("Clip" + std::to_string(i) + ".wmv");
    EXPECT_EQ(Names(), expected);
}

TEST_F(TaskListWindow, DuplicatesAreSkippedButLetterCaseCounts) {
    std::string lower = Clip("clip.avi");
    std::string upper = Clip("CLIP.avi");
    Add({lower, lower, upper});
    EXPECT_EQ(w.Captions(), (std::vector<std::string>{lower, upper}));
}

TEST_F(TaskListWindow, DropsTakeFoldersAndSupportedFilesWhole) {
    // A path far longer than 253 characters arrives whole.
    std::string longDir = "dir_" + std::string(120, 'x') + "/" + std::string(120, 'y');
    std::string deep = Clip(longDir + "/CLIP.AVI");
    ASSERT_GT(deep.size(), 253u);
    std::string m2v = Clip("clip.m2v");
    Clip("folder/inside.vob");

    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(deep)),
                   QUrl::fromLocalFile(QString::fromStdString(m2v)),
                   QUrl::fromLocalFile(QString::fromStdString(media.file("folder")))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.form.get(), &drop);
    delete mime;

    EXPECT_EQ(w.Captions(), (std::vector<std::string>{deep, media.file("folder/inside.vob")}));
    EXPECT_TRUE(Command("tbtnStart")->isEnabled());

    // The same file chosen in the open dialog ("All Files") is taken.
    w.dialogs.ConfirmFiles = true;
    w.dialogs.Files = {m2v};
    Command("tbtnAddFile")->trigger();
    EXPECT_EQ(w->Tasks().Count(), 3);
}

TEST_F(TaskListWindow, DropsWhileConvertingAreIgnored) {
    Clip("busy/a.avi");
    w->SetBusyControls();
    w->DropFiles({media.file("busy"), media.file("busy/a.avi")});
    EXPECT_EQ(w->Tasks().Count(), 0);
    w->SetIdleControls();
    w->DropFiles({media.file("busy")});
    EXPECT_EQ(w->Tasks().Count(), 1);
}

TEST_F(TaskListWindow, MoveUpAndDownCarryTheSelection) {
    std::string one = Clip("1.avi"), two = Clip("2.avi"), three = Clip("3.avi");
    Add({one, two, three});

    w->SetSelectedRows({false, true, true});
    Command("tbtnUp")->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"2.avi", "3.avi", "1.avi"}));
    EXPECT_EQ(w->SelectedRows(), (std::vector<bool>{true, true, false}));

    // First and second selected: they change places, only the first stays
    // selected.
    Command("tbtnUp")->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"3.avi", "2.avi", "1.avi"}));
    EXPECT_EQ(w->SelectedRows(), (std::vector<bool>{true, false, false}));

    Command("tbtnDown")->trigger();
    Command("tbtnDown")->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"2.avi", "1.avi", "3.avi"}));
    EXPECT_EQ(w->SelectedRows(), (std::vector<bool>{false, false, true}));

    // The whole task moves with its row.
    ltvItemData task;
    GetTaskData(w->Tasks(), 2, tfAll, task);
    EXPECT_EQ(task.InputFile, three);
    EXPECT_EQ(task.NewFileName, "3");

    w->SetSelectedRows({false, false, false});
    Command("tbtnUp")->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{"2.avi", "1.avi", "3.avi"}));
}

TEST_F(TaskListWindow, RemoveAndClearEmptyTheOutputValuesAndTheCommands) {
    Add({Clip("a.avi"), Clip("b.avi"), Clip("c.avi")});
    w->Sheet(MainSheet::Output).SetValue("New Filename", "shown");

    // Nothing selected: nothing removed, the Output values emptied all the same.
    Command("tbtnRemove")->trigger();
    EXPECT_EQ(w->Tasks().Count(), 3);
    EXPECT_EQ(w->Sheet(MainSheet::Output).Value("New Filename"), "");

    w->SetSelectedRows({true, false, true});
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Names(), std::vector<std::string>{"b.avi"});
    EXPECT_TRUE(Command("tbtnStart")->isEnabled());

    w->SetSelectedRows({true});
    w->findChild<QToolButton*>("sbtnDelete")->click();
    EXPECT_EQ(w->Tasks().Count(), 0);
    for (const char* name : {"tbtnUp", "tbtnDown", "tbtnRemove", "tbtnClear", "tbtnStart"})
        EXPECT_FALSE(Command(name)->isEnabled()) << name;
    EXPECT_FALSE(w->findChild<QWidget*>("sbtnClear")->isEnabled());

    Add({Clip("d.avi"), Clip("e.avi")});
    QTest::keyClick(List(), Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_EQ(w->Tasks().Count(), 0);
    EXPECT_FALSE(Command("tbtnClear")->isEnabled());
    EXPECT_TRUE(w->findChild<QWidget*>("panbg")->isHidden()) << "the welcome panel stays hidden";
}

TEST_F(TaskListWindow, ContextMenuEnabling) {
    auto enabled = [&](const char* name) { return w->findChild<QAction*>(name)->isEnabled(); };
    w->UpdateTaskMenu();
    EXPECT_FALSE(enabled("mnuOpen"));
    EXPECT_FALSE(enabled("mnuRemove"));
    EXPECT_FALSE(enabled("mnuClear"));
    EXPECT_TRUE(enabled("mnuAddFiles"));
    EXPECT_TRUE(enabled("mnuAddDir"));

    Add({Clip("a.avi"), Clip("b.avi")});
    w->UpdateTaskMenu();
    EXPECT_FALSE(enabled("mnuOpen"));
    EXPECT_FALSE(enabled("mnuRemove"));
    EXPECT_TRUE(enabled("mnuClear"));

    w->SetSelectedRows({false, true});
    w->UpdateTaskMenu();
    EXPECT_TRUE(enabled("mnuOpen"));
    EXPECT_TRUE(enabled("mnuRemove"));

    w->findChild<QAction*>("mnuRemove")->trigger();
    EXPECT_EQ(Names(), std::vector<std::string>{"a.avi"});
}

TEST_F(TaskListWindow, ListLooksAndColumns) {
    QTreeView* list = List();
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Input File");
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "Status");
    EXPECT_NE(list->header()->styleSheet().indexOf("#cae3ff"), -1);

    // A later change of the list's width is shared among the columns.
    w.Show();
    EXPECT_EQ(list->header()->sectionSize(0), 230);
    list->resize(619, 323);
    EXPECT_EQ(list->header()->sectionSize(0), 279);
    EXPECT_EQ(list->header()->sectionSize(1), 107);
    EXPECT_EQ(list->header()->sectionSize(2), 95);
    EXPECT_EQ(list->header()->sectionSize(3), 119);
}

// Each converting or paused row draws its own percent as a bar behind its
// status text; other rows draw none.
TEST(TaskListRows, EachRunningRowDrawsItsOwnProgressBehindItsStatus) {
    TaskQueue tasks;
    const std::vector<TaskId> ids = tasks.AddFiles({"/v/a.avi", "/v/b.avi", "/v/c.avi"}, ".mp4");
    ASSERT_EQ(ids.size(), 3u);
    tasks.SetState(ids[0], TaskState::Converting);
    tasks.SetProgress(ids[0], 80);
    tasks.SetState(ids[1], TaskState::Paused);
    tasks.SetProgress(ids[1], 20);
    TTaskListModel model(tasks, nullptr);
    QTreeView view;
    view.setModel(&model);
    view.setItemDelegateForColumn(3, new TStatusDelegate(&view));
    view.resize(600, 200);
    view.header()->resizeSection(3, 200);
    EXPECT_EQ(model.data(model.index(0, 3), TTaskListModel::PercentRole).toInt(), 80);
    EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), "Paused");
    EXPECT_FALSE(model.data(model.index(2, 3), TTaskListModel::PercentRole).isValid());
    EXPECT_FALSE(model.data(model.index(0, 2), TTaskListModel::PercentRole).isValid());

    const QImage image = view.viewport()->grab().toImage();
    // A pixel of the cell on its bar's top line, at a fraction of its width.
    auto at = [&](int row, double fraction) {
        const QRect cell = view.visualRect(model.index(row, 3));
        return image.pixel(cell.left() + static_cast<int>(cell.width() * fraction), cell.top() + 2);
    };
    // Looked at right of the status text.
    const QRgb empty = at(2, 0.5), bar = at(0, 0.4);
    EXPECT_NE(bar, empty);
    EXPECT_EQ(at(0, 0.75), bar) << "80% reaches past 75%";
    EXPECT_EQ(at(0, 0.9), empty);
    EXPECT_EQ(at(1, 0.4), empty) << "20% stops short of 40%";
    tasks.SetProgress(ids[1], 60);
    const QImage later = view.viewport()->grab().toImage();
    const QRect cell = view.visualRect(model.index(1, 3));
    EXPECT_EQ(later.pixel(cell.left() + cell.width() / 2, cell.top() + 2), bar)
        << "the bar follows the task's progress";
}

} // namespace
