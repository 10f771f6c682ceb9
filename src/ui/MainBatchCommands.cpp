// The commands that steer a running batch besides Stop: Pause (a button in
// the progress panel, Ctrl+P, the task list's menu) and Stop after the
// current tasks (the drop-down beside the Stop picture, Shift+Esc). Each is
// one command for all its controls; the batch's snapshot decides whether it
// applies, what Pause reads and whether the stop after the current tasks is
// ticked.
#include "ui/MainBatch.h"
#include "ui/MainForm.h"
#include "ui/ProgressPanel.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

void TMainForm::BuildBatchCommands() {
    tbtnStopAfter->setCheckable(true);
    for (QAction* command : {tbtnPause, tbtnStopAfter})
        command->setEnabled(false);

    panBottomLeft->btnPause()->setDefaultAction(tbtnPause);

    ppmStop = new QMenu(this);
    ppmStop->setObjectName("ppmStop");
    ppmStop->addAction(tbtnStop);
    ppmStop->addAction(tbtnStopAfter);
    // In the strip between the Stop picture and the edge of its area.
    btnStopMenu = new QToolButton(Panel1);
    btnStopMenu->setObjectName("btnStopMenu");
    btnStopMenu->setGeometry(149, 16, 14, 65);
    btnStopMenu->setArrowType(Qt::DownArrow);
    btnStopMenu->setAutoRaise(true);
    btnStopMenu->setPopupMode(QToolButton::InstantPopup);
    btnStopMenu->setMenu(ppmStop);
    btnStopMenu->setToolTip(QStringLiteral("More ways to stop"));
    btnStopMenu->hide();

    ppmTask->addSeparator();
    ppmTask->addAction(tbtnPause);
}

void TMainForm::UpdateBatchCommands(const BatchSnapshot& batch) {
    const bool steerable = batch.State == ConvertState::Running && batch.Converting;
    tbtnPause->setEnabled(steerable);
    tbtnStopAfter->setEnabled(steerable);
    tbtnPause->setText(batch.Paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    tbtnStopAfter->setChecked(batch.StopAfterCurrent);
    btnStopMenu->setVisible(batch.Busy);
}

void TMainForm::tbtnPauseClick() {
    Guarded([&] { FBatch->Driver().tbtnPauseClick(); });
}

void TMainForm::tbtnStopAfterClick() {
    Guarded([&] { FBatch->Driver().tbtnStopAfterClick(); });
}
