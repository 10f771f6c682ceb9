#include "profiles/ParamSheet.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace {

SheetRow PickRow(std::string caption, std::vector<std::string> items, std::string value) {
    return SheetRow{std::move(caption), std::move(value), true, std::move(items), true};
}

TEST(ParamSheet, InitialRowsOfTheThreeSheets) {
    ParamSheet video, audio, advanced;
    video.SetRows(InitialVideoRows());
    audio.SetRows(InitialAudioRows());
    advanced.SetRows(InitialAdvancedRows());
    EXPECT_EQ(Captions(video), (std::vector<std::string>{"Video Codec", "Video Size", "Bit Rate",
                                                         "Frame Rate", "Aspect", "Disable Video"}));
    EXPECT_EQ(Captions(audio),
              (std::vector<std::string>{"Audio Codec", "Audio Bitrate", "Sample Rate", "Channels",
                                        "Volumn", "Disable Audio"}));
    EXPECT_EQ(Captions(advanced),
              (std::vector<std::string>{"Bit Exact Algorithms", "Deinterlace"}));
    for (const auto& row : video.Rows()) {
        EXPECT_EQ(row.Value, "");
        EXPECT_FALSE(row.HasPickList);
        EXPECT_FALSE(row.ReadOnly);
    }
}

TEST(ParamSheet, RowsAreFoundByCaptionIgnoringCaseFirstMatchFirst) {
    ParamSheet s;
    s.AppendRow(SheetRow{"Bit Rate", "1", false, {}, false});
    s.AppendRow(SheetRow{"BIT RATE", "2", false, {}, false});
    EXPECT_EQ(s.Find("bit rate"), 0);
    EXPECT_EQ(s.Value("bit RATE"), "1");
    EXPECT_EQ(s.Find("Bit Rat"), -1);
    EXPECT_EQ(s.Value("missing"), "");

    s.SetValue("bIT rATE", "800");
    EXPECT_EQ(s.Row(0).Value, "800");
    EXPECT_EQ(s.Row(1).Value, "2");

    // A caption no row has appends a row with it.
    s.SetValue("Video Size", "320x240");
    ASSERT_EQ(s.RowCount(), 3);
    EXPECT_EQ(s.Row(2).Caption, "Video Size");
    EXPECT_EQ(s.Row(2).Value, "320x240");
}

TEST(ParamSheet, HeightsOfLoadCollapseAndExpand) {
    ParamSheet s;
    s.SetRows(InitialVideoRows());
    s.FitToRows();
    EXPECT_EQ(s.Height(), 108);
    EXPECT_FALSE(s.Collapsed());
    s.ToggleCollapse();
    EXPECT_EQ(s.Height(), 1);
    EXPECT_TRUE(s.Collapsed());
    s.ToggleCollapse();
    EXPECT_EQ(s.Height(), 109);
    EXPECT_FALSE(s.Collapsed());

    // A load shows a collapsed sheet again without touching its button; the
    // next click expands it.
    s.ToggleCollapse();
    s.FitToRows();
    EXPECT_EQ(s.Height(), 108);
    EXPECT_TRUE(s.Collapsed());
    s.ToggleCollapse();
    EXPECT_EQ(s.Height(), 109);

    // A sheet without rows still shows one blank line.
    ParamSheet empty;
    empty.FitToRows();
    EXPECT_EQ(empty.Height(), 18);
    empty.ToggleCollapse();
    empty.ToggleCollapse();
    EXPECT_EQ(empty.Height(), 19);
}

TEST(ParamSheet, DoubleClickStepsThroughThePickList) {
    ParamSheet s;
    s.AppendRow(PickRow("Size", {"A", "B", "C"}, "b"));
    s.StepPickList(0);
    EXPECT_EQ(s.Row(0).Value, "C");
    s.StepPickList(0);
    EXPECT_EQ(s.Row(0).Value, "A");
    s.SetRowValue(0, "320x240"); // a custom size the list does not offer
    s.StepPickList(0);
    EXPECT_EQ(s.Row(0).Value, "A");

    s.AppendRow(SheetRow{"Text", "x", false, {}, false});
    s.AppendRow(PickRow("Empty", {}, ""));
    s.StepPickList(1);
    s.StepPickList(2);
    EXPECT_EQ(s.Row(1).Value, "x");
    EXPECT_EQ(s.Row(2).Value, "");
}

TEST(ParamSheet, TypingAndDimming) {
    ParamSheet s;
    s.AppendRow(SheetRow{"Text", "", false, {}, false});
    s.AppendRow(SheetRow{"Fixed", "", false, {}, true});
    s.AppendRow(PickRow("List", {"a"}, "a"));
    EXPECT_TRUE(s.CanType(0));
    EXPECT_FALSE(s.CanType(1));
    EXPECT_FALSE(s.CanType(2));
    EXPECT_FALSE(s.ValueDimmed(0));
    EXPECT_TRUE(s.ValueDimmed(1));
    EXPECT_FALSE(s.ValueDimmed(2)); // read-only, but chosen from its list
}

TEST(ParamSheet, EveryChangeIsReportedAndTheCurrentRowFollowsDeletions) {
    ParamSheet s;
    std::vector<int> counts;
    s.OnChange = [&] { counts.push_back(s.RowCount()); };
    s.SetRows(InitialVideoRows());
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    s.SetCurrentRow(4);
    s.SetCurrentRow(17); // outside the rows: ignored
    EXPECT_EQ(s.CurrentRow(), 4);

    counts.clear();
    s.SetValue("Aspect", "4:3");
    s.SetValue("Aspect", "4:3"); // the same text again is still a change
    EXPECT_EQ(counts.size(), 2u);

    counts.clear();
    s.Clear();
    EXPECT_EQ(counts, (std::vector<int>{5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(s.CurrentRow(), 0);
    EXPECT_THROW(s.DeleteRow(0), std::out_of_range);
}

TEST(ParamSheet, CustomSizeIsRequestedOnlyFromTheVideoSizeRow) {
    ParamSheet s;
    s.AppendRow(SheetRow{"Video Codec", "mpeg4", false, {}, false});
    s.AppendRow(PickRow("Video Size", {"Original Size", "Custom Size"}, "Custom Size"));
    s.SetCurrentRow(0);
    EXPECT_FALSE(s.CustomSizeRequested());
    s.SetCurrentRow(1);
    EXPECT_TRUE(s.CustomSizeRequested());
    s.SetRowValue(1, "custom size"); // compared with case
    EXPECT_FALSE(s.CustomSizeRequested());
    s.SetRowValue(1, "320x240");
    EXPECT_FALSE(s.CustomSizeRequested());

    ParamSheet lower;
    lower.AppendRow(PickRow("video size", {"Custom Size"}, "Custom Size"));
    EXPECT_FALSE(lower.CustomSizeRequested());
}

} // namespace
