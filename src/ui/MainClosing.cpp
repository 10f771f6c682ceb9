// Closing the main window: a close by the user during a batch asks first; a
// close the system asks for (a quit signal, the session ending) does not.
#include "engine/ProbePool.h"
#include "ui/AboutForm.h"
#include "ui/MainBatch.h"
#include "ui/MainForm.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>

void TMainForm::CloseUnasked() {
    // A second request while a stopped batch waits for its encoders to
    // finish their files ends them at once.
    if (FQuitRequested && FBatch) FBatch->Driver().EndAtOnce();
    FQuitRequested = true;
    FCloseUnasked = true;
    // A message left open (the end of a batch, an error, the question
    // whether to stop a batch and quit) would keep the program waiting for a
    // click: it is closed. The question's close reads as No, which the close
    // handler then overrules, since the request came from the system.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) box->close();
    close();
}

bool TMainForm::AskBeforeClosing() {
    return !FCloseUnasked && FBatch && FBatch->Driver().State() == ConvertState::Running;
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (AskBeforeClosing() &&
        FPrompter->Message("A conversion is running. Stop it and quit?", ProductName,
                           MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgResult::Yes &&
        !FCloseUnasked) {
        e->ignore();
        return;
    }
    // A countdown before power-off or exit ends as cancelled: the program
    // just ends.
    if (FBatch) FBatch->CancelCountdown();
    // Closing during a batch stops it; the batch closes the window again
    // once it has unwound, and the program ends then. When the system asks,
    // there is no time to finish the outputs: the tasks are interrupted and
    // convert again from the start next time.
    if (FBatch &&
        (FCloseUnasked ? FBatch->Driver().InterruptForExit() : FBatch->Driver().CloseRequested())) {
        e->ignore();
        return;
    }
    SavePreferences();
    SaveTaskListAtExit();
    FClosing = true;
    FProbes->CancelAll();
    for (QWidget* form :
         std::initializer_list<QWidget*>{FSizeForm.get(), FSettingForm.get(), FAboutForm.get()})
        if (form && form->isVisible()) form->close();
    e->accept();
    emit Closed();
}
