// The Output sheet's rules: what it shows for a task, and how an edit of the
// name and the times is checked and stored into the task's row.
#include "tasks/OutputSheet.h"

#include "TestRecords.h"
#include "engine/Invocation.h"

#include <gtest/gtest.h>

namespace {

ltvItemData Task(const std::string& length) {
    return ListedTask("/videos/clip.avi", length);
}

class OutputSheetTest : public ::testing::Test {
protected:
    TaskQueue rows;

    void SetUp() override {
        ltvItemData other = Task("00:00:05");
        other.InputFile = "/videos/other.avi";
        AddRecord(rows, other);
        AddRecord(rows, Task("00:01:23.4"));
    }
    void Put(const ltvItemData& t) { SetTaskData(rows, 1, tfAll, t); }
    ltvItemData Stored() const {
        ltvItemData t;
        GetTaskData(rows, 1, tfAll, t);
        return t;
    }
    // Types into the sheet as it shows the task now and validates.
    void Edit(const std::string& name, const std::string& start, const std::string& end) {
        vleOutputValidate(rows, 1, {name, start, end});
    }
    void EditTimes(const std::string& start, const std::string& end) {
        Edit("clip.mp4", start, end);
    }
    // Start, end and clip length as stored.
    std::vector<std::string> Times() const {
        const ltvItemData t = Stored();
        return {t.StartTime, t.EndTime, t.ClipLength};
    }
    using V = std::vector<std::string>;
};

TEST_F(OutputSheetTest, ShowsTheTaskWithTheCurrentProfilesExtension) {
    const ltvItemData t = Stored();
    EXPECT_EQ(OutputSheetFor(t, ".3gp"),
              (OutputSheetValues{"clip.3gp", "00:00:00.0", "00:01:23.4"}));
    // No profile loaded yet: the bare name.
    EXPECT_EQ(OutputSheetFor(t, "").NewFileName, "clip");
}

TEST_F(OutputSheetTest, ATrimmedRangeIsStoredWithItsLength) {
    EditTimes("00:00:10", "00:01:00");
    EXPECT_EQ(Times(), (V{"00:00:10", "00:01:00", "00:00:50"}));
    const ltvItemData t = Stored();
    EXPECT_DOUBLE_EQ(t.StartSec, 10);
    EXPECT_DOUBLE_EQ(t.ClipLengthSec, 50);
}

TEST_F(OutputSheetTest, StartTimesOutsideTheRulesKeepTheStoredStart) {
    // Beyond the input's length, not a time, seconds starting with a dot, a
    // minute text that is not a number, negative.
    for (const char* start : {"00:01:30", "abc", "0:0:.5", "", "00:xx:01", "-1:00:00"}) {
        EditTimes(start, "00:01:23.4");
        EXPECT_EQ(Times(), (V{"00:00:00.0", "00:01:23.4", "00:01:23.4"})) << start;
    }
    // Beyond the input's length even with a later end: the start stays.
    EditTimes("00:01:30", "00:02:00");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "00:02:00", "00:02:00"}));
    EditTimes("00:00:00.0", "00:01:23.4");
    // Not below the end that is typed along with it.
    EditTimes("00:00:30", "00:00:30");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "00:00:30", "00:00:30"}));
}

TEST_F(OutputSheetTest, EndTimesAreCheckedAgainstTheStartOnly) {
    // Beyond the input's length is taken: the output ends with the input.
    EXPECT_EQ(OutputTimeProblems({"clip.mp4", "00:00:00.0", "00:02:00"}, Stored()), "");
    EditTimes("00:00:00.0", "00:02:00");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "00:02:00", "00:02:00"}));

    EditTimes("00:00:10", "00:01:00");
    // Before the start, at 0, or not a time: the end stays.
    for (const char* end : {"00:00:05", "00:00:10", "00:00:00", "1:00", "abc"}) {
        EditTimes("00:00:10", end);
        EXPECT_EQ(Times(), (V{"00:00:10", "00:01:00", "00:00:50"})) << end;
    }
}

TEST_F(OutputSheetTest, RefusedTimesAreExplainedAndTakenOnesAreNot) {
    // Both refused: the end is judged against the start that stays.
    EXPECT_EQ(OutputTimeProblems({"clip.mp4", "00:01:30", "00:00:00"}, Stored()),
              "Start Time 00:01:30 is out of range.\n"
              "Start Time must be before End Time and before 00:01:23.4.\n"
              "End Time 00:00:00 is out of range.\n"
              "End Time must be after Start Time.");
    // Without a probed length there is no limit to name.
    Put(Task(""));
    EXPECT_EQ(OutputTimeProblems({"clip.mp4", "00:00:00.0", "x"}, Stored()),
              "End Time \"x\" is not a time such as 00:01:05.5.\n"
              "End Time must be after Start Time.");
}

TEST_F(OutputSheetTest, TimesSetBeforeTheProbeMeetTheRealLength) {
    // A start beyond the input is refused and said; the probed start stays.
    Put(Task("00:00:03.36"));
    ltvItemData t = Stored();
    EXPECT_EQ(ApplyKeptTimes("00:00:05", "", t),
              "The times set for \"clip.avi\" before its length was known do not all fit it; "
              "it keeps the times that fit.\n"
              "Start Time 00:00:05 is out of range.\n"
              "Start Time must be before End Time and before 00:00:03.4.");
    EXPECT_EQ(t, Stored());
    // Times that fit stay, an end beyond the input included.
    EXPECT_EQ(ApplyKeptTimes("00:00:01", "00:02:00", t), "");
    EXPECT_EQ((V{t.StartTime, t.EndTime, t.ClipLength}), (V{"00:00:01", "00:02:00", "00:01:59"}));
    // None set: the probed range as it is.
    t = Stored();
    EXPECT_EQ(ApplyKeptTimes("", "", t), "");
    EXPECT_EQ(t, Stored());
}

TEST_F(OutputSheetTest, ALongTaskTakesTimesWithoutLeadingZeros) {
    Put(Task("02:00:00"));
    EditTimes("1:2:3.5", "02:00:00");
    EXPECT_EQ(Times(), (V{"01:02:03.5", "02:00:00", "00:57:56.5"}));
    EXPECT_DOUBLE_EQ(Stored().StartSec, 3723.5);
}

TEST_F(OutputSheetTest, TheNameSplitsAtItsLastDot) {
    Edit("clip.avi", "00:00:00.0", "00:01:23.4");
    EXPECT_EQ(Stored().NewFileName, "clip");
    EXPECT_EQ(Stored().NewFileExt, ".avi");
    Edit("clip", "00:00:00.0", "00:01:23.4");
    EXPECT_EQ(Stored().NewFileName, "clip");
    EXPECT_EQ(Stored().NewFileExt, "");
    Edit("my.clip.v2.mkv", "00:00:00.0", "00:01:23.4");
    EXPECT_EQ(Stored().NewFileName, "my.clip.v2");
    EXPECT_EQ(Stored().NewFileExt, ".mkv");
    Edit("", "00:00:00.0", "00:01:23.4");
    EXPECT_EQ(Stored().NewFileName, "");
    EXPECT_EQ(Stored().NewFileExt, "");
}

TEST_F(OutputSheetTest, ATaskWithoutProbedLengthTakesTypedTimes) {
    // The probe found no length: no end to check against, so a valid end
    // gives the clip its length; the row then converts just that range.
    ltvItemData t = Task("");
    t.InputFile = "/videos/broken.avi";
    Put(t);
    Edit("broken.mkv", "00:00:00.0", "");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "", ""})); // a rename keeps "no length"
    EXPECT_EQ(Stored().NewFileExt, ".mkv");
    EXPECT_EQ(TimeRangeArguments(Stored()), "");

    Edit("broken.mkv", "00:00:10", "00:00:20.5");
    EXPECT_EQ(Times(), (V{"00:00:10", "00:00:20.5", "00:00:10.5"}));
    EXPECT_EQ(TimeRangeArguments(Stored()), " -ss 00:00:10 -t 10.5");

    // Only a start: the clip runs to the input's end, its length unknown.
    Put(t);
    Edit("broken.mkv", "00:00:03", "N/A");
    EXPECT_EQ(Times(), (V{"00:00:03", "", ""}));
    EXPECT_EQ(TimeRangeArguments(Stored()), " -ss 00:00:03");

    // The probe did not run at all: no start either; the clip starts at 0.
    t.StartTime = t.SourceStart = "";
    Put(t);
    Edit("broken.mkv", "", "00:00:20");
    EXPECT_EQ(Times(), (V{"", "00:00:20", "00:00:20"}));
    EXPECT_EQ(TimeRangeArguments(Stored()), " -t 20");
}

TEST_F(OutputSheetTest, ARenameLeavesTheRangeAsItWas) {
    // The probe gives hundredths; a tenths clip length would make the rename
    // a 0.04 s trim, and before tenths went out a 0.36 s one ("-t 3").
    Put(Task("00:00:03.36"));
    Edit("renamed.mp4", "00:00:00.0", "00:00:03.36");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "00:00:03.36", "00:00:03.36"}));
    EXPECT_EQ(Stored().NewFileName, "renamed");
    EXPECT_EQ(TimeRangeArguments(Stored()), "");
    // The same times written differently, or refused ones, change nothing.
    Edit("renamed.mp4", "0:0:0", "0:0:3.36");
    Edit("renamed.mp4", "abc", "00:00:09:00");
    EXPECT_EQ(TimeRangeArguments(Stored()), "");

    // After a trim, a rename keeps the trim.
    EditTimes("00:00:01", "00:00:03.36");
    EXPECT_EQ(Times(), (V{"00:00:01", "00:00:03.36", "00:00:02.4"}));
    Edit("again.mp4", "00:00:01", "00:00:03.36");
    EXPECT_EQ(Times(), (V{"00:00:01", "00:00:03.36", "00:00:02.4"}));
}

TEST_F(OutputSheetTest, TimesNoTimeTextHoldsAreRefused) {
    // Typed huge values used to be stored as texts that read back as -1
    // ("-t -1" on the command line) or overflowed on the way to integers.
    for (const char* huge : {"0:0:1e17", "0:0:1e300", "0:0:1e400", "2147483647:2147483647:0",
                             "99999999999:00:00", "0:0:nan", "0:0:inf"}) {
        EditTimes("00:00:00.0", huge);
        EXPECT_EQ(Times(), (V{"00:00:00.0", "00:01:23.4", "00:01:23.4"})) << huge;
        EditTimes(huge, "00:01:23.4");
        EXPECT_EQ(Times(), (V{"00:00:00.0", "00:01:23.4", "00:01:23.4"})) << huge;
    }
    // The longest time that a text holds is taken as the end of a task
    // without a probed length.
    Put(Task(""));
    EditTimes("00:00:00.0", "2147483647:59:59.9");
    EXPECT_EQ(Times(), (V{"00:00:00.0", "2147483647:59:59.9", "2147483647:59:59.9"}));
    EXPECT_EQ(TimeRangeArguments(Stored()), " -t 7730941132799.9");
}

TEST_F(OutputSheetTest, OnlyTheFiveFieldsOfTheSelectedRowChange) {
    ltvItemData before = Stored();
    ltvItemData other;
    GetTaskData(rows, 0, tfAll, other);
    Edit("new.avi", "00:00:10", "00:01:00");
    ltvItemData after = Stored();
    after.NewFileName = before.NewFileName;
    after.NewFileExt = before.NewFileExt;
    after.ClipLength = before.ClipLength;
    after.StartTime = before.StartTime;
    after.EndTime = before.EndTime;
    after.ClipLengthSec = before.ClipLengthSec;
    after.StartSec = before.StartSec;
    after.EndSec = before.EndSec;
    EXPECT_EQ(after, before);
    ltvItemData otherAfter;
    GetTaskData(rows, 0, tfAll, otherAfter);
    EXPECT_EQ(otherAfter, other);

    // Nothing selected: nothing happens.
    const ltvItemData stored = Stored();
    vleOutputValidate(rows, -1, {"x.avi", "00:00:01", "00:00:02"});
    EXPECT_EQ(Stored(), stored);
}

TEST_F(OutputSheetTest, TheGridShowsAndEditsThroughItsRows) {
    ParamSheet sheet;
    sheet.SetRows(InitialOutputRows());
    ShowSelectedTask(sheet, rows, 1, ".mp4");
    EXPECT_EQ(sheet.Value("New Filename"), "clip.mp4");
    EXPECT_EQ(sheet.Value("Start Time"), "00:00:00.0");
    EXPECT_EQ(sheet.Value("End Time"), "00:01:23.4");

    sheet.SetValue("Start Time", "00:00:20");
    vleOutputValidate(rows, 1, OutputSheetValuesOf(sheet));
    EXPECT_EQ(Times(), (V{"00:00:20", "00:01:23.4", "00:01:03.4"}));

    ShowSelectedTask(sheet, rows, -1, ".mp4");
    EXPECT_EQ(sheet.RowCount(), 3);
    EXPECT_EQ(OutputSheetValuesOf(sheet), OutputSheetValues{});
}

} // namespace
