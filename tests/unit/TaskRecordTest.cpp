#include "tasks/TaskRecord.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace {

ltvItemData SampleTask(const std::string& input) {
    return ListedTask(input, "00:01:23.4");
}

struct RecordingListener : TaskRows::Listener {
    std::vector<std::string> events;
    void RowsAboutToBeInserted(int, int) override {}
    void RowsInserted(int f, int l) override {
        events.push_back("ins " + std::to_string(f) + "-" + std::to_string(l));
    }
    void RowsAboutToBeRemoved(int, int) override {}
    void RowsRemoved(int f, int) override { events.push_back("del " + std::to_string(f)); }
    void RowChanged(int r, int c) override {
        events.push_back("chg " + std::to_string(r) + "," + std::to_string(c));
    }
};

TEST(TaskRecord, WholeRecordRoundTripsThroughARow) {
    TaskRows rows;
    rows.Append("a");
    rows.Append("b");
    ltvItemData t = SampleTask("/v/a.avi");
    SetTaskData(rows, 1, tfAll, t);

    ltvItemData back;
    GetTaskData(rows, 1, tfAll, back);
    EXPECT_EQ(back.InputFile, "/v/a.avi");
    EXPECT_DOUBLE_EQ(back.LengthSec, 83.4);
    EXPECT_DOUBLE_EQ(back.StartSec, 0);
    EXPECT_DOUBLE_EQ(back.EndSec, 83.4);

    // Exchange rows as Move Up does: write each record into the other row.
    SetTaskData(rows, 0, tfAll, back);
    ltvItemData again;
    GetTaskData(rows, 0, tfAll, again);
    EXPECT_EQ(again, back);
}

TEST(TaskRecord, NumbersComeFromTheTextsOnEveryRead) {
    TaskRows rows;
    rows.Append("x");
    ltvItemData t; // all texts empty
    SetTaskData(rows, 0, tfAll, t);
    ltvItemData r;
    GetTaskData(rows, 0, tfAll, r);
    EXPECT_EQ(r.LengthSec, -1); // an empty Length is not a time

    rows.SetSubItem(0, tfEndTime, "00:00:10");
    GetTaskData(rows, 0, tfEndTime, r);
    EXPECT_DOUBLE_EQ(r.EndSec, 10);

    // Texts holding numbers beyond any time, or negative ones, read as -1
    // like any other text that is not a time.
    rows.SetSubItem(0, tfLength, "00:00:1e300");
    rows.SetSubItem(0, tfClipLength, "0:0:1e17");
    rows.SetSubItem(0, tfStartTime, "-1:00:00");
    rows.SetSubItem(0, tfSourceEnd, "00:00:03.36");
    GetTaskData(rows, 0, tfAll, r);
    EXPECT_EQ(r.LengthSec, -1);
    EXPECT_EQ(r.ClipLengthSec, -1);
    EXPECT_EQ(r.StartSec, -1);
    EXPECT_DOUBLE_EQ(r.SourceEndSec, 3.36); // hundredths are kept as read
}

TEST(TaskRecord, SingleFieldsTouchOnlyThemselves) {
    TaskRows rows;
    rows.Append("x");
    SetTaskData(rows, 0, tfAll, SampleTask("/v/a.avi"));

    ltvItemData r;
    r.LengthSec = 42;
    r.StartSec = 7;
    GetTaskData(rows, 0, tfStatus, r);
    EXPECT_EQ(r.Status, "OK");
    EXPECT_EQ(r.LengthSec, 42);
    EXPECT_EQ(r.StartSec, 7);
    EXPECT_EQ(r.InputFile, "");

    RecordingListener listener;
    rows.SetListener(&listener);
    ltvItemData w = SampleTask("changed");
    w.Status = "Complete";
    SetTaskData(rows, 0, tfStatus, w);
    EXPECT_EQ(rows.Row(0).SubItems[tfStatus], "Complete");
    EXPECT_EQ(rows.Row(0).Caption, "/v/a.avi");
    EXPECT_EQ(listener.events, (std::vector<std::string>{"chg 0,2"}));

    SetTaskData(rows, 0, tfInputFile, w);
    EXPECT_EQ(rows.Row(0).Caption, "changed");
    EXPECT_EQ(rows.Row(0).SubItems[tfLength], "00:01:23.4");
}

TEST(TaskRecord, RowStoreTellsItsListener) {
    TaskRows rows;
    RecordingListener listener;
    rows.SetListener(&listener);
    rows.Append("a");
    rows.Append("A");
    EXPECT_EQ(rows.Find("A"), 1); // case is kept and matters
    EXPECT_EQ(rows.Find("b"), -1);
    rows.Clear();
    EXPECT_EQ(rows.Count(), 0);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"ins 0-0", "ins 1-1", "del 1", "del 0"}));
}

TEST(TaskRecord, BadIndexOrFieldIsAnError) {
    TaskRows rows;
    ltvItemData t;
    EXPECT_THROW(GetTaskData(rows, 0, tfAll, t), std::out_of_range);
    rows.Append("a");
    EXPECT_THROW(GetTaskData(rows, 0, 11, t), std::out_of_range);
    EXPECT_THROW(SetTaskData(rows, 0, -3, t), std::out_of_range);
}

} // namespace
