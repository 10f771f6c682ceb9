// The task queue's rules: adding with dedupe, ids, probes (stale ones
// dropped, times set meanwhile), moves and removals with what the listener
// hears, batch outcomes by id, and rows that stay right through any mix of
// them.
#include "tasks/TaskQueue.h"

#include "tasks/TaskRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct Heard : TaskQueue::Listener {
    Strings events;
    void TasksAboutToBeInserted(int, int) override {}
    void TasksInserted(int f, int l) override { Note("ins", f, l); }
    void TasksAboutToBeRemoved(int, int) override {}
    void TasksRemoved(int f, int l) override { Note("del", f, l); }
    void TasksExchanged(int row) override { events.push_back("swap " + std::to_string(row)); }
    void TaskChanged(int row, TaskId id) override {
        events.push_back("chg " + std::to_string(row) + "#" + std::to_string(id));
    }
    void Note(const char* what, int f, int l) {
        events.push_back(std::string(what) + " " + std::to_string(f) + "-" + std::to_string(l));
    }
};

Strings Inputs(const TaskQueue& q) {
    Strings r;
    for (int i = 0; i < q.Count(); ++i)
        r.push_back(q.At(i).InputFile);
    return r;
}

ProbeResult Probed(const std::string& duration, const std::string& problem = "") {
    return ProbeResult{duration, " 320x240", "00:00:00.0", duration, problem};
}

TEST(TaskQueue, AddingSkipsPathsInTheListAndTellsOneInsertion) {
    TaskQueue q;
    Heard heard;
    q.SetListener(&heard);
    const auto ids = q.AddFiles({"/v/my.clip.avi", "/v/b", "/v/my.clip.avi"}, ".mp4");
    EXPECT_EQ(ids, (std::vector<TaskId>{1, 2}));
    EXPECT_TRUE(q.AddFiles({"/v/b"}, ".mp4").empty());
    EXPECT_EQ(q.AddFiles({"/v/B", "/v/b"}, "").size(), 1u) << "letter case counts";
    EXPECT_EQ(heard.events, (Strings{"ins 0-1", "ins 2-2"}));

    const Task& t = q.At(0);
    EXPECT_EQ(t.State, TaskState::Probing);
    EXPECT_EQ(StatusText(t.State), std::string("Probing"));
    EXPECT_EQ(t.NewFileName, "my.clip");
    EXPECT_EQ(t.NewFileExt, ".mp4");
    EXPECT_EQ(t.Length, "");
    EXPECT_EQ(q.ProbingCount(), 3);
    EXPECT_TRUE(q.Contains("/v/B"));

    // Ids are never given again, also after a clear.
    q.Remove({0});
    q.Clear();
    EXPECT_EQ(q.ProbingCount(), 0);
    EXPECT_EQ(q.AddFiles({"/v/my.clip.avi"}, ""), std::vector<TaskId>{4});
}

TEST(TaskQueue, AListBroughtBackKeepsItsIdsAndNewTasksGetOthers) {
    TaskQueue q;
    q.AddFiles({"/v/a"}, "");
    Task kept;
    kept.Id = 40;
    kept.InputFile = "/v/kept";
    kept.State = TaskState::Failed;
    Task clash = kept;
    clash.Id = 1; // taken by /v/a
    clash.InputFile = "/v/clash";
    Task again = kept;
    again.Id = 7;
    EXPECT_EQ(q.AddTasks({kept, clash, again}), (std::vector<TaskId>{40, 41}));
    EXPECT_EQ(q.ProbingCount(), 1);
    q.SetNextId(30); // never goes back
    EXPECT_EQ(q.AddFiles({"/v/new"}, ""), std::vector<TaskId>{42});
    q.SetNextId(100);
    EXPECT_EQ(q.AddFiles({"/v/newer"}, ""), std::vector<TaskId>{100});
    EXPECT_EQ(q.RowOf(41), 2);
    EXPECT_EQ(q.Find(41)->InputFile, "/v/clash");
}

TEST(TaskQueue, AProbeFillsItsOwnTaskAndLateOrStaleResultsAreDropped) {
    TaskQueue q;
    const auto ids = q.AddFiles({"/v/a.avi", "/v/b.avi", "/v/c.avi"}, ".mp4");
    EXPECT_NE(q.StartRefusal().find("3 files of the Task List are still being probed"),
              std::string::npos);
    q.Remove({0});
    EXPECT_FALSE(q.ApplyProbe(ids[0], Probed("00:00:10"))) << "removed meanwhile";

    Heard heard;
    q.SetListener(&heard);
    ASSERT_TRUE(q.ApplyProbe(ids[2], Probed("00:01:23.4")));
    EXPECT_EQ(heard.events, Strings{"chg 1#3"});
    ltvItemData t;
    GetTaskData(q, 1, tfAll, t);
    EXPECT_EQ(t.Status, "OK");
    EXPECT_EQ(t.Length, "00:01:23.4");
    EXPECT_EQ(t.Size, " 320x240");
    EXPECT_EQ(t.SourceEnd, "00:01:23.4");
    EXPECT_EQ(t.StartTime, "00:00:00.0");
    EXPECT_EQ(t.ClipLength, "00:01:23.4");
    EXPECT_DOUBLE_EQ(t.EndSec, 83.4);
    EXPECT_FALSE(q.ApplyProbe(ids[2], Probed("00:00:01"))) << "probed already";
    EXPECT_EQ(q.At(1).Length, "00:01:23.4");
    EXPECT_EQ(q.StartRefusal(),
              "1 file of the Task List is still being probed for its length and size.\n\n"
              "Please press Start again when no task shows the Status \"Probing\".");

    // Times typed while it was probed meet the probed length: an end that
    // fits stays with its clip length, a start beyond the input's end is
    // refused and named.
    q.Edit(0, [](Task& task) {
        task.StartTime = "00:01:30";
        task.EndTime = "00:00:40";
        task.NewFileName = "renamed";
    });
    std::string refused;
    ASSERT_TRUE(q.ApplyProbe(ids[1], Probed("00:01:00", "Invalid data found"), &refused));
    const Task& b = q.At(0);
    EXPECT_EQ(b.State, TaskState::Unreadable);
    EXPECT_EQ(b.Reason, "Invalid data found");
    EXPECT_EQ(b.NewFileName, "renamed");
    EXPECT_EQ(b.StartTime, "00:00:00.0");
    EXPECT_EQ(b.EndTime, "00:00:40");
    EXPECT_EQ(b.ClipLength, "00:00:40");
    EXPECT_NE(refused.find("Start Time 00:01:30 is out of range."), std::string::npos) << refused;
    EXPECT_EQ(q.ProbingCount(), 0);
    EXPECT_EQ(q.StartRefusal(), "");
}

TEST(TaskQueue, MovesCarryTheSelectionAndWholeTasks) {
    TaskQueue q;
    Heard heard;
    q.AddFiles({"1", "2", "3"}, "");
    q.SetListener(&heard);
    EXPECT_EQ(q.MoveUp({1, 2}), (std::vector<int>{0, 1}));
    EXPECT_EQ(Inputs(q), (Strings{"2", "3", "1"}));
    EXPECT_EQ(heard.events, (Strings{"swap 0", "swap 1"}));
    // First and second selected: they change places, only the first stays
    // selected.
    EXPECT_EQ(q.MoveUp({0, 1}), std::vector<int>{0});
    EXPECT_EQ(Inputs(q), (Strings{"3", "2", "1"}));
    EXPECT_TRUE(q.MoveUp({}).empty());

    EXPECT_EQ(q.MoveDown({0, 1}), (std::vector<int>{1, 2}));
    EXPECT_EQ(Inputs(q), (Strings{"1", "3", "2"}));
    EXPECT_EQ(q.MoveDown({1, 2}), std::vector<int>{2});
    EXPECT_EQ(Inputs(q), (Strings{"1", "2", "3"}));
    // A task's id, state and rows go with it.
    q.SetState(q.At(0).Id, TaskState::Failed, "broken");
    q.MoveDown({0});
    EXPECT_EQ(q.At(1).InputFile, "1");
    EXPECT_EQ(q.At(1).Reason, "broken");
    EXPECT_EQ(q.RowOf(1), 1);
}

TEST(TaskQueue, RemovalGoesFromTheLastRunOfRowsToTheFirst) {
    TaskQueue q;
    Heard heard;
    q.AddFiles({"a", "b", "c", "d", "e", "f"}, "");
    q.SetListener(&heard);
    const std::vector<Task> gone = q.Remove({4, 0, 3, 9, 1, -1});
    EXPECT_EQ(heard.events, (Strings{"del 3-4", "del 0-1"}));
    ASSERT_EQ(gone.size(), 4u);
    EXPECT_EQ(gone[0].InputFile, "e");
    EXPECT_EQ(Inputs(q), (Strings{"c", "f"}));
    EXPECT_FALSE(q.Contains("a"));
    EXPECT_EQ(q.Find(gone[1].Id), nullptr);
    EXPECT_EQ(q.ProbingCount(), 2);
    q.Clear();
    EXPECT_EQ(heard.events.back(), "del 0-1");
    EXPECT_THROW(q.At(0), std::out_of_range);
}

TEST(TaskQueue, ABatchChangesTasksByIdAndTheListenerHearsTheirRows) {
    TaskQueue q;
    const auto ids = q.AddFiles({"a", "b"}, "");
    q.ApplyProbe(ids[1], Probed("00:00:10"));
    Heard heard;
    q.SetListener(&heard);
    q.SetState(ids[1], TaskState::Converting);
    q.SetProgress(ids[1], 40);
    q.SetProgress(ids[1], 40); // no change, nothing told
    q.SetState(ids[1], TaskState::Incomplete, "Only 00:00:04 of 00:00:10 was converted.");
    q.SetState(99, TaskState::Complete); // gone: nothing
    EXPECT_EQ(heard.events, (Strings{"chg 1#2", "chg 1#2", "chg 1#2"}));
    const Task& b = *q.Find(ids[1]);
    EXPECT_EQ(StatusText(b.State), std::string("Incomplete"));
    EXPECT_EQ(b.Percent, 40);
    q.SetState(ids[1], TaskState::Converting);
    EXPECT_EQ(b.Percent, 0);
    EXPECT_EQ(b.Reason, "");

    // A log per task, gone with it.
    ASSERT_NE(q.NewLog(ids[1]), nullptr);
    q.LogOf(ids[1])->Output = "text";
    EXPECT_EQ(q.LogOf(ids[0]), nullptr);
    EXPECT_EQ(q.Find(ids[1])->Log->InputFile, "b");
    q.Remove({1});
    EXPECT_EQ(q.LogOf(ids[1]), nullptr);
}

TEST(TaskQueue, RowsAndIdsStayRightThroughAnyMixOfChanges) {
    // Against a plain list, through enough removals that the queue squeezes
    // its slots again and again.
    TaskQueue q;
    std::vector<TaskId> model;
    std::mt19937 random(7);
    int named = 0;
    for (int round = 0; round < 3000; ++round) {
        const int op = static_cast<int>(random() % 10);
        const int n = static_cast<int>(model.size());
        if (op < 4 || n == 0) {
            std::vector<std::string> paths;
            for (int k = static_cast<int>(random() % 3); k >= 0; --k)
                paths.push_back("/v/" + std::to_string(named++));
            for (TaskId id : q.AddFiles(paths, ""))
                model.push_back(id);
        } else if (op < 7) {
            const int row = static_cast<int>(random() % static_cast<unsigned>(n));
            q.Remove({row});
            model.erase(model.begin() + row);
        } else {
            const int row = static_cast<int>(random() % static_cast<unsigned>(n));
            if (op == 7 && row > 0) {
                q.MoveUp({row});
                std::swap(model[static_cast<size_t>(row)], model[static_cast<size_t>(row - 1)]);
            } else if (op == 8 && row + 1 < n) {
                q.MoveDown({row});
                std::swap(model[static_cast<size_t>(row)], model[static_cast<size_t>(row + 1)]);
            } else if (op == 9 && n > 20) {
                q.Remove({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
                model.erase(model.begin(), model.begin() + 10);
            }
        }
        ASSERT_EQ(q.Count(), static_cast<int>(model.size()));
        if (model.empty()) continue;
        const int probe = static_cast<int>(random() % model.size());
        ASSERT_EQ(q.At(probe).Id, model[static_cast<size_t>(probe)]) << round;
        ASSERT_EQ(q.RowOf(model[static_cast<size_t>(probe)]), probe) << round;
    }
    EXPECT_EQ(q.Ids(), model);
}

} // namespace
