#include "ui/ProgressPanel.h"

#include "ui/ImageButton.h"
#include "ui/Look.h"
#include "ui/QtText.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

TProgressPanel::TProgressPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("panBottomLeft");
    setBackgroundRole(QPalette::Window);
    NewPicture(this, "Image8", QRect(0, 0, 637, 90), "bg_bottom");
    NewArtworkLabel(this, nullptr, QStringLiteral("Converting:"), {19, 12});
    labConvertingFile =
        NewArtworkLabel(this, "labConvertingFile", QStringLiteral("No File"), {75, 12});
    labConvertingFile->setFixedWidth(249);
    NewArtworkLabel(this, nullptr, QStringLiteral("Time Elapsed:"), {338, 12});
    labElapsed = NewArtworkLabel(this, "labElapsed", QStringLiteral("00:00:00"), {407, 12});
    NewArtworkLabel(this, nullptr, QStringLiteral("Time Remaining:"), {485, 12});
    labRemaining = NewArtworkLabel(this, "labRemaining", QStringLiteral("00:00:00"), {567, 12});
    NewArtworkLabel(this, nullptr, QStringLiteral("Current:"), {20, 43});
    pgbCurrent = new QProgressBar(this);
    pgbCurrent->setObjectName("pgbCurrent");
    pgbCurrent->setGeometry(58, 42, 210, 17);
    labCurProgress = NewArtworkLabel(this, "labCurProgress", QStringLiteral("0%"), {273, 45});
    NewArtworkLabel(this, nullptr, QStringLiteral("Total:"), {318, 44});
    pgbTotal = new QProgressBar(this);
    pgbTotal->setObjectName("pgbTotal");
    pgbTotal->setGeometry(348, 42, 210, 17);
    labTotalProgress = NewArtworkLabel(this, "labTotalProgress", QStringLiteral("0%"), {565, 44});
    for (QProgressBar* bar : {pgbCurrent, pgbTotal}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    for (QLabel* label : {labElapsed, labRemaining, labCurProgress, labTotalProgress})
        label->setMinimumWidth(50);
    labThen = NewArtworkLabel(this, "labThen", QString(), {20, 68});
    labThen->setMinimumWidth(300);
    labThen->hide();
    labPaused = NewArtworkLabel(this, "labPaused", QStringLiteral("Paused"), {407, 68});
    QFont bold = labPaused->font();
    bold.setBold(true);
    labPaused->setFont(bold);
    labPaused->hide();
    FPause = new QToolButton(this);
    FPause->setObjectName("btnPause");
    FPause->setGeometry(565, 63, 62, 22);
    FPause->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Between "Then:" and the Pause button; while paused, "Paused" takes
    // its place (the warning stays in the batch log and in the tooltip).
    labSleepWarning = NewArtworkLabel(this, "labSleepWarning", QString(), {330, 68});
    labSleepWarning->setFixedWidth(232);
    labSleepWarning->hide();
}

void TProgressPanel::Show(const BatchSnapshot& batch) {
    labConvertingFile->setText(ToQ(batch.ConvertingFile));
    labElapsed->setText(ToQ(batch.ElapsedText));
    labRemaining->setText(ToQ(batch.RemainingText));
    pgbCurrent->setValue(batch.Bars.Current);
    pgbTotal->setValue(batch.Bars.Total);
    // The labels show the bars' values: a bar ignores a value outside 0..100
    // and keeps the one it had.
    labCurProgress->setText(QString::number(pgbCurrent->value()) + QLatin1Char('%'));
    labTotalProgress->setText(QString::number(pgbTotal->value()) + QLatin1Char('%'));
    labThen->setText(ToQ(batch.Then));
    labThen->setVisible(!batch.Then.empty());
    labPaused->setVisible(batch.Paused);
    labSleepWarning->setText(ToQ(batch.SleepWarning));
    labSleepWarning->setToolTip(ToQ(batch.SleepWarning));
    labSleepWarning->setVisible(!batch.SleepWarning.empty() && !batch.Paused);
}
