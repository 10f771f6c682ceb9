// The task list kept between runs: what its file holds and gives back (any
// name survives), what a start brings back after a crash or a normal exit,
// a damaged file set aside, one program at a time, and when it is written.
#include "engine/TaskListFile.h"

#include "engine/Invocation.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Clock = TaskListSaveRule::Clock;
using std::chrono::milliseconds;

// A queue as a run leaves it: one task of each kind, with names no other
// store would keep.
TaskQueue& Fill(TaskQueue& q) {
    q.AddFiles({"/v/[a]=b.avi", "/v/tab\there.avi", "/v/line\nbreak\\x.avi", "/v/d.avi"}, ".mp4");
    const std::vector<TaskId> ids = q.Ids();
    q.Edit(0, [](Task& t) {
        t.State = TaskState::Converting;
        t.StartTime = "00:00:01.5";
        t.EndTime = "00:00:09";
        t.NewFileName = "new = [name]";
    });
    q.SetPartFile(ids[0], "/out/.new = [name].tarvolin-part-1.mp4");
    q.SetState(ids[1], TaskState::Failed, "Invalid data\tfound");
    q.SetState(ids[2], TaskState::Complete);
    q.SetState(ids[3], TaskState::Ready);
    return q;
}

TEST(TaskListFile, EveryTaskComesBackAsItWasWhateverItsNames) {
    TaskQueue q;
    Fill(q);
    SavedTaskList read;
    std::string problem;
    ASSERT_TRUE(ParseTaskList(FormatTaskList(q, false), read, problem)) << problem;
    EXPECT_FALSE(read.EndedNormally);
    EXPECT_EQ(read.NextId, 5u);
    ASSERT_EQ(read.Tasks.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const Task& was = q.At(i);
        const Task& is = read.Tasks[static_cast<size_t>(i)];
        EXPECT_EQ(is.Id, was.Id);
        EXPECT_EQ(is.InputFile, was.InputFile);
        EXPECT_EQ(is.State, was.State);
        EXPECT_EQ(is.NewFileName, was.NewFileName);
        EXPECT_EQ(is.NewFileExt, was.NewFileExt);
        EXPECT_EQ(is.StartTime, was.StartTime);
        EXPECT_EQ(is.EndTime, was.EndTime);
        EXPECT_EQ(is.Reason, was.Reason);
        EXPECT_EQ(is.PartFile, was.PartFile);
    }
    // A normal exit without the tasks keeps the ids going all the same.
    ASSERT_TRUE(ParseTaskList(FormatTaskList(q, true, false), read, problem));
    EXPECT_TRUE(read.EndedNormally);
    EXPECT_TRUE(read.Tasks.empty());
    EXPECT_EQ(read.NextId, 5u);
}

TEST(TaskListFile, ACrashBringsTheListBackWithItsConvertingTasksInterrupted) {
    TaskQueue q;
    SavedTaskList saved;
    std::string problem;
    ASSERT_TRUE(ParseTaskList(FormatTaskList(Fill(q), false), saved, problem));

    // Kept or not, a list the program did not close comes back.
    RestoredTasks back = RestoreTasks(saved, false);
    ASSERT_EQ(back.Tasks.size(), 4u);
    for (const Task& task : back.Tasks) {
        EXPECT_EQ(task.State, TaskState::Probing) << "probed again";
        EXPECT_TRUE(task.PartFile.empty());
    }
    EXPECT_EQ(back.Tasks[0].AfterProbe, TaskState::Interrupted);
    EXPECT_EQ(back.Tasks[0].Reason, InterruptedReason);
    EXPECT_EQ(back.Tasks[0].StartTime, "00:00:01.5");
    EXPECT_EQ(back.Tasks[1].AfterProbe, TaskState::Failed);
    EXPECT_EQ(back.Tasks[1].Reason, "Invalid data\tfound");
    EXPECT_EQ(back.Tasks[2].AfterProbe, TaskState::Complete);
    EXPECT_EQ(back.Tasks[3].AfterProbe, TaskState::Ready);
    EXPECT_EQ(back.PartFiles, std::vector<std::string>{"/out/.new = [name].tarvolin-part-1.mp4"});

    // Added to a new queue, the tasks keep their ids and new ones follow;
    // a probe puts each back in its state, or says its input has gone.
    TaskQueue again;
    again.SetNextId(back.NextId);
    again.AddTasks(back.Tasks);
    EXPECT_EQ(again.ProbingCount(), 4);
    EXPECT_EQ(again.AddFiles({"/v/new.avi"}, ".mp4"), std::vector<TaskId>{5});
    // Another crash before the probes have ended loses no mark.
    ASSERT_TRUE(ParseTaskList(FormatTaskList(again, false), saved, problem));
    EXPECT_EQ(RestoreTasks(saved, true).Tasks[0].AfterProbe, TaskState::Interrupted);
    EXPECT_EQ(RestoreTasks(saved, true).Tasks[1].AfterProbe, TaskState::Failed);
    const ProbeResult found{"00:00:10", " 320x240", "00:00:00.0", "00:00:10", ""};
    const ProbeResult gone{"", "", "", "", "the file is no longer there"};
    EXPECT_TRUE(again.ApplyProbe(1, found));
    EXPECT_TRUE(again.ApplyProbe(2, found));
    EXPECT_TRUE(again.ApplyProbe(3, gone));
    EXPECT_EQ(again.Find(1)->State, TaskState::Interrupted);
    EXPECT_EQ(again.Find(1)->Reason, InterruptedReason);
    EXPECT_EQ(again.Find(1)->ClipLength, "00:00:07.5");
    EXPECT_EQ(again.Find(2)->State, TaskState::Failed);
    EXPECT_EQ(again.Find(3)->State, TaskState::Unreadable);
    EXPECT_EQ(again.Find(3)->Reason, "the file is no longer there");
}

TEST(TaskListFile, ANormalExitBringsTheListBackOnlyWhenTheUserKeepsIt) {
    TaskQueue q;
    q.AddFiles({"/v/a.avi", "/v/b.avi"}, ".mp4");
    q.SetState(2, TaskState::Complete);
    SavedTaskList saved;
    std::string problem;
    ASSERT_TRUE(ParseTaskList(FormatTaskList(q, true), saved, problem));
    const RestoredTasks kept = RestoreTasks(saved, true);
    ASSERT_EQ(kept.Tasks.size(), 2u);
    EXPECT_EQ(kept.Tasks[1].AfterProbe, TaskState::Complete);
    EXPECT_TRUE(kept.PartFiles.empty());
    const RestoredTasks dropped = RestoreTasks(saved, false);
    EXPECT_TRUE(dropped.Tasks.empty());
    EXPECT_EQ(dropped.NextId, 3u);
}

TEST(TaskListFile, WhatCannotBeReadIsSaidByLineAndTheRestIsKept) {
    SavedTaskList list;
    std::string problem;
    const std::string good = "task\t7\tOK\t/v/a.avi\ta\t.mp4\t\t\t\t\n";
    EXPECT_FALSE(ParseTaskList("", list, problem));
    EXPECT_FALSE(ParseTaskList("Tarvolin task list 2\n", list, problem));
    EXPECT_EQ(problem, "line 1: this is not a task list this version can read");
    const std::pair<std::string, std::string> damaged[] = {
        {"task\t8\tOK\t/v/b.avi\n", "line 3: a task needs 9 fields"},
        {"task\tx\tOK\t/v/b.avi\tb\t.mp4\t\t\t\t\n", "line 3: \"x\" is no task id"},
        {"task\t8\tFine\t/v/b.avi\tb\t.mp4\t\t\t\t\n", "line 3: \"Fine\" is no status"},
        {"task\t7\tOK\t/v/b.avi\tb\t.mp4\t\t\t\t\n", "line 3: task id 7 twice"},
        {"task\t8\tOK\t/v/b\\q.avi\tb\t.mp4\t\t\t\t\n",
         "line 3: a backslash that stands for nothing"},
        {"exit\tsoon\n", "line 3: \"exit\" means nothing here"},
    };
    for (const auto& [line, said] : damaged) {
        EXPECT_FALSE(ParseTaskList("Tarvolin task list 1\n" + good + line, list, problem));
        EXPECT_EQ(problem, said);
        ASSERT_EQ(list.Tasks.size(), 1u) << line;
        EXPECT_EQ(list.Tasks[0].InputFile, "/v/a.avi");
    }
    // Line ends written on another system are taken.
    EXPECT_TRUE(ParseTaskList("Tarvolin task list 1\r\nexit\topen\r\n", list, problem));
    EXPECT_FALSE(list.EndedNormally);
}

TEST(TaskListStore, ADamagedFileIsSetAsideAndOneProgramAtATimeKeepsTheList) {
    TempDir dir;
    const std::string state = dir.file("state/tarvolin");
    TaskListStore store(state);
    std::string reason, problem;
    EXPECT_TRUE(store.Read(problem).Tasks.empty()) << "nothing without the claim";
    ASSERT_TRUE(store.Claim(reason)) << reason;
    EXPECT_TRUE(store.Read(problem).EndedNormally) << "no file yet";
    EXPECT_EQ(problem, "");

    TaskQueue q;
    q.AddFiles({"/v/a.avi"}, ".mp4");
    ASSERT_TRUE(store.Write(q, false, true, reason)) << reason;
    {
        TaskListStore second(state);
        EXPECT_FALSE(second.Claim(reason));
        EXPECT_TRUE(second.Write(q, true, false, reason)) << "writes nothing, and says so";
    }
    EXPECT_EQ(store.Read(problem).Tasks.size(), 1u);
    EXPECT_FALSE(store.Read(problem).EndedNormally);

    WriteFileBytes(store.Path(), ReadFileBytes(store.Path()) + "garbage\n");
    const SavedTaskList read = store.Read(problem);
    EXPECT_EQ(read.Tasks.size(), 1u);
    EXPECT_NE(problem.find("is damaged (line 5: \"garbage\" means nothing here). It was set aside "
                           "as \"" +
                           store.Path() + ".damaged-"),
              std::string::npos)
        << problem;
    EXPECT_FALSE(fs::exists(store.Path()));
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(state))
        aside += entry.path().filename().string().rfind("tasks.list.damaged-", 0) == 0;
    EXPECT_EQ(aside, 1);
}

TEST(TaskListSaveRule, WritesAtMostOnceASecondAndAddingManyFilesIsOneWrite) {
    TaskQueue q;
    TaskListSaveRule rule;
    const Clock::time_point t0 = Clock::now();
    EXPECT_EQ(rule.Due(q.Revision(), t0), Clock::duration::zero());
    rule.Written(q.Revision(), t0);
    EXPECT_FALSE(rule.Due(q.Revision(), t0)) << "nothing new";

    std::vector<std::string> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back("/v/" + std::to_string(i) + ".avi");
    q.AddFiles(many, ".mp4");
    EXPECT_EQ(rule.Due(q.Revision(), t0 + milliseconds(300)), milliseconds(700));
    rule.Written(q.Revision(), t0 + milliseconds(1000));
    EXPECT_FALSE(rule.Due(q.Revision(), t0 + milliseconds(1000)));

    // Progress and probe results change nothing the file keeps.
    const TaskId first = q.Ids()[0];
    EXPECT_TRUE(q.ApplyProbe(first, {"00:00:10", " 320x240", "00:00:00.0", "00:00:10", ""}));
    q.SetProgress(first, 40);
    EXPECT_FALSE(rule.Due(q.Revision(), t0 + milliseconds(1500)));
    q.SetState(first, TaskState::Converting);
    EXPECT_EQ(rule.Due(q.Revision(), t0 + milliseconds(1500)), milliseconds(500));
    EXPECT_EQ(rule.Due(q.Revision(), t0 + milliseconds(2500)), Clock::duration::zero());
}

TEST(PartFiles, AreHiddenBesideTheOutputKeepItsExtensionAndAreKnownByTheirPattern) {
    const std::string dir = std::string("out") + PathDelim;
    EXPECT_EQ(PartFilePath(dir + "clip_2.mp4", 17), dir + ".clip_2.tarvolin-part-17.mp4");
    EXPECT_EQ(PartFilePath(dir + "my.clip.mkv", 3), dir + ".my.clip.tarvolin-part-3.mkv");
    EXPECT_EQ(PartFilePath(dir + "noext", 3), dir + ".noext.tarvolin-part-3");
    EXPECT_TRUE(IsPartFilePath(dir + ".clip_2.tarvolin-part-17.mp4"));
    EXPECT_TRUE(IsPartFilePath(dir + ".noext.tarvolin-part-3"));
    for (const char* other : {"clip.tarvolin-part-1.mp4", ".clip.tarvolin-part-.mp4",
                              ".clip.tarvolin-part-1x.mp4", ".clip.mp4", ""})
        EXPECT_FALSE(IsPartFilePath(dir + other)) << other;
}

} // namespace
