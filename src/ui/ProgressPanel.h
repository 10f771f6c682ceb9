#pragma once
// The progress of a batch at the bottom of the main window: the file being
// converted, the elapsed and the remaining time, and the bars of the current
// task and of the whole batch with their percentages. It lies in the place
// of the profile and output path panel and is shown instead of it while a
// batch runs.
#include "engine/BatchSnapshot.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

class TProgressPanel : public QWidget {
    Q_OBJECT
public:
    // Named "panBottomLeft"; the labels and bars start at "No File",
    // "00:00:00" and 0%.
    explicit TProgressPanel(QWidget* parent);

    // The batch as it stands: the file being converted, the times, both
    // bars and their labels as the position followed by "%", what follows
    // the batch ("Then: power off", hidden when there is nothing), "Paused"
    // while it is, and otherwise that the computer may go to sleep when
    // nothing keeps it awake.
    void Show(const BatchSnapshot& batch);
    // The button of the Pause command ("btnPause"); the window gives it
    // the command.
    QToolButton* btnPause() const { return FPause; }

private:
    QLabel* labConvertingFile = nullptr;
    QLabel* labElapsed = nullptr;
    QLabel* labRemaining = nullptr;
    QLabel* labCurProgress = nullptr;
    QLabel* labTotalProgress = nullptr;
    QProgressBar* pgbCurrent = nullptr;
    QProgressBar* pgbTotal = nullptr;
    QLabel* labThen = nullptr;
    QLabel* labPaused = nullptr;
    QToolButton* FPause = nullptr;
    QLabel* labSleepWarning = nullptr;
};
