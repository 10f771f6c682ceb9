#include "ui/MainBatch.h"

#include "ui/MainForm.h"

#include <QCoreApplication>

namespace {

BatchServices Services(TMainForm& form, TMainBatch& batch, RunningEncoders& encoder,
                       PowerControl& power, TaskLog& log, CountdownPrompter& countdown) {
    BatchServices s;
    s.Tasks = &form.Tasks();
    s.Observer = &form;
    s.Settings = &batch;
    s.Prompt = &form.prompter();
    s.Shell = &form.shell();
    s.Power = &power;
    s.Countdown = &countdown;
    s.Encoder = &encoder;
    s.Log = &log;
    // Repainting, the timer, Stop and the other commands run here while the
    // encoder works.
    s.Pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    // Runs once the batch is idle again: the close handler then lets the
    // window close. The window object itself stays until the program ends.
    s.CloseMainWindow = [&form] { form.close(); };
    return s;
}

} // namespace

TMainBatch::TMainBatch(TMainForm& form)
    : F(form), FLog(form.Tasks(), form.LogsDir()), FCountdown(&form), FRuns(form.EncoderPath()),
      FDriver(Services(form, *this, FRuns, FPower, FLog, FCountdown)) {}

std::string TMainBatch::OutputDirText() const {
    return F.OutputDir();
}

std::string TMainBatch::OutputExtension() const {
    return F.OutputExtension();
}

bool TMainBatch::Overwrite() const {
    return F.General().Overwrite;
}

bool TMainBatch::AutoTurnOff() const {
    return F.General().AutoTurnOff;
}

bool TMainBatch::AutoExit() const {
    return F.General().AutoExit;
}

bool TMainBatch::AutoOpenDir() const {
    return F.General().AutoOpenDir;
}

std::string TMainBatch::ProfileFilePath() const {
    return F.SelectedProfilePath();
}

SheetSet TMainBatch::ProfileSheets() const {
    return F.MainSheets();
}

int TMainBatch::SimultaneousConversions() const {
    return F.General().SimultaneousConversions;
}

std::string TMainBatch::ProgramTitle() const {
    return TMainForm::ProductName;
}
