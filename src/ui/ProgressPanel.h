#pragma once
// The progress of a batch at the bottom of the main window: the file being
// converted, the elapsed and the remaining time, and the bars of the current
// task and of the whole batch with their percentages. It lies in the place
// of the profile and output path panel and is shown instead of it while a
// batch runs.
#include "engine/Progress.h"

#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;

class TProgressPanel : public QWidget {
    Q_OBJECT
public:
    // Named "panBottomLeft"; the labels and bars start at "No File",
    // "00:00:00" and 0%.
    explicit TProgressPanel(QWidget* parent);

    void SetConvertingFile(const std::string& text);
    void SetElapsedText(const std::string& text);
    void SetRemainingText(const std::string& text);
    // Both bars, and their labels as the position followed by "%".
    void ShowProgress(const ProgressBars& bars);
    // What follows the batch ("Then: power off"); empty hides it.
    void SetThenText(const std::string& text);

private:
    QLabel* labConvertingFile = nullptr;
    QLabel* labElapsed = nullptr;
    QLabel* labRemaining = nullptr;
    QLabel* labCurProgress = nullptr;
    QLabel* labTotalProgress = nullptr;
    QProgressBar* pgbCurrent = nullptr;
    QProgressBar* pgbTotal = nullptr;
    QLabel* labThen = nullptr;
};
