// Closing the main window: a close by the user during a batch asks first; a
// close the system asks for (a quit signal, the session ending) does not.
#include "ui/MainBatch.h"
#include "ui/MainForm.h"

void TMainForm::CloseUnasked() {
    FCloseUnasked = true;
    close();
}

bool TMainForm::AskBeforeClosing() {
    return !FCloseUnasked && FBatch && FBatch->Driver().State() == ConvertState::Running;
}
