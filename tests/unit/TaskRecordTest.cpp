#include "tasks/TaskRecord.h"

#include "tasks/TaskQueue.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace {

// A queue of two tasks, the second one probed as 00:01:23.4.
struct TwoTasks {
    TaskQueue q;
    TwoTasks() {
        q.AddFiles({"/v/a.avi", "/v/b.avi"}, ".mp4");
        q.ApplyProbe(q.At(1).Id,
                     ProbeResult{"00:01:23.4", " 320x240", "00:00:00.0", "00:01:23.4", ""});
    }
};

TEST(TaskRecord, AWholeRecordWrittenIntoAnotherRowReadsBackEqual) {
    TwoTasks t;
    ltvItemData b;
    GetTaskData(t.q, 1, tfAll, b);
    EXPECT_EQ(b.Status, "OK");
    EXPECT_DOUBLE_EQ(b.LengthSec, 83.4);
    EXPECT_DOUBLE_EQ(b.StartSec, 0);
    EXPECT_DOUBLE_EQ(b.EndSec, 83.4);
    SetTaskData(t.q, 0, tfAll, b);
    ltvItemData back;
    GetTaskData(t.q, 0, tfAll, back);
    EXPECT_EQ(back, b);
    EXPECT_EQ(t.q.At(0).Id, 1u) << "the row's task keeps its id";
    EXPECT_EQ(t.q.ProbingCount(), 0);
}

TEST(TaskRecord, NumbersComeFromTheTextsOnEveryRead) {
    TwoTasks t;
    ltvItemData r;
    GetTaskData(t.q, 0, tfAll, r);
    EXPECT_EQ(r.LengthSec, -1); // an empty Length is not a time

    r.EndTime = "00:00:10";
    SetTaskData(t.q, 0, tfEndTime, r);
    r.EndSec = 0;
    GetTaskData(t.q, 0, tfEndTime, r);
    EXPECT_DOUBLE_EQ(r.EndSec, 10);

    // Texts holding numbers beyond any time, or negative ones, read as -1
    // like any other text that is not a time.
    t.q.Edit(0, [](Task& task) {
        task.Length = "00:00:1e300";
        task.ClipLength = "0:0:1e17";
        task.StartTime = "-1:00:00";
        task.SourceEnd = "00:00:03.36";
    });
    GetTaskData(t.q, 0, tfAll, r);
    EXPECT_EQ(r.LengthSec, -1);
    EXPECT_EQ(r.ClipLengthSec, -1);
    EXPECT_EQ(r.StartSec, -1);
    EXPECT_DOUBLE_EQ(r.SourceEndSec, 3.36); // hundredths are kept as read
}

TEST(TaskRecord, SingleFieldsTouchOnlyThemselves) {
    TwoTasks t;
    ltvItemData r;
    r.LengthSec = 42;
    r.StartSec = 7;
    GetTaskData(t.q, 1, tfStatus, r);
    EXPECT_EQ(r.Status, "OK");
    EXPECT_EQ(r.LengthSec, 42);
    EXPECT_EQ(r.StartSec, 7);
    EXPECT_EQ(r.InputFile, "");

    ltvItemData w = ListedTask("/v/changed.avi", "00:00:05");
    w.Status = "Stop";
    SetTaskData(t.q, 1, tfStatus, w);
    EXPECT_EQ(t.q.At(1).State, TaskState::Stopped);
    EXPECT_EQ(t.q.At(1).InputFile, "/v/b.avi");
    EXPECT_EQ(t.q.At(1).Length, "00:01:23.4");

    // A new input: the list finds the task under it.
    SetTaskData(t.q, 1, tfInputFile, w);
    EXPECT_TRUE(t.q.Contains("/v/changed.avi"));
    EXPECT_FALSE(t.q.Contains("/v/b.avi"));
}

TEST(TaskRecord, BadIndexFieldOrStatusIsAnErrorThatChangesNothing) {
    TwoTasks t;
    ltvItemData r = ListedTask("/v/x.avi", "00:00:05");
    EXPECT_THROW(GetTaskData(t.q, 2, tfAll, r), std::out_of_range);
    EXPECT_THROW(GetTaskData(t.q, 0, 11, r), std::out_of_range);
    EXPECT_THROW(SetTaskData(t.q, 0, -3, r), std::out_of_range);
    r.Status = "Paused?";
    EXPECT_THROW(SetTaskData(t.q, 1, tfAll, r), std::invalid_argument);
    EXPECT_EQ(t.q.At(1).InputFile, "/v/b.avi");
    EXPECT_EQ(t.q.At(1).State, TaskState::Ready);
}

} // namespace
