// The progress panel on its own: the texts it starts with and what it shows.
#include "ui/ProgressPanel.h"

#include "engine/CompletionActions.h"

#include <QLabel>
#include <QProgressBar>
#include <gtest/gtest.h>

TEST(ProgressPanel, ShowsTheBatchAndKeepsEveryControlsName) {
    TProgressPanel panel(nullptr);
    EXPECT_EQ(panel.objectName(), "panBottomLeft");
    EXPECT_EQ(panel.findChild<QLabel*>("labConvertingFile")->text(), "No File");
    BatchSnapshot batch;
    batch.ConvertingFile = "a.avi";
    batch.ElapsedText = "00:00:05";
    batch.RemainingText = "00:00:07";
    batch.Bars = {40, 20};
    batch.Then = "Then: power off";
    panel.Show(batch);
    EXPECT_EQ(panel.findChild<QLabel*>("labConvertingFile")->text(), "a.avi");
    EXPECT_EQ(panel.findChild<QLabel*>("labElapsed")->text(), "00:00:05");
    EXPECT_EQ(panel.findChild<QLabel*>("labRemaining")->text(), "00:00:07");
    EXPECT_EQ(panel.findChild<QProgressBar*>("pgbCurrent")->value(), 40);
    EXPECT_EQ(panel.findChild<QLabel*>("labCurProgress")->text(), "40%");
    EXPECT_EQ(panel.findChild<QProgressBar*>("pgbTotal")->value(), 20);
    EXPECT_EQ(panel.findChild<QLabel*>("labTotalProgress")->text(), "20%");
    EXPECT_EQ(panel.findChild<QLabel*>("labThen")->text(), "Then: power off");
    EXPECT_TRUE(panel.findChild<QLabel*>("labPaused")->isHidden());
    batch.Then.clear();
    batch.Paused = true;
    panel.Show(batch);
    EXPECT_TRUE(panel.findChild<QLabel*>("labThen")->isHidden());
    EXPECT_FALSE(panel.findChild<QLabel*>("labPaused")->isHidden());

    // The sleep warning is read whole beside the Pause button, and gives
    // way to "Paused".
    QLabel* warning = panel.findChild<QLabel*>("labSleepWarning");
    QWidget* pause = panel.findChild<QWidget*>("btnPause");
    batch.SleepWarning = MaySleepWarning;
    panel.Show(batch);
    EXPECT_TRUE(warning->isHidden());
    batch.Paused = false;
    panel.Show(batch);
    EXPECT_FALSE(warning->isHidden());
    EXPECT_GE(warning->width(), warning->fontMetrics().horizontalAdvance(warning->text()));
    EXPECT_LE(warning->geometry().right(), pause->geometry().left());
}
